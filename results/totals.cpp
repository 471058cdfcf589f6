// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/totals.h"

#include "lang/languages.h"
#include "platform/text.h"
#include "results/cell_text.h"

namespace tarnq::results {
namespace {

constexpr size_t kMaxStatusUnits = 511;  // one line of the status bar

std::u16string Grouped(uint64_t n) {
  return platform::FormatNumberGrouped(n > INT64_MAX ? INT64_MAX : static_cast<int64_t>(n));
}

}  // namespace

std::u16string FormatStatusText(const StatusTextInput& input) {
  using namespace status_text;
  std::u16string text;
  const TotalCounter& c = input.counter;
  if (c.files == 0 && c.bytes == 0) {
    if (input.textId == kSelected) return {};
    text = u"0 " + lang::GetText(kFiles);
  } else {
    text = lang::GetText(input.textId);
    if (c.files != 0) {
      text += u' ';
      text += Grouped(c.files);
      text += u' ';
      text += lang::GetText(c.files <= 1 ? kFile : kFiles);
    }
    if (c.bytes != 0) {
      text += c.files != 0 ? u", " : u" ";
      if (input.shortSizes) {
        text += FormatShortSize(c.bytes);
      } else {
        text += Grouped(c.bytes);
        text += u' ';
        text += lang::GetText(c.bytes <= 1 ? kByte : kBytes);
      }
    }
  }
  if (input.textId != kSelected) {
    if (input.groupCount != 0) {
      text += u", ";
      text += Grouped(input.groupCount);
      text += u' ';
      text += lang::GetText(input.groupCount <= 1 ? kGroup : kGroups);
    }
    if (input.canceled) {
      text += u" - ";
      text += lang::GetText(kSearchCanceled);
    }
    if (input.incomplete) {
      text += u" - ";
      text += lang::GetTextOrEnglish(kIncompleteTextId);
    }
  }
  if (text.size() > kMaxStatusUnits) text.resize(platform::CutUtf16(text, kMaxStatusUnits).size());
  return text;
}

}  // namespace tarnq::results
