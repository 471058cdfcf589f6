// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/field_line.h"

#include <charconv>

#include "platform/text.h"

namespace tarnq::settings {
namespace {

constexpr bool BreaksLine(char16_t c) { return c == u'\r' || c == u'\n' || c == u'\0'; }

// Texts with a line break or NUL would end the record early.
std::u16string_view Sanitised(std::u16string_view text, std::u16string& scratch) {
  bool clean = true;
  for (char16_t c : text) clean = clean && !BreaksLine(c);
  if (clean) return text;
  scratch.assign(text);
  for (char16_t& c : scratch)
    if (BreaksLine(c)) c = u' ';
  return scratch;
}

bool HasNameEscapes(std::u16string_view text) {
  for (char16_t c : text)
    if (c >= 0xDC80 && c <= 0xDCFF) return true;
  return false;
}


}  // namespace

void AppendNumber(std::string& out, uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendNumber(std::string& out, int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

std::string EncodeTextField(std::u16string_view text) {
  std::u16string scratch;
  return platform::Encode8Bit(Sanitised(text, scratch));
}

std::u16string DecodeTextField(std::string_view bytes) { return platform::Decode8Bit(bytes); }

std::string EncodePathField(std::u16string_view path) {
  std::u16string scratch;
  const std::u16string_view clean = Sanitised(path, scratch);
  if (platform::IsAscii(clean)) return platform::Encode8Bit(clean);
  std::string out(platform::kUtf8Marker);
  std::string bytes;
  if (HasNameEscapes(clean) && platform::Utf16ToNameBytes(clean, bytes)) {
    out += bytes;
  } else {
    platform::AppendUtf16ToUtf8(clean, out);
  }
  return out;
}

std::u16string DecodePathField(std::string_view bytes) {
  if (bytes.starts_with(platform::kUtf8Marker))
    return platform::NameBytesToUtf16(bytes.substr(platform::kUtf8Marker.size()));
  return platform::DecodeCodePage(bytes, 0);
}

// --- FieldLineWriter --------------------------------------------------------------------------------

void FieldLineWriter::Separator() {
  if (m_fields == 0) m_lineStart = m_out.size();
  else m_out.push_back(';');
  ++m_fields;
}

void FieldLineWriter::Unsigned(uint64_t value) {
  Separator();
  if (value != 0) AppendNumber(m_out, value);
}

void FieldLineWriter::Signed(int64_t value) {
  Separator();
  if (value != 0) AppendNumber(m_out, value);
}

void FieldLineWriter::Text(std::u16string_view text) {
  Separator();
  AppendQuotedField<char>(m_out, EncodeTextField(text));
}

void FieldLineWriter::Path(std::u16string_view path) {
  Separator();
  AppendQuotedField<char>(m_out, EncodePathField(path));
}

void FieldLineWriter::Utf8(std::u16string_view text) {
  Separator();
  std::u16string scratch;
  const std::u16string_view clean = Sanitised(text, scratch);
  std::string bytes;
  if (!HasNameEscapes(clean) || !platform::Utf16ToNameBytes(clean, bytes)) {
    bytes.clear();
    platform::AppendUtf16ToUtf8(clean, bytes);
  }
  AppendQuotedField<char>(m_out, bytes);
}

void FieldLineWriter::Raw(std::string_view bytes) {
  Separator();
  std::string clean(bytes);
  for (char& c : clean)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  AppendQuotedField<char>(m_out, clean);
}

void FieldLineWriter::Empty() { Separator(); }

void FieldLineWriter::EndLine() {
  if (m_fields == 1 && m_out.size() == m_lineStart) m_out.push_back(';');
  m_out.append("\r\n");
  m_fields = 0;
  m_lineStart = std::string::npos;
}

// --- LineSplitter -----------------------------------------------------------------------------------

bool LineSplitter::Next(std::string_view& line) {
  while (!m_rest.empty()) {
    // A line ends at the first CR or LF: find the LF, then a CR before it.
    const size_t lf = m_rest.find('\n');
    size_t end = m_rest.substr(0, lf).find('\r');
    if (end == std::string_view::npos) end = lf == std::string_view::npos ? m_rest.size() : lf;
    line = m_rest.substr(0, end);
    size_t next = end;
    if (next < m_rest.size() && m_rest[next] == '\r') ++next;
    if (next < m_rest.size() && m_rest[next] == '\n') ++next;
    m_rest.remove_prefix(next);
    if (!line.empty()) return true;
  }
  return false;
}

// --- Packed date-time -------------------------------------------------------------------------------

uint64_t PackDateTime(platform::FileTime fileTime, platform::FileTime zeroUpTo) {
  if (fileTime <= zeroUpTo) return 0;
  const platform::CalendarTime t = platform::FileTimeToCalendarUtc(fileTime);
  return static_cast<uint64_t>(t.year) << 26 | static_cast<uint64_t>(t.month) << 22 |
         static_cast<uint64_t>(t.day) << 17 | static_cast<uint64_t>(t.hour) << 12 |
         static_cast<uint64_t>(t.minute) << 6 | static_cast<uint64_t>(t.second);
}

platform::FileTime UnpackDateTime(uint64_t packed) {
  if (packed == 0) return 0;
  const uint64_t year = packed >> 26;
  if (year < 1601 || year > 30000) return 0;
  platform::CalendarTime t;
  t.year = static_cast<int>(year);
  t.month = static_cast<int>(packed >> 22 & 0xF);
  t.day = static_cast<int>(packed >> 17 & 0x1F);
  t.hour = static_cast<int>(packed >> 12 & 0x1F);
  t.minute = static_cast<int>(packed >> 6 & 0x3F);
  t.second = static_cast<int>(packed & 0x3F);
  return platform::CalendarUtcToFileTime(t).value_or(0);
}

}  // namespace tarnq::settings
