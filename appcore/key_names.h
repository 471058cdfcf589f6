// SPDX-License-Identifier: GPL-3.0-or-later
// How a shortcut code is shown: the modifiers in the order "Alt", "Ctrl", "Shift", each followed by
// "+", then the key. F1-F24 as "F" and the number, letters and digits as themselves, the numeric
// pad as "Num" and the digit and "Gray *", "Gray +", "Gray -", "Gray /" for its operators, named
// keys ("Back", "Space", "Prior", ...) and the modifier words from the active catalogue (9000 +
// virtual-key code), punctuation keys as the character they type.
#pragma once

#include <cstdint>
#include <string>

namespace tarnq::appcore {

// The character a punctuation key (the VK_OEM_* codes 0xBA-0xC0, 0xDB-0xDF, 0xE2) types without
// modifiers; 0 when it types none. A front end that knows the user's keyboard layout supplies it.
using PunctuationLayout = char16_t (*)(uint8_t virtualKey);

// The US layout: 0xBA ';', 0xBB '=', 0xBC ',', 0xBD '-', 0xBE '.', 0xBF '/', 0xC0 '`', 0xDB '[',
// 0xDC '\', 0xDD ']', 0xDE '\'', 0xE2 '\'.
char16_t UsPunctuation(uint8_t virtualKey);

// The name of `code` (see shortcuts.h). A key this program has no name for is shown as its
// virtual-key code in hexadecimal ("0x6E"); code 0 gives "".
std::u16string KeyName(uint32_t code, PunctuationLayout layout = UsPunctuation);

}  // namespace tarnq::appcore
