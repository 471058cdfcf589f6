// SPDX-License-Identifier: GPL-3.0-or-later
#include "player/plugin_slot.h"

#include <algorithm>
#include <cstring>

#include "analysis/name_rules.h"
#include "analysis/providers.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::player {
namespace {

constexpr size_t kMaxMaskLength = 32;
// Longer texts from a plug-in are not read to their end (one without its terminator stops here).
constexpr size_t kMaxPluginText = 4096;

std::string_view PluginText(const char* text) {
  return text == nullptr ? std::string_view() : std::string_view(text, strnlen(text, kMaxPluginText));
}

std::string NameOf(std::u16string_view path) { return platform::Utf16ToUtf8(platform::FileNameOf(path)); }

// The visualisation and DSP entries: nothing is ever active, and samples pass unchanged.
void NoVisInit(int, int) {}
void NoVisDeInit() {}
void NoPcmData(void*, int, int, int) {}
int NoMode() { return 0; }
int NoSaAdd(void*, int, int) { return 0; }
int NoVsaMode(int*, int*) { return 0; }
int NoVsaAdd(void*, int) { return 0; }
void NoVsaInfo(int, int) {}
int NoDspActive() { return 0; }
int NoDsp(short*, int frames, int, int, int) { return frames; }
void NoInfo(int, int, int, int) {}

template <class Call>
bool Guarded(Call&& call) {
  try {
    call();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

std::u16string MasksFromExtensions(std::string_view extensions) {
  std::u16string masks;
  while (!extensions.empty()) {
    const size_t end = std::min(extensions.find(';'), extensions.size());
    std::string_view part = extensions.substr(0, end);
    extensions.remove_prefix(std::min(end + 1, extensions.size()));
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (part.empty()) continue;
    const std::u16string mask = u"*." + platform::Utf8ToUtf16(part);
    // Cut short, a mask would claim other files than the plug-in's.
    if (mask.size() > kMaxMaskLength) continue;
    if (!masks.empty()) masks += u';';
    masks += mask;
  }
  return masks;
}

std::vector<PluginInfo> FindInputPlugins(std::u16string_view folder, size_t limit) {
  std::vector<std::u16string> candidates;
  platform::ListDirectory(folder, [&](const platform::DirEntry& entry) {
    // WMA files have their own slot; the plug-in of that name is not used.
    if ((entry.attributes & platform::attr::kDirectory) == 0 && analysis::MatchesMaskList(entry.name, u"in_*.so") &&
        !analysis::MatchesMaskList(entry.name, u"in_wm.so")) {
      candidates.push_back(platform::JoinPath(folder, entry.name));
    }
    return true;
  });
  std::vector<PluginInfo> found;
  for (const std::u16string& path : candidates) {
    if (found.size() >= limit) break;
    platform::DynamicLibrary library;
    void* address = nullptr;
    if (library.Open(path) != 0 || library.FindSymbol(kGetInModuleName, address) != 0) continue;
    const InModule* module = nullptr;
    if (!Guarded([&] { module = reinterpret_cast<GetInModuleFunction>(address)(); }) || module == nullptr ||
        module->UsesOutputPlug == 0) {
      continue;
    }
    std::u16string masks = MasksFromExtensions(PluginText(module->FileExtensions));
    if (!masks.empty()) found.push_back({path, std::move(masks)});
  }
  return found;
}

int AddInputPlugins(SlotTable& table, std::u16string_view folder) {
  const auto free = std::count_if(std::begin(table.decoders) + kFirstPluginSlot, std::end(table.decoders),
                                  [](const auto& slot) { return slot == nullptr; });
  int next = kFirstPluginSlot;
  int added = 0;
  for (PluginInfo& info : FindInputPlugins(folder, static_cast<size_t>(free))) {
    while (next < kDecoderSlotCount && table.decoders[next] != nullptr) ++next;
    if (next >= kDecoderSlotCount) break;
    table.decoders[next++] = std::make_unique<PluginSlot>(std::move(info));
    ++added;
  }
  return added;
}

std::u16string InputPluginFolder() {
  std::u16string folder;
  if (platform::GetEnvironment(u"TARNQ_INPUT_PLUGINS", folder) && !folder.empty()) return folder;
  return platform::ProgramLibraryFolder();
}

PluginSlot::PluginSlot(PluginInfo info) : m_info(std::move(info)) {}

PluginSlot::~PluginSlot() { Close(); }

uint32_t PluginSlot::Load(std::string& error) {
  if (m_module != nullptr) return 0;
  const std::string name = NameOf(m_info.path);
  if (const uint32_t code = m_library.Open(m_info.path); code != 0) {
    error = "the plug-in " + name + " cannot be loaded: " + m_library.Detail();
    return code;
  }
  void* address = nullptr;
  InModule* module = nullptr;
  if (const uint32_t code = m_library.FindSymbol(kGetInModuleName, address); code != 0) {
    error = "the plug-in " + name + " has no module";
    m_library.Close();
    return code;
  }
  if (!Guarded([&] { module = reinterpret_cast<GetInModuleFunction>(address)(); }) || module == nullptr ||
      module->Init == nullptr || module->Play == nullptr) {
    error = "the plug-in " + name + " gives no usable module";
    m_library.Close();
    return platform::err::kProcNotFound;
  }
  module->hMainWindow = 0;  // there is no window for it to talk to
  module->hDllInstance = m_library.NativeHandle();
  module->SAVSAInit = NoVisInit;
  module->SAVSADeInit = NoVisDeInit;
  module->SAAddPCMData = NoPcmData;
  module->SAGetMode = NoMode;
  module->SAAdd = NoSaAdd;
  module->VSAAddPCMData = NoPcmData;
  module->VSAGetMode = NoVsaMode;
  module->VSAAdd = NoVsaAdd;
  module->VSASetInfo = NoVsaInfo;
  module->dsp_isactive = NoDspActive;
  module->dsp_dosamples = NoDsp;
  module->SetInfo = NoInfo;
  module->outMod = PluginOutputModule();
  if (!Guarded([&] { module->Init(); })) {
    error = "the plug-in " + name + " failed to start";
    m_library.Close();
    return platform::err::kGenFailure;
  }
  m_module = module;
  return 0;
}

void PluginSlot::Unload() {
  if (m_module != nullptr && m_module->Quit != nullptr) Guarded([&] { m_module->Quit(); });
  m_module = nullptr;
  m_library.Close();
}

bool PluginSlot::FileInfo(const char* file, std::string& title, int& lengthMs) {
  title.clear();
  lengthMs = 0;
  if (m_module == nullptr || m_module->GetFileInfo == nullptr) return false;
  // Twice what a plug-in may write, against one that writes a little more.
  char buffer[2 * kTitleBytes] = {};
  int length = 0;
  if (!Guarded([&] { m_module->GetFileInfo(file, buffer, &length); })) return false;
  title.assign(buffer, strnlen(buffer, kTitleBytes));
  lengthMs = length;
  return true;
}

int PluginSlot::LengthMs() {
  int length = 0;
  if (m_module != nullptr && m_module->GetLength != nullptr) Guarded([&] { length = m_module->GetLength(); });
  return length;
}

uint32_t PluginSlot::FileLength(std::u16string_view path) {
  std::string native;
  if (!platform::Utf16ToNameBytes(path, native)) return 0;
  // Asking must not disturb a file this plug-in plays.
  const bool temporary = m_module == nullptr;
  std::string error;
  if (Load(error) != 0) return 0;
  std::string title;
  int lengthMs = 0;
  const bool answered = FileInfo(native.c_str(), title, lengthMs);
  if (temporary) Unload();
  if (!answered) return 0;
  if (lengthMs >= 1000) return static_cast<uint32_t>(lengthMs / 1000);
  if (lengthMs > 0) return 1;
  return title.empty() ? 0 : 1;
}

uint32_t PluginSlot::Open(std::u16string_view path, OpenedStream& stream, std::string& error) {
  Close();
  std::string native;
  if (!platform::Utf16ToNameBytes(path, native)) {
    error = platform::ErrorMessage(platform::err::kInvalidName);
    return platform::err::kInvalidName;
  }
  if (const uint32_t code = Load(error); code != 0) return code;
  const std::string name = NameOf(m_info.path);
  m_stream = std::make_shared<PluginStream>();
  SetCurrentPluginStream(m_stream);
  int result = 0;
  const bool returned = Guarded([&] { result = m_module->Play(native.c_str()); });
  m_playing = true;  // a Play that failed half-way is stopped as well
  if (!returned || result != 0) {
    error = returned ? "the plug-in " + name + " cannot play the file" : "the plug-in " + name + " failed on the file";
    Close();
    return platform::err::kNotSupported;
  }
  PluginFormat format;
  std::string why;
  switch (m_stream->WaitForFormat(kPluginAnswerWait, format, why)) {
    case PluginStream::FormatState::kWaiting:
      error = "the plug-in " + name + " delivered no sound within " +
              std::to_string(kPluginAnswerWait.count() / 1000) + " seconds";
      Close();
      return platform::err::kNotSupported;
    case PluginStream::FormatState::kRefused:
      error = why;
      Close();
      return platform::err::kNotSupported;
    case PluginStream::FormatState::kReady:
      break;
  }
  const int lengthMs = LengthMs();
  StreamFormat& f = stream.format;
  f = StreamFormat{};
  f.sampleRate = format.sampleRate;
  f.channels = format.channels;
  f.bitsPerSample = format.bitsPerSample;
  if (lengthMs > 0) {
    f.lengthSeconds = static_cast<uint32_t>(lengthMs / 1000);
    f.lengthFrames = uint64_t(lengthMs) * format.sampleRate / 1000;
  }
  m_seekable = m_module->is_seekable != 0 && m_module->SetOutputTime != nullptr && lengthMs > 0;
  FillTag(path, f, stream.tag);
  return 0;
}

void PluginSlot::FillTag(std::u16string_view path, const StreamFormat& format, analysis::TagRecord& tag) {
  if (analysis::ReadByExtension(path, tag) != 0) tag.Clear();
  if (tag.title.Empty()) {
    std::string title;
    int lengthMs = 0;
    if (FileInfo(nullptr, title, lengthMs)) {
      const size_t split = title.find(" - ");
      if (split != std::string::npos) {
        tag.artist.AssignUtf8(std::string_view(title).substr(0, split));
        tag.title.AssignUtf8(std::string_view(title).substr(split + 3));
      } else {
        tag.title.AssignUtf8(title);
      }
    }
  }
  tag.formatName.Assign(std::u16string_view(platform::Utf8ToUtf16(PluginText(m_module->description))).substr(0, 16));
  if (tag.duration == 0) tag.duration = format.lengthSeconds;
  if (tag.sampleRate == 0) tag.sampleRate = format.sampleRate;
  if (tag.channels == 0) tag.channels = format.channels;
}

void PluginSlot::Close() {
  if (m_playing && m_module != nullptr && m_module->Stop != nullptr) Guarded([&] { m_module->Stop(); });
  m_playing = false;
  if (m_stream != nullptr) {
    // What the plug-in still writes from here on goes nowhere.
    if (CurrentPluginStream() == m_stream) SetCurrentPluginStream(nullptr);
    m_stream.reset();
  }
  m_seekable = false;
  Unload();
}

size_t PluginSlot::Read(std::span<uint8_t> buffer, bool& more) {
  if (m_stream == nullptr) {
    more = false;
    return 0;
  }
  return m_stream->Read(buffer, more, kPluginReadWait);
}

bool PluginSlot::Seek(uint64_t numerator, uint64_t denominator) {
  if (!m_seekable || m_stream == nullptr || denominator == 0) return false;
  const int lengthMs = LengthMs();
  if (lengthMs <= 0) return false;
  const auto timeMs = static_cast<uint64_t>(static_cast<unsigned __int128>(lengthMs) * std::min(numerator, denominator) / denominator);
  const uint64_t seen = m_stream->Flushes();
  if (!Guarded([&] { m_module->SetOutputTime(static_cast<int>(timeMs)); })) return false;
  return m_stream->WaitForFlush(seen, kPluginAnswerWait);
}

uint64_t PluginSlot::Position() const { return m_stream != nullptr ? m_stream->Position() : 0; }

}  // namespace tarnq::player
