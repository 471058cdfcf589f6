// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/tag_record.h"

#include <string>

#include "platform/text.h"

namespace tarnq::analysis {


namespace {

template <size_t N>
void TrimSpaces(FixedText<N>& text) {
  if (text.Empty()) return;
  std::u16string_view v = text.View();
  size_t first = 0;
  while (first < v.size() && v[first] == u' ') ++first;
  size_t last = v.size();
  while (last > first && v[last - 1] == u' ') --last;
  if (first == 0 && last == v.size()) return;
  char16_t copy[N];
  v = v.substr(first, last - first);
  v.copy(copy, v.size());
  text.Assign(std::u16string_view(copy, v.size()));
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

uint16_t Clamp16(int64_t v) { return v < 0 ? 0 : v > 65535 ? 65535 : static_cast<uint16_t>(v); }

}  // namespace

void TrimTags(TagRecord& tag) {
  TrimSpaces(tag.formatName);
  TrimSpaces(tag.title);
  TrimSpaces(tag.artist);
  TrimSpaces(tag.album);
  TrimSpaces(tag.genre);
  TrimSpaces(tag.comment);
}

int64_t ParseDecimal(std::u16string_view text, size_t* end) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (value < 0x7FFFFFFF) value = value * 10 + (text[i] - u'0');
    ++i;
  }
  if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
  if (end) *end = i;
  return negative ? -value : value;
}

void ParseTrackText(std::u16string_view text, uint16_t& track, uint16_t& trackTotal) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  size_t end = 0;
  track = Clamp16(ParseDecimal(text.substr(i), &end));
  i += end;
  while (i < text.size() && !IsDigit(text[i])) ++i;
  trackTotal = Clamp16(ParseDecimal(text.substr(i)));
}

}  // namespace tarnq::analysis
