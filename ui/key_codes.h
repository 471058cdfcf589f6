// SPDX-License-Identifier: GPL-3.0-or-later
// Qt key events as the shortcut codes the settings store: the Windows virtual-key code in the low 8
// bits, 0x100 with Alt, 0x200 with Ctrl, 0x400 with Shift. Keys typed on the numeric pad get the
// pad's codes; punctuation keys get the codes of the US layout's keys that type them.
#pragma once

#include <cstdint>

class QKeyEvent;

namespace tarnq::ui {

// The virtual-key code of a Qt key (Qt::Key) typed with or without the keypad modifier; 0 when
// the key has none (a lone modifier, a key no Windows keyboard has).
uint8_t VirtualKeyOf(int qtKey, bool keypad);

// The shortcut code of a key press; 0 when the key has none.
uint16_t ShortcutCodeOf(const QKeyEvent& event);

}  // namespace tarnq::ui
