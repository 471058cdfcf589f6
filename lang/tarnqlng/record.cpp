// SPDX-License-Identifier: GPL-3.0-or-later
// The language library's one export.
#include "lang/tarnqlng/tables.h"

namespace {

const tarnq::lang::LanguageRecord kRecord = {
    tarnq::lang::library::kCatalogues,
    tarnq::lang::library::kMainMenu,
    tarnq::lang::library::kListMenuAddition,
    tarnq::lang::library::kSelectionMenu,
};

}  // namespace

// Returns the library's static tables; the caller keeps the pointer and never frees anything.
#ifdef _WIN32
#define TARNQLNG_EXPORT __declspec(dllexport)
#else
#define TARNQLNG_EXPORT __attribute__((visibility("default")))
#endif
extern "C" TARNQLNG_EXPORT const tarnq::lang::LanguageRecord* r() { return &kRecord; }
