// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the player's open path: the input becomes a file with one slot's extension
// (TARNQ_FUZZ_EXTENSION), which the slot chosen by that name opens, reads for a bounded number of
// bytes, seeks in and closes.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/text.h"
#include "player/decoder_slot.h"

namespace {

constexpr size_t kMaxBytes = 4 << 20;  // enough for any seed; bounds the work on one input

const std::filesystem::path& InputPath() {
  static const std::filesystem::path path = [] {
    std::error_code ignored;
    const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm", ignored) ? "/dev/shm" : std::filesystem::temp_directory_path();
    return folder / ("tarnq-play-fuzz-" + std::to_string(std::random_device{}()) + "." TARNQ_FUZZ_EXTENSION);
  }();
  return path;
}

size_t Drain(tarnq::player::DecoderSlot& slot, std::vector<uint8_t>& buffer, size_t limit) {
  size_t total = 0;
  bool more = true;
  // The output feeder gives up on a slot that keeps delivering nothing; so does this loop.
  for (int idle = 0; more && total < limit && idle < 8;) {
    const size_t n = slot.Read(buffer, more);
    if (n > buffer.size()) __builtin_trap();  // a slot claiming more than it was given
    total += n;
    idle = n == 0 ? idle + 1 : 0;
  }
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tarnq::player::SlotTable slots = tarnq::player::MakeBuiltInSlots();
  static std::vector<uint8_t> buffer(32 * 1024 + 3);  // an odd size: slots must keep whole frames
  const std::filesystem::path& path = InputPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const std::u16string wide = tarnq::platform::NameBytesToUtf16(path.string());
  const int index = slots.SlotByName(wide);
  if (index < 0) return 0;
  tarnq::player::DecoderSlot& slot = *slots.decoders[index];
  slot.FileLength(wide);
  tarnq::player::OpenedStream stream;
  std::string error;
  if (slot.Open(wide, stream, error) != 0) {
    if (error.empty()) __builtin_trap();  // a refusal must say why
    return 0;
  }
  const uint32_t frame = stream.format.BytesPerFrame();
  if (frame == 0 || !tarnq::player::IsPlayableFormat(stream.format)) __builtin_trap();
  if (Drain(slot, buffer, kMaxBytes) % frame != 0) __builtin_trap();
  if (slot.CanSeek()) {
    const uint64_t fractions[][2] = {{1, 3}, {0, 1}, {9, 10}, {1, 1}, {5, 2}};
    for (const auto& q : fractions) {
      if (slot.Seek(q[0], q[1])) Drain(slot, buffer, 64 * 1024);
    }
  }
  slot.Close();
  return 0;
}
