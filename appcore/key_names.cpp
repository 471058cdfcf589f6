// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/key_names.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "appcore/shortcuts.h"
#include "lang/languages.h"

namespace tarnq::appcore {
namespace {

constexpr int kKeyNameBase = 9000;  // catalogue id of a key's name = 9000 + virtual-key code
constexpr int kAltName = 9018;
constexpr int kCtrlName = 9017;
constexpr int kShiftName = 9016;
constexpr int kNumPadName = 9021;
constexpr int kGrayName = 9024;

// The keys whose names come from the catalogue.
constexpr uint8_t kNamedKeys[] = {
    0x08, 0x09, 0x0C, 0x0D, 0x13, 0x14, 0x1B,                    // Back ... Escape
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,        // Space ... Down
    0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E,                          // Select ... Delete
    0x90, 0x91,                                                  // Numlock, Scroll
};

std::u16string Word(int identifier) { return lang::GetMenuText(identifier); }

std::u16string Decimal(int value) {
  std::u16string out;
  for (const char c : std::to_string(value)) out.push_back(static_cast<char16_t>(c));
  return out;
}

std::u16string Hex(uint8_t value) {
  constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  return {u'0', u'x', kDigits[value >> 4], kDigits[value & 0xF]};
}

std::u16string KeyPart(uint8_t vk, PunctuationLayout layout) {
  if (vk >= 0x70 && vk <= 0x87) {
    std::u16string name(1, u'F');
    return name.append(Decimal(vk - 0x6F));
  }
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::u16string(1, vk);
  if (vk >= 0x60 && vk <= 0x69) return Word(kNumPadName) + char16_t(u'0' + (vk - 0x60));
  switch (vk) {
    case 0x6A: return Word(kGrayName) + u" *";
    case 0x6B: return Word(kGrayName) + u" +";
    case 0x6D: return Word(kGrayName) + u" -";
    case 0x6F: return Word(kGrayName) + u" /";
    default: break;
  }
  if (std::find(std::begin(kNamedKeys), std::end(kNamedKeys), vk) != std::end(kNamedKeys)) {
    std::u16string name = Word(kKeyNameBase + vk);
    if (!name.empty()) return name;
  }
  if (layout != nullptr) {
    if (const char16_t c = layout(vk); c != 0) return std::u16string(1, c);
  }
  return Hex(vk);
}

}  // namespace

char16_t UsPunctuation(uint8_t virtualKey) {
  switch (virtualKey) {
    case 0xBA: return u';';
    case 0xBB: return u'=';
    case 0xBC: return u',';
    case 0xBD: return u'-';
    case 0xBE: return u'.';
    case 0xBF: return u'/';
    case 0xC0: return u'`';
    case 0xDB: return u'[';
    case 0xDC: return u'\\';
    case 0xDD: return u']';
    case 0xDE: return u'\'';
    case 0xE2: return u'\\';
    default: return 0;
  }
}

std::u16string KeyName(uint32_t code, PunctuationLayout layout) {
  if (code == 0) return {};
  std::u16string name;
  if (code & kAltBit) name += Word(kAltName) + u"+";
  if (code & kCtrlBit) name += Word(kCtrlName) + u"+";
  if (code & kShiftBit) name += Word(kShiftName) + u"+";
  const auto vk = static_cast<uint8_t>(code & 0xFF);
  if (vk != 0) name += KeyPart(vk, layout);
  return name;
}

}  // namespace tarnq::appcore
