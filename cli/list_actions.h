// SPDX-License-Identifier: GPL-3.0-or-later
// What tarnq-cli does with a result list, whether it came from a search (find) or a results file
// (load): select duplicates, act on the selection, save, export, and print the list.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "appcore/app_core.h"
#include "results/export.h"
#include "results/result_list.h"
#include "results/selection.h"

namespace tarnq::cli {

enum class FileAction { kNone, kTrash, kDelete, kWipe, kMove };

struct ListActionOptions {
  bool selectDupes = false;
  results::FavoriteFolders favorites;  // --prefer and --protect, in order; empty: section SelFav
  bool keepGiven = false;              // --keep, --keep-in or --select-in: select by a keep rule
  results::KeepRule keepRule = results::KeepRule::kFirst;
  std::vector<std::u16string> keepIn;    // --keep-in
  std::vector<std::u16string> selectIn;  // --select-in
  FileAction action = FileAction::kNone;
  std::u16string moveTo;
  std::u16string copyTo;
  bool dryRun = false;
  bool yes = false;
  bool allCopies = false;  // delete, wipe or trash may take every member of a group
  bool quiet = false;  // --quiet: no plan with --yes, no progress
  bool json = false;
  bool paths = false;  // --paths: print only the selected paths (or those acted on)
  bool nul = false;    // -0: NUL after each path instead of a newline
  std::u16string savePath;
  std::u16string exportPath;
  int exportFormat = 0;
  // "--export -": the export goes to standard output, and the list is not printed.
  bool ExportsToStandardOutput() const { return exportPath == u"-"; }
  results::ExportExtras exportExtras;  // --columns +group,+selected,+size
  bool columnsGiven = false;
};

// The export format for a --format value: 1-9 or a name (txt, txt-utf16, txt-utf8, csv, ...);
// -1 when it is neither.
int ExportFormatByName(std::string_view name);
// The UTF-8 format a file's extension asks for (.txt 8, .csv 9, .htm/.html 7); 0 for others.
int ExportFormatOfPath(std::u16string_view path);

// The help lines of these options.
extern const char* const kListActionHelp;

enum class OptionParse { kNotMine, kTaken, kError };
// Looks at args[i]: takes an action option (and its value, advancing i past it), or tells that the
// argument is not one of them. Errors are printed with `command` in front.
OptionParse ParseListActionOption(std::span<char*> args, size_t& i, ListActionOptions& options,
                                  const char* command);
// Checks combinations after parsing; prints and returns false when they do not fit.
bool CheckListActionOptions(const ListActionOptions& options, const char* command);

// Runs the options on the list in this order: select duplicates, copy, the one destructive
// action (trash, delete, wipe or move), save, export. Messages go to standard output, or to
// standard error with --json (the list itself is printed by the caller). Returns the exit status:
// 0, 1 when anything failed or was declined, 2 when a destructive action lacks --yes and no one
// can be asked. A destructive action first shows its plan (the files and their size).
// `actedOn`, when given, receives the paths of the files the destructive action handled.
int RunListActions(appcore::AppCore& core, const ListActionOptions& options, const char* command,
                   std::vector<std::u16string>* actedOn = nullptr);

}  // namespace tarnq::cli
