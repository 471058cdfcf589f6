// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli load: reads a results file and runs the list actions on it.
#include <cstdio>
#include <string>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "engine/search_run.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "cli/list_actions.h"
#include "cli/list_output.h"
#include "appcore/app_core.h"
#include "results/columns.h"
#include "settings/settings_store.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "results/file_operations.h"
#include "results/results_file.h"

namespace tarnq::cli {
namespace {

void PrintLoadUsage(FILE* out) {
  std::fputs(
      "Usage: tarnq-cli load [OPTIONS] FILE.tarnq\n"
      "\n"
      "Reads a saved result list and prints it; the options select duplicates and act on them.\n"
      "\n"
      "Options:\n",
      out);
  std::fputs(
      "  --settings FILE     the settings file to use instead of the user's\n"
      "  --sort KEY          order of the list (the keys of 'find --sort')\n"
      "  --reverse           reverse the order\n",
      out);
  std::fputs(kListActionHelp, out);
  std::fputs("\nExit status: 0 when everything was done, 1 when anything failed or the output is closed or\n"
             "full, 2 on a usage error, 130 after Ctrl-C, 143 after SIGTERM.\n",
             out);
}

}  // namespace

int RunLoad(std::span<char*> args) {
  ListActionOptions options;
  const char* file = nullptr;
  const char* settingsFile = nullptr;
  int sortKey = -1;
  bool reverse = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      PrintLoadUsage(stdout);
      return 0;
    }
    if (arg == "--" && i + 1 < args.size() && file == nullptr) {
      file = args[++i];
      continue;
    }
    if (arg == "--settings" || arg == "--sort") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "tarnq-cli load: %s needs a value\n", args[i]);
        return 2;
      }
      const char* value = args[++i];
      if (arg == "--settings") {
        settingsFile = value;
      } else if ((sortKey = SortKeyByName(value)) < 0) {
        std::fprintf(stderr, "tarnq-cli load: unknown sort key '%s'\n", value);
        return 2;
      }
      continue;
    }
    if (arg == "--reverse") {
      reverse = true;
      continue;
    }
    const OptionParse parsed = ParseListActionOption(args, i, options, "load");
    if (parsed == OptionParse::kError) return 2;
    if (parsed == OptionParse::kTaken) continue;
    if (arg.starts_with("-") && arg.size() > 1) {
      std::fprintf(stderr, "tarnq-cli load: unknown option '%s'\n", EscapedBytes(args[i]).c_str());
      return 2;
    }
    if (file != nullptr) {
      std::fputs("tarnq-cli load: one results file at a time\n", stderr);
      return 2;
    }
    file = args[i];
  }
  if (file == nullptr) {
    std::fputs("tarnq-cli load: no results file given\nTry 'tarnq-cli load --help'.\n", stderr);
    return 2;
  }
  if (!CheckListActionOptions(options, "load")) return 2;
  if (settingsFile != nullptr) {
    const std::u16string path = AbsolutePath(settingsFile);
    if (!platform::FileExists(path)) {
      PrintError(path, platform::err::kFileNotFound);
      return 1;
    }
    settings::SetMainSettingsOverride(path);
  }

  platform::DirectDispatcher dispatcher;
  appcore::AppCore core(settings::MainSettings(), dispatcher);
  results::ResultList& list = core.List();
  results::LoadReport report;
  const uint32_t code = core.LoadResults(platform::NameBytesToUtf16(file), &report);
  if (code != 0) {
    std::fprintf(stderr, "tarnq-cli load: %s: %s\n", EscapedBytes(file).c_str(),
                 results::OperationErrorMessage(code).c_str());
    return 1;
  }
  if (sortKey >= 0 || reverse) {
    results::SortOrder order = list.GetSortOrder();
    if (sortKey >= 0) order = {sortKey, false};
    if (reverse) order.reversed = true;
    list.SetSortOrder(order);
  }
  int status = 0;
  // Rows of another system (Windows paths) or without an absolute path are skipped and said so;
  // the rest of the list is usable. Rows that could not be taken at all make the load fail.
  if (report.badPaths + report.rejectedRows > 0) {
    std::fprintf(stderr,
                 "tarnq-cli load: %s: skipped %zu line(s) without an absolute path on this system, %zu unusable\n",
                 file, report.badPaths, report.rejectedRows);
    if (report.rejectedRows > 0) status = 1;
  }
  if (report.overlongLines > 0)
    std::fprintf(stderr, "tarnq-cli load: %s: %zu line(s) longer than 32767 bytes were cut\n", file,
                 report.overlongLines);
  // An interrupt stops the actions after the current file.
  platform::InterruptGuard interrupts(core.StopRequests());
  std::vector<std::u16string> actedOn;
  const int actions = RunListActions(core, options, "load", &actedOn);
  if (actions == 2) return 2;
  const bool shortSizes = (core.Options() & engine::kOptionShortSizes) != 0;
  if (options.paths) {
    const bool acted = options.action != FileAction::kNone && !options.dryRun;
    PrintPaths(acted ? actedOn : SelectedPaths(list), options.nul);
  } else if (options.json) {
    PrintJsonRows(list);
  } else if (!options.ExportsToStandardOutput()) {
    PrintGroups(list, results::ReadLayout(settings::MainSettings()));
    Print(stdout, ListStatusLine(list, shortSizes));
    std::fputc('\n', stdout);
  }
  return actions != 0 ? actions : status;
}

}  // namespace tarnq::cli
