// SPDX-License-Identifier: GPL-3.0-or-later
// The menu trees of the language library: the main window's menu bar, the addition to a dialog's
// list menu and the selection pop-up. Item texts come from the active catalogue by identifier.
#include "lang/tarnqlng/tables.h"

namespace tarnq::lang::library {
namespace {

constexpr MenuItem Command(int16_t id) { return {id, 0, nullptr}; }
constexpr MenuItem SubMenu(int16_t id, const MenuItem* items) { return {id, 0, items}; }
constexpr MenuItem kSeparator = {kSeparatorId, kMenuSeparator, nullptr};
constexpr MenuItem kEnd = {0, 0, nullptr};

constexpr MenuItem kFileMenu[] = {
    Command(102), Command(103), kSeparator,   Command(106), Command(108), Command(109),
    Command(110), Command(111), kSeparator,   Command(118), Command(119), Command(113),
    Command(114), kSeparator,   Command(112), kSeparator,   Command(100), kEnd,
};

constexpr MenuItem kEditMenu[] = {
    Command(121), kSeparator,   Command(122), Command(123), Command(124), kSeparator, Command(125),
    kSeparator,   Command(126), Command(127), Command(128), Command(129), kEnd,
};

constexpr MenuItem kSortMenu[] = {
    Command(151), Command(152), Command(165), Command(164), Command(153), Command(154), Command(155),
    Command(156), Command(157), Command(158), Command(159), Command(160), Command(161), Command(162),
    Command(163), Command(166), kSeparator,   Command(167), kEnd,
};

constexpr MenuItem kViewMenu[] = {
    Command(141), Command(142), Command(143), kSeparator, SubMenu(150, kSortMenu), kEnd,
};

constexpr MenuItem kExtraMenu[] = {
    Command(131), Command(132), kSeparator,   Command(136), Command(137),
    kSeparator,   Command(133), Command(134), kEnd,
};

constexpr MenuItem kDarkModeMenu[] = {Command(171), Command(172), Command(173), kEnd};

constexpr MenuItem kOptionsMenu[] = {
    Command(181), kSeparator,   Command(182), SubMenu(170, kDarkModeMenu),
    Command(183), Command(189), kSeparator,   Command(186),
    Command(187), Command(188), kSeparator,   Command(185),
    kEnd,
};

constexpr MenuItem kHelpMenu[] = {
    Command(201), kSeparator, Command(202), Command(203), Command(204), kSeparator, Command(206), kEnd,
};

}  // namespace

// The switch list (30000) and Help stand at the right end of the menu bar.
const MenuItem kMainMenu[] = {
    SubMenu(101, kFileMenu),
    SubMenu(120, kEditMenu),
    SubMenu(140, kViewMenu),
    SubMenu(130, kExtraMenu),
    SubMenu(180, kOptionsMenu),
    {30000, kMenuRightJustify, nullptr},
    {200, kMenuRightJustify, kHelpMenu},
    kEnd,
};

const MenuItem kListMenuAddition[] = {kSeparator, Command(113), kEnd};

const MenuItem kSelectionMenu[] = {Command(122), Command(123), Command(124), kEnd};

}  // namespace tarnq::lang::library
