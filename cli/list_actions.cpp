#include "cli/list_actions.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <unordered_set>

#include "cli/cli_support.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "results/export.h"
#include "results/file_operations.h"
#include "results/results_file.h"
#include "settings/colors.h"
#include "settings/settings_store.h"

namespace tarnq::cli {
namespace {

using results::FileJob;
using results::JobFile;
using results::OperationOutcome;

// Messages about what was done: standard output, or standard error when the list goes out as JSON.
class Reporter {
 public:
  explicit Reporter(bool quietOutput) : m_out(quietOutput ? stderr : stdout) {}
  // Each line goes out at once: a redirected record of what was deleted survives an interrupt.
  void Say(const std::string& line) {
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
  }
  void Fail(std::u16string_view path, const std::string& reason) {
    std::fprintf(stderr, "failed: %s: %s\n", ToTerminal(path).c_str(), reason.c_str());
    m_failed = true;
  }
  void Failed() { m_failed = true; }
  bool AnyFailed() const { return m_failed; }

 private:
  FILE* m_out;
  bool m_failed = false;
};

class CliObserver : public results::FileOperationObserver {
 public:
  CliObserver(Reporter& reporter, const char* verb) : m_reporter(reporter), m_verb(verb) {}
  void OnError(const results::FileError& error) override { m_reporter.Fail(error.path, error.Message()); }
  void OnDone(const JobFile& file, std::u16string_view target) override {
    m_done.insert(file.path);
    std::string line = std::string(m_verb) + " " + ToTerminal(file.path);
    if (!target.empty()) line += " -> " + ToTerminal(target);
    m_reporter.Say(line);
  }
  platform::ExistsChoice OnExists(std::u16string_view source, std::u16string_view target) override {
    m_reporter.Say("skipped " + ToTerminal(source) + ": " + ToTerminal(target) + " exists");
    return platform::ExistsChoice::kSkip;
  }
  const std::unordered_set<std::u16string>& Done() const { return m_done; }

 private:
  Reporter& m_reporter;
  const char* m_verb;
  std::unordered_set<std::u16string> m_done;
};

// Save and export write regular files only: a device, FIFO or folder at the target is refused
// (a link to a regular file is written where it points).
uint32_t CheckWriteTarget(std::u16string_view path) {
  platform::FileStatus status;
  if (platform::GetFileStatus(path, status, true) != 0) return 0;  // a new file (or the error comes later)
  return status.isRegular ? 0 : platform::err::kNotRegularFile;
}

uint32_t ExportToStandardOutput(appcore::AppCore& core, results::ExportFormat format) {
  settings::SettingsStore& store = core.Settings();
  const std::vector<uint32_t> colors = results::SchemeBackgrounds(settings::ReadColorScheme(store, "Color"));
  const std::string bytes =
      results::ComposeExport(results::BuildExportTable(core.List(), results::ReadLayout(store), colors), format);
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
    return platform::err::kWriteFault;
  return 0;
}

const char* ActionVerb(FileAction action) {
  switch (action) {
    case FileAction::kTrash: return "trashed";
    case FileAction::kDelete: return "deleted";
    case FileAction::kWipe: return "wiped";
    case FileAction::kMove: return "moved";
    default: return "";
  }
}

const char* ActionInfinitive(FileAction action) {
  switch (action) {
    case FileAction::kTrash: return "trash";
    case FileAction::kDelete: return "delete";
    case FileAction::kWipe: return "wipe";
    case FileAction::kMove: return "move";
    default: return "";
  }
}

const char* ActionQuestion(FileAction action) {
  switch (action) {
    case FileAction::kTrash: return "Move %zu file(s) to the Trash?";
    case FileAction::kDelete: return "Delete %zu file(s) permanently?";
    case FileAction::kWipe: return "Wipe (overwrite and delete) %zu file(s)?";
    case FileAction::kMove: return "Move %zu file(s)?";
    default: return "";
  }
}

// Prints what an action would do to each file, and which files would fail the checks.
void DryRun(Reporter& reporter, const FileJob& job, const char* verb, std::u16string_view target, bool check,
            bool lastCopyGuard = false) {
  for (const JobFile& file : job.files) {
    uint32_t code = check ? results::VerifyJobFile(job, file) : 0;
    if (code == 0 && lastCopyGuard) code = results::VerifyKeptCopy(job, file);
    std::string line = std::string("would ") + (code != 0 ? "fail to " : "") + verb + " " + ToTerminal(file.path);
    if (!target.empty()) line += " -> " + ToTerminal(target);
    if (code != 0) line += ": " + results::OperationErrorMessage(code);
    reporter.Say(line);
  }
}

void Summarise(Reporter& reporter, const OperationOutcome& outcome, const char* verb) {
  reporter.Say(std::to_string(outcome.done) + " file(s) " + verb + ", " + std::to_string(outcome.errors.size()) +
               " failed" + (outcome.skipped ? ", " + std::to_string(outcome.skipped) + " skipped" : "") +
               (outcome.Cancelled() ? " (cancelled)" : ""));
  if (!outcome.errors.empty() || outcome.Cancelled()) reporter.Failed();
}

bool Confirm(const ListActionOptions& options, size_t files, int& status) {
  if (options.yes || options.dryRun) return true;
  if (!platform::StandardInputIsTerminal()) {
    std::fputs("tarnq-cli: --trash, --delete, --wipe and --move-to need --yes when standard input is not a terminal\n",
               stderr);
    status = 2;
    return false;
  }
  std::fprintf(stderr, ActionQuestion(options.action), files);
  std::fputs(" [y/N] ", stderr);
  std::string answer;
  std::getline(std::cin, answer);
  if (answer == "y" || answer == "Y" || answer == "yes") return true;
  std::fputs("Nothing done.\n", stderr);
  status = 1;
  return false;
}

// The deletion runs on the core's worker; its files are reported as they go.
class DeletionReport final : public appcore::AppCoreObserver {
 public:
  DeletionReport(Reporter& reporter, const char* verb) : m_reporter(reporter), m_verb(verb) {}
  void OnFileDone(appcore::FileCommand, std::u16string_view path) override {
    m_reporter.Say(std::string(m_verb) + " " + ToTerminal(path));
  }
  void OnFileError(appcore::FileCommand, const results::FileError& error) override {
    m_reporter.Fail(error.path, error.Message());
  }
  void OnFileOperationFinished(appcore::FileCommand, const OperationOutcome& outcome) override {
    m_outcome = outcome;
  }
  const OperationOutcome& Outcome() const { return m_outcome; }

 private:
  Reporter& m_reporter;
  const char* m_verb;
  OperationOutcome m_outcome;
};

}  // namespace

const char* const kListActionHelp =
    "  --select-dupes      select every member of each group but one: the first in the list, or\n"
    "                      with preferred folders the lowest-scored (section SelFav, or --prefer/--protect)\n"
    "  --prefer DIR        a preferred folder: its members are selected first (repeatable)\n"
    "  --protect DIR       an excluded folder: its members are never selected (repeatable)\n"
    "  --copy-to DIR       copy the selected files into DIR (existing targets are skipped)\n"
    "  --move-to DIR       move the selected files into DIR (existing targets are skipped)\n"
    "  --trash             move the selected files to the desktop's Trash\n"
    "  --delete            delete the selected files permanently\n"
    "  --wipe              overwrite the selected files once, then delete them\n"
    "  --all-copies        let --trash, --delete, --wipe take every member of a group that is\n"
    "                      selected entirely (otherwise such groups stop the action)\n"
    "  --dry-run           print what would be done and touch nothing\n"
    "  --yes               do not ask before --trash, --delete, --wipe, --move-to (required when\n"
    "                      standard input is not a terminal)\n"
    "  --save FILE.tarnq   save the resulting list\n"
    "  --export FILE --format N   (FILE \"-\": standard output, the list is not printed)\n"
    "                      export the resulting list: 1 text, 2 text UTF-16, 3 CSV, 4 CSV UTF-16,\n"
    "                      5 HTML, 6 HTML UTF-16, 7 HTML UTF-8\n"
    "  --json              print the list as JSON lines (with \"selected\"); messages go to stderr\n";

OptionParse ParseListActionOption(std::span<char*> args, size_t& i, ListActionOptions& options,
                                  const char* command) {
  const std::string_view arg = args[i];
  auto value = [&](const char*& out) {
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "tarnq-cli %s: %s needs a value\n", command, args[i]);
      return false;
    }
    out = args[++i];
    return true;
  };
  auto setAction = [&](FileAction action) {
    if (options.action != FileAction::kNone && options.action != action) {
      std::fprintf(stderr, "tarnq-cli %s: only one of --trash, --delete, --wipe, --move-to at a time\n", command);
      return false;
    }
    options.action = action;
    return true;
  };
  const char* v = nullptr;
  if (arg == "--select-dupes") {
    options.selectDupes = true;
  } else if (arg == "--prefer" || arg == "--protect") {
    if (!value(v)) return OptionParse::kError;
    const char16_t marker = arg == "--prefer" ? results::FavoriteFolder::kPreferred : results::FavoriteFolder::kExcluded;
    options.favorites.push_back({marker, AbsolutePath(v)});
  } else if (arg == "--trash" || arg == "--delete" || arg == "--wipe") {
    if (!setAction(arg == "--trash" ? FileAction::kTrash : arg == "--delete" ? FileAction::kDelete : FileAction::kWipe))
      return OptionParse::kError;
  } else if (arg == "--move-to") {
    if (!value(v) || !setAction(FileAction::kMove)) return OptionParse::kError;
    options.moveTo = AbsolutePath(v);
  } else if (arg == "--copy-to") {
    if (!value(v)) return OptionParse::kError;
    options.copyTo = AbsolutePath(v);
  } else if (arg == "--all-copies") {
    options.allCopies = true;
  } else if (arg == "--dry-run") {
    options.dryRun = true;
  } else if (arg == "--yes" || arg == "-y") {
    options.yes = true;
  } else if (arg == "--json") {
    options.json = true;
  } else if (arg == "--save") {
    if (!value(v)) return OptionParse::kError;
    options.savePath = AbsolutePath(v);
  } else if (arg == "--export") {
    if (!value(v)) return OptionParse::kError;
    options.exportPath = std::string_view(v) == "-" ? std::u16string(u"-") : AbsolutePath(v);
  } else if (arg == "--format") {
    if (!value(v)) return OptionParse::kError;
    const std::string_view number = v;
    options.exportFormat = number.size() == 1 && number[0] >= '1' && number[0] <= '7' ? number[0] - '0' : -1;
    if (options.exportFormat < 0) {
      std::fprintf(stderr, "tarnq-cli %s: --format takes a number from 1 to 7\n", command);
      return OptionParse::kError;
    }
  } else {
    return OptionParse::kNotMine;
  }
  return OptionParse::kTaken;
}

bool CheckListActionOptions(const ListActionOptions& options, const char* command) {
  if (!options.exportPath.empty() && options.exportFormat == 0) {
    std::fprintf(stderr, "tarnq-cli %s: --export needs --format N (1-7)\n", command);
    return false;
  }
  if (options.exportPath.empty() && options.exportFormat != 0) {
    std::fprintf(stderr, "tarnq-cli %s: --format belongs to --export\n", command);
    return false;
  }
  if (options.ExportsToStandardOutput() && options.json) {
    std::fprintf(stderr, "tarnq-cli %s: --export - and --json both want standard output\n", command);
    return false;
  }
  if (!options.favorites.empty() && !options.selectDupes) {
    std::fprintf(stderr, "tarnq-cli %s: --prefer and --protect belong to --select-dupes\n", command);
    return false;
  }
  return true;
}

int RunListActions(appcore::AppCore& core, const ListActionOptions& options) {
  if (!SetUpLanguage()) return 1;
  Reporter reporter(options.json || options.ExportsToStandardOutput());
  int status = 0;
  settings::SettingsStore& store = core.Settings();
  results::ResultList& list = core.List();

  if (options.selectDupes) {
    const results::FavoriteFolders favorites =
        options.favorites.empty() ? results::ReadFavoriteFolders(store) : options.favorites;
    const results::SelectDupesResult r = core.SelectDupes(favorites);
    reporter.Say("selected " + std::to_string(r.selected) + " file(s) in " + std::to_string(r.groups) +
                 " group(s)" + (favorites.empty() ? "" : " by preferred folders"));
  }

  // With --copy-to before a destructive action, only the files whose copy succeeded may go.
  bool copied = false;
  std::unordered_set<std::u16string> copiedFiles;
  if (!options.copyTo.empty()) {
    const FileJob job = core.Snapshot();
    if (options.dryRun) {
      DryRun(reporter, job, "copy", options.copyTo, false);
    } else if (!job.Empty()) {
      CliObserver observer(reporter, "copied");
      Summarise(reporter, core.CopyFiles(job, options.copyTo, &observer), "copied");
      copiedFiles = observer.Done();
      copied = true;
    }
  }

  if (options.action != FileAction::kNone) {
    FileJob job = core.Snapshot();
    const char* verb = ActionVerb(options.action);
    if (copied) {
      std::erase_if(job.files, [&](const JobFile& file) {
        if (copiedFiles.contains(file.path)) return false;
        reporter.Fail(file.path, results::OperationErrorMessage(results::op_error::kCopyFailed));
        return true;
      });
    }
    const bool guarded = options.action != FileAction::kMove;
    if (guarded && job.groupsLosingEveryCopy > 0 && !job.Empty()) {
      const std::string warning = std::to_string(job.groupsLosingEveryCopy) + " groups would lose every copy";
      if (!options.allCopies && !options.dryRun) {
        std::fprintf(stderr, "tarnq-cli: %s (every member selected); add --all-copies to go on. Nothing done.\n",
                     warning.c_str());
        return 1;
      }
      reporter.Say(warning);
    }
    if (job.Empty()) {
      reporter.Say(std::string("nothing selected: nothing ") + verb);
    } else if (options.dryRun) {
      DryRun(reporter, job, ActionInfinitive(options.action), options.moveTo, true, guarded);
    } else if (Confirm(options, job.files.size(), status)) {
      CliObserver observer(reporter, verb);
      OperationOutcome outcome;
      if (options.action == FileAction::kTrash) {
        outcome = core.TrashFiles(job, &observer);
      } else if (options.action == FileAction::kMove) {
        outcome = core.MoveFiles(job, options.moveTo, &observer);
      } else {
        // The same worker the desktop program uses, waited for here.
        DeletionReport report(reporter, verb);
        core.AddObserver(&report);
        if (core.StartDelete(job, options.action == FileAction::kWipe)) {
          core.Wait();
          outcome = report.Outcome();
        } else {
          outcome.code = platform::err::kAccessDenied;
        }
        core.RemoveObserver(&report);
      }
      Summarise(reporter, outcome, verb);
    } else {
      return status;
    }
  }
  if (!options.dryRun && (!options.copyTo.empty() || options.action == FileAction::kMove)) store.Flush();

  if (!options.savePath.empty()) {
    if (options.dryRun) {
      reporter.Say("would save " + std::to_string(list.RowCount()) + " row(s) to " + ToTerminal(options.savePath));
    } else if (const uint32_t refused = CheckWriteTarget(options.savePath)) {
      reporter.Fail(options.savePath, results::OperationErrorMessage(refused));
    } else {
      size_t written = 0;
      const uint32_t code = core.SaveResults(options.savePath, &written);
      if (code != 0) reporter.Fail(options.savePath, results::OperationErrorMessage(code));
      else reporter.Say("saved " + std::to_string(written) + " row(s) to " + ToTerminal(options.savePath));
    }
  }

  if (!options.exportPath.empty()) {
    const auto format = static_cast<results::ExportFormat>(options.exportFormat);
    if (options.dryRun) {
      reporter.Say("would export " + std::to_string(list.RowCount()) + " row(s) to " + ToTerminal(options.exportPath));
    } else if (options.ExportsToStandardOutput()) {
      if (const uint32_t code = ExportToStandardOutput(core, format))
        reporter.Fail(u"-", results::OperationErrorMessage(code));
    } else if (const uint32_t refused = CheckWriteTarget(options.exportPath)) {
      reporter.Fail(options.exportPath, results::OperationErrorMessage(refused));
    } else {
      const uint32_t code = core.Export(options.exportPath, format);
      if (code != 0) reporter.Fail(options.exportPath, results::OperationErrorMessage(code));
      else reporter.Say("exported " + std::to_string(list.RowCount()) + " row(s) to " + ToTerminal(options.exportPath));
    }
  }

  if (reporter.AnyFailed() && status == 0) status = 1;
  return status;
}

}  // namespace tarnq::cli
