// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for one decoder slot (chosen by TARNQ_FUZZ_SLOT at compile time): the input is
// opened, read to its end, sought to the middle and read again, as playing and seeking do. The
// slots take paths, so each input is written to a file in memory-backed /dev/shm first.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"
#include "player/decoder_slot.h"

namespace {

const std::string& InputPath() {
  static const std::string path = "/dev/shm/tarnq-slot-fuzz-" + std::to_string(getpid()) + "." TARNQ_FUZZ_EXTENSION;
  return path;
}

// Reads until the end; aborts when a slot delivers more than any input of this size can hold.
void ReadToEnd(tarnq::player::DecoderSlot& slot, std::vector<uint8_t>& buffer, uint64_t bound) {
  uint64_t total = 0;
  bool more = true;
  for (int idle = 0; more && idle < 16;) {
    const size_t n = slot.Read(buffer, more);
    idle = n == 0 ? idle + 1 : 0;
    total += n;
    if (total > bound) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = InputPath();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  static tarnq::player::SlotTable slots = tarnq::player::MakeBuiltInSlots();
  static std::vector<uint8_t> buffer(32768);
  tarnq::player::DecoderSlot& slot = *slots.decoders[TARNQ_FUZZ_SLOT];
  const std::u16string wide = tarnq::platform::NameBytesToUtf16(path);
  slot.FileLength(wide);
  tarnq::player::OpenedStream stream;
  std::string error;
  if (slot.Open(wide, stream, error) != 0) return 0;
  // Whatever the headers claim, a stream decodes to at most its length plus one block of the
  // largest kind (a FLAC block of 65,535 frames of 8 channels of 32 bits); 1 GiB stops a runaway.
  const uint64_t bound = uint64_t{1} << 30;
  ReadToEnd(slot, buffer, bound);
  if (slot.CanSeek() && slot.Seek(1, 2)) ReadToEnd(slot, buffer, bound);
  slot.Close();
  return 0;
}
