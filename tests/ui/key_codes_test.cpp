// SPDX-License-Identifier: GPL-3.0-or-later
// Qt key presses as the shortcut codes that section `Keys` stores.
#include "ui/key_codes.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

namespace tarnq::ui {
namespace {

struct KeyCase {
  const char* name;
  int key;
  Qt::KeyboardModifiers modifiers;
  uint16_t code;
};
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class ShortcutCode : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ShortcutCode, IsTheStoredCodeOfTheKey) {
  const QKeyEvent event(QEvent::KeyPress, GetParam().key, GetParam().modifiers);
  EXPECT_EQ(ShortcutCodeOf(event), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ShortcutCode,
    ::testing::Values(
        KeyCase{"letter", Qt::Key_A, Qt::NoModifier, 0x41},
        KeyCase{"digit", Qt::Key_7, Qt::NoModifier, 0x37},
        KeyCase{"ctrl_f", Qt::Key_F, Qt::ControlModifier, 0x246},
        KeyCase{"all_modifiers", Qt::Key_A, Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier, 0x741},
        KeyCase{"f2", Qt::Key_F2, Qt::NoModifier, 0x71},
        KeyCase{"shift_f6", Qt::Key_F6, Qt::ShiftModifier, 0x475},
        KeyCase{"f24", Qt::Key_F24, Qt::NoModifier, 0x87},
        KeyCase{"alt_enter", Qt::Key_Return, Qt::AltModifier, 0x10D},
        KeyCase{"ctrl_space", Qt::Key_Space, Qt::ControlModifier, 0x220},
        KeyCase{"delete", Qt::Key_Delete, Qt::NoModifier, 0x2E},
        KeyCase{"pad_digit", Qt::Key_5, Qt::KeypadModifier, 0x65},
        KeyCase{"pad_plus", Qt::Key_Plus, Qt::KeypadModifier, 0x6B},
        KeyCase{"pad_divide", Qt::Key_Slash, Qt::KeypadModifier, 0x6F},
        KeyCase{"pad_enter", Qt::Key_Enter, Qt::KeypadModifier, 0x0D},
        KeyCase{"pad_arrow_is_the_arrow", Qt::Key_Up, Qt::KeypadModifier, 0x26},
        KeyCase{"comma", Qt::Key_Comma, Qt::NoModifier, 0xBC},
        KeyCase{"shifted_equal_is_plus", Qt::Key_Plus, Qt::ShiftModifier, 0x4BB},
        KeyCase{"shifted_digit", Qt::Key_Exclam, Qt::ShiftModifier, 0x431},
        KeyCase{"brace_is_bracket_key", Qt::Key_BraceLeft, Qt::ShiftModifier, 0x4DB},
        KeyCase{"backtab_is_shift_tab", Qt::Key_Backtab, Qt::NoModifier, 0x409},
        KeyCase{"lone_modifier", Qt::Key_Control, Qt::ControlModifier, 0},
        KeyCase{"no_windows_key", Qt::Key_VolumeUp, Qt::NoModifier, 0}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnq::ui
