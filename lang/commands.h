// SPDX-License-Identifier: GPL-3.0-or-later
// The command table: every menu command with the name it has in the shortcut dialog's fall-back
// list. Section `Keys` normally names commands by their four-letter catalogue key; these names
// may stand there too.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "lang/command_id.h"

namespace tarnq::lang {

struct CommandName {
  CommandId id;
  const char* name;  // null for commands without a table name
};

// The commands in menu order.
std::span<const CommandName> CommandTable();

// The table name of command `id` (empty when it has none).
std::string_view CommandTableName(int id);

// The command a name in section `Keys` stands for: first the four-letter catalogue keys of the
// active language library (case-sensitive), then the table names. 0 when neither knows the name
// (so "-" disables a shortcut).
int CommandOfName(std::u16string_view name);

}  // namespace tarnq::lang
