// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_support.h"

#include <iterator>
#include <utility>

#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/field_line.h"
#include "settings/settings_store.h"

namespace tarnq::cli {
namespace {

// The stored language, read only: a command-line run never changes the settings.
class ReadOnlyLanguageSettings final : public lang::LanguageSettings {
 public:
  std::u16string ReadLanguage() override {
    return settings::MainSettings().ReadText(settings::SettingsStore::kMainSection, "Language");
  }
  void StoreLanguage(std::u16string_view) override {}
};

}  // namespace

bool SetUpLanguage() {
  static lang::LanguageLibrary library;
  if (lang::InstalledLanguageRecord() != nullptr) return true;
  if (library.Load(platform::ProgramLibraryFolder()) != 0) {
    std::fprintf(stderr, "tarnq-cli: %s\n", ToTerminal(library.Message()).c_str());
    return false;
  }
  lang::InstallLanguageRecord(library.Record());
  std::u16string code;
  ReadOnlyLanguageSettings stored;
  lang::LanguageEnvironment environment = lang::LanguageEnvironment::OfProcess();
  // Without a stored choice the English texts stay: scripts get the same words everywhere.
  if (!stored.ReadLanguage().empty()) lang::SelectLanguage(code, stored, environment);
  return true;
}

std::string ToTerminal(std::u16string_view text) {
  std::string bytes;
  if (platform::Utf16ToNameBytes(text, bytes)) return bytes;
  return platform::Utf16ToUtf8(text);
}

void Print(FILE* out, std::u16string_view text) {
  const std::string bytes = ToTerminal(text);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
}

std::string EscapedBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  auto hex = [&](unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  };
  size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F) hex(c);
      else if (c == '\\' && platform::kSeparator != u'\\') out += "\\\\";  // Windows: always a separator
      else out += static_cast<char>(c);
      ++i;
      continue;
    }
    // A well-formed sequence (no overlong forms, no surrogates, at most U+10FFFF) is copied.
    size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length != 0 && i + length <= bytes.size()) {
      const auto second = static_cast<unsigned char>(bytes[i + 1]);
      bool ok = (second & 0xC0) == 0x80;
      if (c == 0xE0) ok = ok && second >= 0xA0;
      if (c == 0xED) ok = ok && second < 0xA0;
      if (c == 0xF0) ok = ok && second >= 0x90;
      if (c == 0xF4) ok = ok && second < 0x90;
      for (size_t k = 2; k < length; ++k) ok = ok && (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
      // C1 control characters (U+0080 ... U+009F) are escaped like the others.
      if (ok && c == 0xC2 && second < 0xA0) ok = false;
      if (ok) {
        out.append(bytes.substr(i, length));
        i += length;
        continue;
      }
    }
    hex(c);
    ++i;
  }
  return out;
}

int SortKeyByName(std::string_view name) {
  static constexpr std::pair<std::string_view, int> kSortNames[] = {
      {"none", 0},  {"name", 1},      {"ext", 2},      {"path", 3},      {"artist", 4}, {"title", 5},
      {"album", 6}, {"track", 7},     {"genre", 8},    {"bitrate", 9},   {"duration", 10},
      {"type", 11}, {"comment", 12},  {"bpm", 13},     {"size", 14},     {"time", 15}};
  for (const auto& [n, key] : kSortNames)
    if (n == name) return key;
  return -1;
}

bool PrepareFolder(std::u16string_view folder, const char* option, const char* command, bool dryRun) {
  const std::string prefix = std::string("tarnq-cli ") + command + ": ";
  if (platform::FolderExists(folder)) return true;
  if (platform::FileExists(folder)) {
    std::fprintf(stderr, "%s%s %s: %s\n", prefix.c_str(), option, EscapedForTerminal(folder).c_str(),
                 platform::ErrorMessage(platform::err::kDirectory).c_str());
    return false;
  }
  if (!platform::FolderExists(platform::FolderOf(folder))) {
    std::fprintf(stderr, "%s%s %s: %s\n", prefix.c_str(), option, EscapedForTerminal(folder).c_str(),
                 platform::ErrorMessage(platform::err::kPathNotFound).c_str());
    return false;
  }
  if (dryRun) {
    std::fprintf(stderr, "%swould create the folder %s\n", prefix.c_str(), EscapedForTerminal(folder).c_str());
    return true;
  }
  if (const uint32_t code = platform::CreateFolders(folder)) {
    std::fprintf(stderr, "%s%s %s: %s\n", prefix.c_str(), option, EscapedForTerminal(folder).c_str(),
                 platform::ErrorMessage(code).c_str());
    return false;
  }
  std::fprintf(stderr, "%screated the folder %s\n", prefix.c_str(), EscapedForTerminal(folder).c_str());
  return true;
}

std::string EscapedForTerminal(std::u16string_view text) { return EscapedBytes(ToTerminal(text)); }

std::string MegabytesText(uint64_t bytes) {
  // Small amounts keep a second decimal, so a few kilobytes do not read as nothing.
  if (bytes < 95000) {
    const uint64_t hundredths = bytes / 10000 + (bytes % 10000 >= 5000 ? 1 : 0);
    return "0." + std::string(hundredths < 10 ? "0" : "") + std::to_string(hundredths) + " MB";
  }
  const uint64_t tenths = bytes / 100000 + (bytes % 100000 >= 50000 ? 1 : 0);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  auto escape = [&](uint32_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
  };
  auto isHigh = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
  auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    // A run that needs no escape goes out in one conversion.
    size_t end = i;
    while (end < text.size()) {
      const char16_t c = text[end];
      if (c < 0x20 || c == u'"' || c == u'\\' || isLow(c)) break;
      if (isHigh(c)) {
        if (end + 1 >= text.size() || !isLow(text[end + 1])) break;
        ++end;
      }
      ++end;
    }
    if (end > i) {
      platform::AppendUtf16ToUtf8(text.substr(i, end - i), out);
      i = end;
      continue;
    }
    const char16_t c = text[i++];
    if (c == u'"') out += "\\\"";
    else if (c == u'\\') out += "\\\\";
    else if (c == u'\n') out += "\\n";
    else if (c == u'\r') out += "\\r";
    else if (c == u'\t') out += "\\t";
    else escape(c);  // other controls, and a lone surrogate: an escaped file-name byte
  }
  out += '"';
}

namespace {

// Length of the well-formed UTF-8 sequence at `p` (1 to 4), or 0 when it is malformed (overlong,
// a surrogate, above U+10FFFF, cut short).
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
  const unsigned char b = p[0];
  auto cont = [&](size_t i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    if (b == 0xE0 && p[1] < 0xA0) return 0;
    if (b == 0xED && p[1] > 0x9F) return 0;
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    if (b == 0xF0 && p[1] < 0x90) return 0;
    if (b == 0xF4 && p[1] > 0x8F) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto* begin = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = begin + utf8.size();
  const size_t start = out.size();
  out += '"';
  // Runs that need no escape are copied in one piece.
  const unsigned char* run = begin;
  for (const unsigned char* p = begin; p < end;) {
    const unsigned char c = *p;
    if (c >= 0x80) {
      const size_t length = Utf8SequenceLength(p, end);
      if (length == 0) {
        // Malformed bytes are replaced the way the UTF-16 conversion replaces them.
        out.resize(start);
        AppendJsonString(out, std::u16string_view(platform::Utf8ToUtf16(utf8)));
        return;
      }
      p += length;
      continue;
    }
    if (c >= 0x20 && c != '"' && c != '\\') {
      ++p;
      continue;
    }
    out.append(reinterpret_cast<const char*>(run), static_cast<size_t>(p - run));
    ++p;
    run = p;
    if (c == '"') out += "\\\"";
    else if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else {
      out += "\\u00";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    }
  }
  out.append(reinterpret_cast<const char*>(run), static_cast<size_t>(end - run));
  out += '"';
}

void AppendAudioInfoJson(std::string& out, const records::AudioInfo& info) {
  const auto texts = info.TextsUtf8();
  auto number = [&](std::string_view key, int64_t value) {
    out += key;
    settings::AppendNumber(out, value);
  };
  auto text = [&](std::string_view key, size_t index) {
    out += key;
    AppendJsonString(out, texts[index]);
  };
  auto word = [&](std::string_view key, const char* value) {
    out += key;
    if (value == nullptr) {
      out += "null";
    } else {
      out += '"';
      out += value;
      out += '"';
    }
  };
  static constexpr const char* kFormatNames[] = {"mpeg", "ogg", "wma", "flac", "mp4", "plugin"};
  const uint32_t format = info.FormatCode();
  word(",\"format\":", format < std::size(kFormatNames) ? kFormatNames[format] : nullptr);
  if (const std::string_view codec = records::CodecName(info.AudioCodec()); !codec.empty()) {
    out += ",\"codec\":\"";
    out += codec;
    out += '"';
  }
  text(",\"type\":", records::kTextType);
  // MPEG records keep the channel mode (0 or 1 mono, 2 stereo, 3 joint stereo); the other
  // formats the number of channels.
  uint32_t channels = info.channels;
  const char* mode = nullptr;
  if (format == records::kFormatMpeg) {
    channels = !info.HasAudio() ? 0 : info.channels >= 2 ? 2 : 1;
    if (channels != 0) mode = info.channels == 3 ? "joint stereo" : info.channels == 2 ? "stereo" : "mono";
  } else if (channels != 0) {
    mode = channels == 1 ? "mono" : channels == 2 ? "stereo" : "multichannel";
  }
  number(",\"channels\":", channels);
  word(",\"channelMode\":", mode);
  number(",\"sampleRate\":", info.sampleRate);
  // Negative rates are variable rates with that average; -1 is a variable rate of unknown average.
  out += ",\"bitrate\":";
  if (info.bitrate == -1) out += "null";
  else settings::AppendNumber(out, static_cast<int64_t>(info.bitrate < 0 ? -int64_t{info.bitrate} : info.bitrate));
  out += info.bitrate < 0 ? ",\"vbr\":true" : ",\"vbr\":false";
  number(",\"duration\":", info.duration);
  number(",\"track\":", info.track);
  number(",\"year\":", info.year);
  number(",\"bpm\":", info.bpm);
  text(",\"genre\":", records::kTextGenre);
  text(",\"title\":", records::kTextTitle);
  text(",\"artist\":", records::kTextArtist);
  text(",\"album\":", records::kTextAlbum);
  text(",\"comment\":", records::kTextComment);
}

void PrintError(std::u16string_view path, uint32_t code) {
  std::fprintf(stderr, "tarnq-cli: %s: %s\n", EscapedForTerminal(path).c_str(),
               platform::ErrorMessage(code).c_str());
}

std::u16string AbsolutePath(std::string_view argument) {
  return platform::AbsolutePath(platform::NameBytesToUtf16(argument));
}

}  // namespace tarnq::cli
