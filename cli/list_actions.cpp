// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/list_actions.h"

#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cli/cli_support.h"
#include "cli/list_output.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
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

constexpr const char* kNeedsYes =
    "--trash, --delete, --wipe and --move-to need --yes when standard input is not a terminal";

using results::FileJob;
using results::JobFile;
using results::OperationOutcome;

// Messages about what was done: standard output, or standard error when the list goes out as JSON.
class Reporter {
 public:
  Reporter(bool json, const char* command, std::atomic<int32_t>& stop)
      : m_out(json ? stderr : stdout), m_command(command), m_stop(stop) {}
  // A report that cannot be written (a closed or full output) stops the work after the current
  // file, and nothing more is written.
  void Say(const std::string& line) {
    if (m_outputGone) return;
    if (std::fprintf(m_out, "%s\n", line.c_str()) < 0 || std::fflush(m_out) != 0) {
      m_outputGone = true;
      m_failed = true;
      m_stop.fetch_add(1);
    }
  }
  void Fail(std::u16string_view path, const std::string& reason) {
    std::fprintf(stderr, "tarnq-cli %s: failed: %s: %s\n", m_command, EscapedForTerminal(path).c_str(),
                 reason.c_str());
    m_failed = true;
  }
  void Failed() { m_failed = true; }
  bool AnyFailed() const { return m_failed; }
  void Done(std::u16string_view path) {
    if (m_actedOn != nullptr) m_actedOn->emplace_back(path);
  }
  void CollectInto(std::vector<std::u16string>* actedOn) { m_actedOn = actedOn; }
  void Freed(uint64_t size) {
    if (size != results::kUnknownSize) m_bytes += size;
  }
  uint64_t Bytes() const { return m_bytes; }

 private:
  FILE* m_out;
  const char* m_command;
  std::atomic<int32_t>& m_stop;
  bool m_outputGone = false;
  std::vector<std::u16string>* m_actedOn = nullptr;
  bool m_failed = false;
  uint64_t m_bytes = 0;  // of the files done
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
    m_reporter.Freed(file.size);
    m_reporter.Done(file.path);
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

uint32_t ExportToStandardOutput(const appcore::AppCore& core, results::ExportFormat format,
                                const results::ExportExtras& extras) {
  const std::string bytes = core.ComposeExport(format, extras);
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
  reporter.Say(std::to_string(outcome.done) + " file(s) " + verb + " (" + MegabytesText(reporter.Bytes()) + "), " +
               std::to_string(outcome.errors.size()) + " failed" +
               (outcome.skipped ? ", " + std::to_string(outcome.skipped) + " skipped" : "") +
               (outcome.Cancelled() ? " (cancelled)" : ""));
  if (!outcome.errors.empty() || outcome.Cancelled()) reporter.Failed();
}

const char* PlanVerb(FileAction action) {
  switch (action) {
    case FileAction::kTrash: return "Trash";
    case FileAction::kDelete: return "Delete";
    case FileAction::kWipe: return "Wipe";
    case FileAction::kMove: return "Move";
    default: return "";
  }
}

// Shows the plan on standard error: the files, then "Trash 70 files (3.6 MB)?". Asks unless --yes;
// only "y" or "yes" proceeds, anything else or the end of input is no (status 1, nothing done).
bool Confirm(const ListActionOptions& options, const FileJob& job, const char* command, int& status) {
  if (options.dryRun) return true;
  if (!options.yes && !platform::StandardInputIsTerminal()) {
    std::fprintf(stderr, "tarnq-cli %s: %s\n", command, kNeedsYes);
    status = 2;
    return false;
  }
  if (!options.quiet || !options.yes) {
    std::string plan;
    for (const JobFile& file : job.files) plan += "  " + EscapedForTerminal(file.path) + "\n";
    const size_t n = job.files.size();
    plan += std::string(PlanVerb(options.action)) + " " + std::to_string(n) + (n == 1 ? " file (" : " files (") +
            MegabytesText(job.totalBytes) + ")";
    if (options.action == FileAction::kMove) plan += " to " + EscapedForTerminal(options.moveTo);
    plan += "?";
    std::fputs(plan.c_str(), stderr);
  }
  if (options.yes) {
    if (!options.quiet) std::fputc('\n', stderr);
    return true;
  }
  std::fputs(" [y/N] ", stderr);
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) std::fputc('\n', stderr);
  for (char& c : answer) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  if (answer == "y" || answer == "yes") return true;
  std::fprintf(stderr, "tarnq-cli %s: nothing done\n", command);
  status = 1;
  return false;
}

// The deletion runs on the core's worker; its files are reported as they go.
class DeletionReport final : public appcore::AppCoreObserver {
 public:
  DeletionReport(Reporter& reporter, const char* verb, const FileJob& job) : m_reporter(reporter), m_verb(verb) {
    for (const JobFile& file : job.files) m_sizes.emplace(file.path, file.size);
  }
  void OnFileDone(appcore::FileCommand, std::u16string_view path) override {
    m_reporter.Say(std::string(m_verb) + " " + ToTerminal(path));
    m_reporter.Done(path);
    const auto it = m_sizes.find(std::u16string(path));
    if (it != m_sizes.end()) m_reporter.Freed(it->second);
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
  std::unordered_map<std::u16string, uint64_t> m_sizes;
};

// A folder given for the selection that does not exist, or holds no file of the list, is most
// likely a typing error: say so, the selection still runs. Folders are compared as the selection
// compares them (a folder named through a link is the folder it leads to).
void WarnAboutFolders(const results::ResultList& list, const ListActionOptions& options,
                      const results::FavoriteFolders& favorites, bool fromSettings) {
  results::FolderMatcher matcher(list);
  std::vector<uint32_t> folders;  // the folders of the list's rows, each once
  {
    platform::StoreGuard guard(list.RowsLock());
    std::unordered_set<uint32_t> seen;
    for (size_t i = 0; i < list.RowCount(); ++i) {
      const results::ResultRow row = list.RowAt(i);
      if (row && row.Length() != 0 && seen.insert(row.Folder()).second) folders.push_back(row.Folder());
    }
  }
  auto check = [&](std::u16string_view folder, const char* option) {
    const size_t entry = matcher.Add(folder);
    if (!matcher.Exists(entry)) {
      std::fprintf(stderr, "tarnq-cli: warning: %s %s: %s\n", option, EscapedForTerminal(folder).c_str(),
                   platform::ErrorMessage(platform::err::kPathNotFound).c_str());
      return;
    }
    for (const uint32_t f : folders)
      if (matcher.Matches(entry, f)) return;
    std::fprintf(stderr, "tarnq-cli: warning: %s %s: no file of the list lies in this folder\n", option,
                 EscapedForTerminal(folder).c_str());
  };
  for (const results::FavoriteFolder& f : favorites) {
    const bool excluded = f.marker == results::FavoriteFolder::kExcluded;
    check(f.folder, fromSettings ? (excluded ? "excluded folder (SelFav)" : "preferred folder (SelFav)")
                                 : (excluded ? "--protect" : "--prefer"));
  }
  for (const std::u16string& f : options.keepIn) check(f, "--keep-in");
  for (const std::u16string& f : options.selectIn) check(f, "--select-in");
}

}  // namespace

int ExportFormatByName(std::string_view name) {
  static constexpr std::pair<std::string_view, int> kNames[] = {
      {"txt", 1},  {"txt-utf16", 2},  {"csv", 3},       {"csv-utf16", 4},  {"html", 5},
      {"html-utf16", 6}, {"html-utf8", 7}, {"txt-utf8", 8}, {"csv-utf8", 9}};
  for (const auto& [n, number] : kNames)
    if (n == name) return number;
  if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') return name[0] - '0';
  return -1;
}

int ExportFormatOfPath(std::u16string_view path) {
  const std::u16string_view name = platform::FileNameOf(path);
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return 0;
  std::u16string extension(name.substr(dot + 1));
  for (char16_t& c : extension) c = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  if (extension == u"txt") return static_cast<int>(results::ExportFormat::kTextUtf8);
  if (extension == u"csv") return static_cast<int>(results::ExportFormat::kCsvUtf8);
  if (extension == u"htm" || extension == u"html") return static_cast<int>(results::ExportFormat::kHtmlUtf8);
  return 0;
}

const char* const kListActionHelp =
    "  --select-dupes      select every member of each group but one: the first in the list, or,\n"
    "                      when preferred folders are set (section SelFav, --prefer, --protect),\n"
    "                      one outside the preferred folders\n"
    "  --keep RULE         select every member but one, keeping: best (playable, lossless, higher\n"
    "                      bit rate, longer, tagged, older), first (in the list), newest or oldest\n"
    "                      (modification time); implies --select-dupes\n"
    "  --keep-in DIR       keep exactly one copy from DIR in each group that has one there and\n"
    "                      select all the others, other copies in DIR too (repeatable)\n"
    "  --select-in DIR     select only members inside DIR, never a group's last copy (repeatable)\n"
    "  --prefer DIR        the copies in DIR are the ones selected: a group keeps a copy from\n"
    "                      elsewhere when it has one (repeatable)\n"
    "  --protect DIR       never select a file in DIR; a group with a copy there keeps it and\n"
    "                      selects all the others (repeatable)\n"
    "  --copy-to DIR       copy the selected files into DIR (existing targets are skipped)\n"
    "  --move-to DIR       move the selected files into DIR (existing targets are skipped)\n"
    "  --trash             move the selected files to the desktop's Trash\n"
    "  --delete            delete the selected files permanently\n"
    "  --wipe              overwrite the selected files once, then delete them\n"
    "  --all-copies        let --trash, --delete, --wipe take every member of a group that is\n"
    "                      selected entirely (otherwise such groups stop the action)\n"
    "  --dry-run           print what would be done and touch nothing\n"
    "  -y, --yes           do not ask before --trash, --delete, --wipe, --move-to (required when\n"
    "                      standard input is not a terminal); the plan is still shown\n"
    "  -q, --quiet         no plan with --yes, no progress, no count of skipped files\n"
    "  --save FILE.tarnq   save the resulting list\n"
    "  --export FILE       export the resulting list; without --format the file's extension picks\n"
    "                      the UTF-8 variant (.txt text, .csv CSV, .htm/.html HTML); FILE \"-\" is\n"
    "                      standard output (needs --format; the list is then not printed)\n"
    "  --format F          1 txt (legacy code page), 2 txt-utf16, 3 csv, 4 csv-utf16, 5 html,\n"
    "                      6 html-utf16, 7 html-utf8, 8 txt-utf8, 9 csv-utf8 (number or name)\n"
    "  --columns +COL,...  add columns to the export: +group, +selected (HTML marks the selected\n"
    "                      rows), +size\n"
    "  --json              print the list as JSON lines (with \"selected\"); messages go to stderr\n"
    "  --paths             print only the selected paths (with an action: the files acted on), one\n"
    "                      per line; refused when one holds a newline; messages go to stderr\n"
    "  -0                  with --paths: end each path with NUL instead (for xargs -0)\n";

OptionParse ParseListActionOption(std::span<char*> args, size_t& i, ListActionOptions& options,
                                  const char* command) {
  const std::string_view arg = args[i];
  auto value = [&](const char*& out) {
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "tarnq-cli %s: %s needs a value\n", command, args[i]);
      return false;
    }
    out = args[++i];
    if (*out == 0) {
      std::fprintf(stderr, "tarnq-cli %s: %s needs a value, not an empty text\n", command, args[i - 1]);
      return false;
    }
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
  } else if (arg == "--keep") {
    if (!value(v)) return OptionParse::kError;
    const std::string_view rule = v;
    if (rule == "best") options.keepRule = results::KeepRule::kBest;
    else if (rule == "first") options.keepRule = results::KeepRule::kFirst;
    else if (rule == "newest") options.keepRule = results::KeepRule::kNewest;
    else if (rule == "oldest") options.keepRule = results::KeepRule::kOldest;
    else {
      std::fprintf(stderr, "tarnq-cli %s: unknown rule '%s' for --keep (best, first, newest, oldest)\n",
                   command, EscapedBytes(rule).c_str());
      return OptionParse::kError;
    }
    options.keepGiven = true;
    options.selectDupes = true;
  } else if (arg == "--keep-in" || arg == "--select-in") {
    if (!value(v)) return OptionParse::kError;
    (arg == "--keep-in" ? options.keepIn : options.selectIn).push_back(AbsolutePath(v));
    options.keepGiven = true;
    options.selectDupes = true;
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
  } else if (arg == "--quiet" || arg == "-q") {
    options.quiet = true;
  } else if (arg == "--json") {
    options.json = true;
  } else if (arg == "--paths") {
    options.paths = true;
  } else if (arg == "-0") {
    options.nul = true;
  } else if (arg == "--save") {
    if (!value(v)) return OptionParse::kError;
    options.savePath = AbsolutePath(v);
  } else if (arg == "--export") {
    if (!value(v)) return OptionParse::kError;
    options.exportPath = std::string_view(v) == "-" ? std::u16string(u"-") : AbsolutePath(v);
  } else if (arg == "--columns") {
    if (!value(v)) return OptionParse::kError;
    std::string_view list = v;
    options.columnsGiven = true;
    while (true) {
      const size_t comma = list.find(',');
      const std::string_view item = list.substr(0, comma);
      if (item == "+group") options.exportExtras.group = true;
      else if (item == "+selected") options.exportExtras.selected = true;
      else if (item == "+size") options.exportExtras.size = true;
      else {
        std::fprintf(stderr,
                     "tarnq-cli %s: --columns takes +group, +selected, +size (comma-separated), not '%s'\n",
                     command, EscapedBytes(item).c_str());
        return OptionParse::kError;
      }
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  } else if (arg == "--format") {
    if (!value(v)) return OptionParse::kError;
    options.exportFormat = ExportFormatByName(v);
    if (options.exportFormat < 0) {
      std::fprintf(stderr,
                   "tarnq-cli %s: --format takes a number from 1 to 9 or txt, txt-utf16, txt-utf8, csv, "
                   "csv-utf16, csv-utf8, html, html-utf16, html-utf8\n",
                   command);
      return OptionParse::kError;
    }
  } else {
    return OptionParse::kNotMine;
  }
  return OptionParse::kTaken;
}

bool CheckListActionOptions(const ListActionOptions& options, const char* command) {
  // Checked before any search: without someone to ask, only --yes lets a destructive action run.
  if (options.action != FileAction::kNone && !options.yes && !options.dryRun &&
      !platform::StandardInputIsTerminal()) {
    std::fprintf(stderr, "tarnq-cli %s: %s\n", command, kNeedsYes);
    return false;
  }
  if (!options.exportPath.empty() && options.exportFormat == 0 && ExportFormatOfPath(options.exportPath) == 0) {
    std::fprintf(stderr, "tarnq-cli %s: --export needs --format, or a file ending in .txt, .csv, .htm or .html\n",
                 command);
    return false;
  }
  if (options.exportPath.empty() && options.columnsGiven) {
    std::fprintf(stderr, "tarnq-cli %s: --columns belongs to --export\n", command);
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
  if (options.ExportsToStandardOutput() && options.paths) {
    std::fprintf(stderr, "tarnq-cli %s: --export - and --paths both want standard output\n", command);
    return false;
  }
  if (!options.copyTo.empty() && !PrepareFolder(options.copyTo, "--copy-to", command, options.dryRun)) return false;
  if (!options.moveTo.empty() && !PrepareFolder(options.moveTo, "--move-to", command, options.dryRun)) return false;
  if (options.nul && !options.paths) {
    std::fprintf(stderr, "tarnq-cli %s: -0 belongs to --paths\n", command);
    return false;
  }
  if (options.paths && options.json) {
    std::fprintf(stderr, "tarnq-cli %s: --paths and --json exclude each other\n", command);
    return false;
  }
  if (!options.favorites.empty() && !options.selectDupes) {
    std::fprintf(stderr, "tarnq-cli %s: --prefer and --protect belong to --select-dupes\n", command);
    return false;
  }
  return true;
}

int RunListActions(appcore::AppCore& core, const ListActionOptions& options, const char* command,
                   std::vector<std::u16string>* actedOn) {
  if (!SetUpLanguage()) return 1;
  Reporter reporter(options.json || options.paths || options.ExportsToStandardOutput(), command, core.StopRequests());
  int status = 0;
  settings::SettingsStore& store = core.Settings();
  results::ResultList& list = core.List();

  if (options.selectDupes) {
    const results::FavoriteFolders favorites =
        options.favorites.empty() ? results::ReadFavoriteFolders(store) : options.favorites;
    WarnAboutFolders(list, options, favorites, options.favorites.empty());
    results::SelectDupesResult r;
    if (options.keepGiven) r = core.SelectDupes(results::KeepChoice{options.keepRule, favorites, options.keepIn, options.selectIn});
    else r = core.SelectDupes(favorites);
    reporter.Say("selected " + std::to_string(r.selected) + " file(s) in " + std::to_string(r.groups) +
                 " group(s)" + (options.keepGiven || favorites.empty() ? "" : " by preferred folders"));
  }

  // A path with a newline would read as two; only NUL-separated output can carry it.
  if (options.paths && !options.nul) {
    for (const std::u16string& path : SelectedPaths(list)) {
      if (path.find(u'\n') == std::u16string::npos) continue;
      std::fprintf(stderr, "tarnq-cli %s: %s: a selected path holds a newline; use -0\n", command,
                   EscapedForTerminal(path).c_str());
      return 2;
    }
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
      reporter.Say(std::string("nothing selected: nothing ") + verb +
                   (options.selectDupes ? "" : " (--select-dupes or --keep selects the duplicates)"));
    } else if (options.dryRun) {
      DryRun(reporter, job, ActionInfinitive(options.action), options.moveTo, true, guarded);
    } else if (Confirm(options, job, command, status)) {
      CliObserver observer(reporter, verb);
      reporter.CollectInto(actedOn);
      OperationOutcome outcome;
      if (options.action == FileAction::kTrash) {
        outcome = core.TrashFiles(job, &observer);
      } else if (options.action == FileAction::kMove) {
        outcome = core.MoveFiles(job, options.moveTo, &observer);
      } else {
        // The same worker the desktop program uses, waited for here.
        DeletionReport report(reporter, verb, job);
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
      size_t written = 0, unstorable = 0;
      const uint32_t code = core.SaveResults(options.savePath, &written, &unstorable);
      if (code != 0) reporter.Fail(options.savePath, results::OperationErrorMessage(code));
      else reporter.Say("saved " + std::to_string(written) + " row(s) to " + ToTerminal(options.savePath));
      if (code == 0 && unstorable > 0) {
        reporter.Fail(options.savePath, std::to_string(unstorable) +
                                            " row(s) not saved: their paths hold a line break, which a results "
                                            "file cannot store");
      }
    }
  }

  if (!options.exportPath.empty()) {
    const int number = options.exportFormat != 0 ? options.exportFormat : ExportFormatOfPath(options.exportPath);
    const auto format = static_cast<results::ExportFormat>(number);
    if (options.dryRun) {
      reporter.Say("would export " + std::to_string(list.RowCount()) + " row(s) to " + ToTerminal(options.exportPath));
    } else if (options.ExportsToStandardOutput()) {
      if (const uint32_t code = ExportToStandardOutput(core, format, options.exportExtras))
        reporter.Fail(u"-", results::OperationErrorMessage(code));
    } else if (const uint32_t refused = CheckWriteTarget(options.exportPath)) {
      reporter.Fail(options.exportPath, results::OperationErrorMessage(refused));
    } else {
      const uint32_t code = core.Export(options.exportPath, format, options.exportExtras);
      if (code != 0) reporter.Fail(options.exportPath, results::OperationErrorMessage(code));
      else reporter.Say("exported " + std::to_string(list.RowCount()) + " row(s) to " + ToTerminal(options.exportPath));
    }
  }

  if (reporter.AnyFailed() && status == 0) status = 1;
  return status;
}

}  // namespace tarnq::cli
