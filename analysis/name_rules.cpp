// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/name_rules.h"

#include "platform/paths.h"
#include "platform/text.h"
#include "platform/per_thread.h"

namespace tarnq::analysis {
namespace {

char32_t Fold(char16_t c) { return platform::FoldCase(static_cast<char32_t>(c)); }

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

size_t FindIgnoringCase(std::u16string_view text, std::u16string_view run, size_t from) {
  if (run.size() > text.size()) return std::u16string_view::npos;
  for (size_t i = from; i + run.size() <= text.size(); ++i) {
    if (EqualIgnoringCase(text.substr(i, run.size()), run)) return i;
  }
  return std::u16string_view::npos;
}

// Applies one part of a template (base or extension) to the matching part of the name.
void ApplyTemplatePart(std::u16string_view tmpl, std::u16string_view name, std::u16string& out) {
  size_t j = 0;
  size_t i = 0;
  while (i < tmpl.size()) {
    char16_t c = tmpl[i];
    if (c == u'*') {
      size_t next = tmpl.find(u'*', i + 1);
      if (next == std::u16string_view::npos) {
        size_t restOfTemplate = tmpl.size() - (i + 1);
        while (name.size() - j > restOfTemplate) out.push_back(name[j++]);
        ++i;
        continue;
      }
      std::u16string_view run = tmpl.substr(i + 1, next - i - 1);
      if (run.empty()) {
        ++i;
        continue;
      }
      size_t at = FindIgnoringCase(name, run, j);
      if (at == std::u16string_view::npos) {
        // The run is not in the name: copy the rest and let the run's literals spoil the result.
        out.append(name.substr(j));
        j = name.size();
        ++i;
        continue;
      }
      size_t stop = at + run.size();
      out.append(name.substr(j, stop - j));
      j = stop;
      i = next;
      continue;
    }
    if (c == u'?') {
      if (j < name.size()) out.push_back(name[j]);
    } else {
      out.push_back(c);
    }
    if (j < name.size()) ++j;
    ++i;
  }
}

bool MatchesMask(std::u16string_view name, std::u16string_view mask, std::u16string& scratch) {
  if (mask == u".") return true;
  if (mask.find(u'\\') != std::u16string_view::npos || mask.find(u'/') != std::u16string_view::npos)
    return false;
  size_t maskDot = mask.rfind(u'.');
  // "*.EXT" without further wildcards, the form of every type mask: the template gives the name
  // back exactly when the name has an extension equal to EXT.
  if (maskDot == 1 && mask[0] == u'*' && mask.size() > 2 &&
      mask.find_first_of(u"*?", 2) == std::u16string_view::npos) {
    const size_t nameDot = name.rfind(u'.');
    return nameDot != std::u16string_view::npos && EqualIgnoringCase(name.substr(nameDot + 1), mask.substr(2));
  }
  scratch.clear();
  if (maskDot == std::u16string_view::npos) {
    ApplyTemplatePart(mask, name, scratch);
  } else {
    size_t nameDot = name.rfind(u'.');
    std::u16string_view nameBase = nameDot == std::u16string_view::npos ? name : name.substr(0, nameDot);
    std::u16string_view nameExt =
        nameDot == std::u16string_view::npos ? std::u16string_view{} : name.substr(nameDot + 1);
    ApplyTemplatePart(mask.substr(0, maskDot), nameBase, scratch);
    size_t baseLength = scratch.size();
    scratch.push_back(u'.');
    ApplyTemplatePart(mask.substr(maskDot + 1), nameExt, scratch);
    if (scratch.size() == baseLength + 1) scratch.pop_back();
  }
  return EqualIgnoringCase(scratch, name);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Scans a number at `from` followed by separators. Returns the number (0 when there is none, it
// is 0 or it exceeds 65535) and sets `rest` to the first character after the separators. The
// number ends at its first separator, so digits after the separators belong to the rest.
// `dashMode`: a "." fails, and only " " and "-" separate.
uint16_t ScanNumber(std::u16string_view name, size_t from, bool dashMode, size_t& rest) {
  uint32_t value = 0;
  size_t i = from;
  while (i < name.size() && IsDigit(name[i])) {
    value = value * 10 + (name[i] - u'0');
    if (value > 65535) return 0;
    ++i;
  }
  if (i == from || value == 0) return 0;
  bool separated = false;
  while (i < name.size()) {
    char16_t c = name[i];
    if (c == u' ' || c == u'-') {
      separated = true;
    } else if (c == u'.') {
      if (dashMode) return 0;
      separated = true;
    } else {
      break;
    }
    ++i;
  }
  if (!separated) return 0;
  rest = i;
  return static_cast<uint16_t>(value);
}

void TrimSpaces(std::u16string_view& text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
}

}  // namespace

bool MatchesMaskList(std::u16string_view path, std::u16string_view maskList) {
  std::u16string_view name = platform::FileNameOf(path);
  thread_local platform::PerThread<std::u16string> t_scratchHolder;
  std::u16string& scratch = t_scratchHolder.Get();
  while (!maskList.empty()) {
    size_t semi = maskList.find(u';');
    std::u16string_view mask = maskList.substr(0, semi);
    maskList = semi == std::u16string_view::npos ? std::u16string_view{} : maskList.substr(semi + 1);
    if (!mask.empty() && MatchesMask(name, mask, scratch)) return true;
  }
  return false;
}

uint16_t TrackFromName(std::u16string& name) {
  size_t rest = 0;
  if (uint16_t track = ScanNumber(name, 0, false, rest)) {
    name.erase(0, rest);
    return track;
  }
  for (size_t dash = name.find(u'-'); dash != std::u16string::npos; dash = name.find(u'-', dash + 1)) {
    size_t start = dash + 1;
    while (start < name.size() && name[start] == u' ') ++start;
    if (uint16_t track = ScanNumber(name, start, true, rest)) {
      name.erase(start, rest - start);
      return track;
    }
  }
  return 0;
}

void FillFromFileName(std::u16string_view path, TagRecord& tag) {
  if (!tag.artist.Empty() && !tag.title.Empty()) return;
  std::u16string_view fileName = platform::FileNameOf(path);
  if (fileName.size() > 1024) fileName = fileName.substr(0, 1024);
  size_t dot = fileName.rfind(u'.');
  if (dot != std::u16string_view::npos) fileName = fileName.substr(0, dot);
  thread_local platform::PerThread<std::u16string> t_nameHolder;
  std::u16string& name = t_nameHolder.Get();
  name.assign(fileName);
  for (char16_t& c : name) {
    if (c == u'_') c = u' ';
  }
  uint16_t track = TrackFromName(name);
  size_t dash = name.rfind(u'-');
  if (dash == std::u16string::npos) return;
  std::u16string_view all = name;
  std::u16string_view artist = all.substr(0, dash);
  std::u16string_view title = all.substr(dash + 1);
  TrimSpaces(artist);
  TrimSpaces(title);
  if (!tag.artist.Empty() && platform::CompareText(tag.artist.View(), artist) != 0) return;
  if (!tag.title.Empty() && platform::CompareText(tag.title.View(), title) != 0) return;
  if (tag.artist.Empty() && !artist.empty()) tag.artist.Assign(artist);
  if (tag.title.Empty() && !title.empty()) tag.title.Assign(title);
  if (tag.track == 0) tag.track = track;
}

}  // namespace tarnq::analysis
