// SPDX-License-Identifier: GPL-3.0-or-later
// The language library's tables (internal to the library).
#pragma once

#include "lang/language_record.h"

namespace tarnq::lang::library {

extern const CatalogueEntry* const kCatalogues[];
extern const MenuItem kMainMenu[];
extern const MenuItem kListMenuAddition[];
extern const MenuItem kSelectionMenu[];

}  // namespace tarnq::lang::library
