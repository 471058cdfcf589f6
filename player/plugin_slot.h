// SPDX-License-Identifier: GPL-3.0-or-later
// Input plug-ins: shared objects named "in_*.so" that decode files of their own kinds on their
// own thread and hand the PCM to the output module we give them. They are listed when the player
// thread starts and loaded again whenever one of their files is used.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dynlib.h"
#include "player/decoder_slot.h"
#include "player/plugin_module.h"
#include "player/plugin_output.h"

namespace tarnq::player {

// How long a plug-in may take to open the output after Play, and to flush after a seek.
inline constexpr std::chrono::milliseconds kPluginAnswerWait{2000};
// How long one Read waits for a plug-in that is behind.
inline constexpr std::chrono::milliseconds kPluginReadWait{250};

struct PluginInfo {
  std::u16string path;
  std::u16string masks;  // "*.ext1;*.ext2"
};

// The masks a plug-in's extension text ("mp3;MP2") stands for: "*.mp3;*.MP2". Empty parts are
// left out, and so are extensions too long for a mask of 32 characters.
std::u16string MasksFromExtensions(std::string_view extensions);

// The input plug-ins in `folder`, in the order the folder lists them: files whose names match
// "in_*.so" ignoring case, except "in_wm.so", that export winampGetInModule2 and return a module
// that uses the output module and names file extensions. At most `limit` of them.
std::vector<PluginInfo> FindInputPlugins(std::u16string_view folder, size_t limit = kMaxPlugins);

// Fills the empty plug-in slots of `table` with the plug-ins in `folder`. Returns how many.
int AddInputPlugins(SlotTable& table, std::u16string_view folder);

// Where the program looks for input plug-ins: the folder in the environment variable
// TARNQ_INPUT_PLUGINS when set, else the program's folder.
std::u16string InputPluginFolder();

class PluginSlot final : public DecoderSlot {
 public:
  explicit PluginSlot(PluginInfo info);
  ~PluginSlot() override;

  const std::u16string& Path() const { return m_info.path; }
  std::u16string_view Masks() const override { return m_info.masks; }
  uint32_t FileLength(std::u16string_view path) override;
  uint32_t Open(std::u16string_view path, OpenedStream& stream, std::string& error) override;
  void Close() override;
  size_t Read(std::span<uint8_t> buffer, bool& more) override;
  bool CanSeek() const override { return m_seekable; }
  bool Seek(uint64_t numerator, uint64_t denominator) override;
  uint64_t Position() const override;
  bool IsLoaded() const { return m_module != nullptr; }

 private:
  uint32_t Load(std::string& error);
  void Unload();
  // GetFileInfo of the loaded module; false when it threw.
  bool FileInfo(const char* file, std::string& title, int& lengthMs);
  int LengthMs();
  void FillTag(std::u16string_view path, const StreamFormat& format, analysis::TagRecord& tag);

  PluginInfo m_info;
  platform::DynamicLibrary m_library;
  InModule* m_module = nullptr;
  std::shared_ptr<PluginStream> m_stream;
  bool m_playing = false;
  bool m_seekable = false;
};

}  // namespace tarnq::player
