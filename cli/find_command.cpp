// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli find: a whole search without a window, printed as the list shows it or as JSON Lines.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/list_actions.h"
#include "cli/list_output.h"
#include "appcore/app_core.h"
#include "engine/search_run.h"
#include "lang/languages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/terminal.h"
#include "platform/text.h"
#include "platform/time.h"
#include "results/columns.h"
#include "settings/settings_store.h"

namespace tarnq::cli {
namespace {

constexpr const char* kFindUsage =
    "Usage: tarnq-cli find [OPTIONS] [FOLDER or FILE...]\n"
    "\n"
    "Searches the folders (and their subfolders) and files for duplicate music files and prints the groups\n"
    "of duplicates as the result list shows them, then the status line.\n"
    "\n"
    "Options:\n"
    "  --preset FILE.tnq         criteria, filter and folders from a preset file; folders given\n"
    "                            on the command line are added to its folders\n"
    "  --exclude DIR             skip DIR and everything below it (repeatable)\n"
    "  --no-recurse              search only the files directly in the folders\n"
    "  --similar                 compare Artist and Title by similarity (default 80 % each)\n"
    "  --artist PCT, --title PCT similarity percentages (0-100; imply --similar)\n"
    "  --duration-tolerance SEC  largest difference of the playing times; -1 = not compared\n"
    "                            (default without a preset: -1)\n"
    "  --same FIELD[,FIELD...]   further fields that must be equal: album, track, genre,\n"
    "                            bitrate, bpm, type\n"
    "  --filter TEXT             a file filter in the preset's \"Filter\" form, e.g. '+*.mp3;-*live*'\n"
    "  --cache FILE              the information cache file to use (default: the settings'\n"
    "                            MP3Cache, else ~/.config/Quillworks/MP3Cache)\n"
    "  --no-cache                neither read nor write the information cache\n"
    "  --settings FILE           the settings file to use instead of the user's\n"
    "  --sort KEY                order of the list: name, ext, path, artist, title, album, track,\n"
    "                            genre, bitrate, duration, type, comment, bpm, size, time, none\n"
    "  --reverse                 reverse the order\n"
    "  -h, --help                print this help\n"
    "  -v, --verbose             name each skipped file with the reason, echo the filter\n"
    "\n"
    "What to do with the groups found:\n";

constexpr const char* kFindUsageNotes =
    "\n"
    "Without --preset the criteria are those of an empty preset: Artist and Title equal (ignoring\n"
    "case), playing time not compared. Ctrl-C stops the search like the Stop command.\n"
    "Exit status: 0 on success (also when nothing was found); 1 on failure, when a folder could\n"
    "not be searched or a file was unreadable, or when the output is closed or full; 2 on a usage\n"
    "error; 130 after Ctrl-C, 143 after SIGTERM.\n";

struct FindOptions {
  std::optional<std::u16string> presetFile;
  std::vector<std::u16string> folders;
  std::vector<std::u16string> excluded;
  bool noRecurse = false;
  bool similar = false;
  std::optional<uint32_t> artist, title;
  std::optional<int32_t> tolerance;
  uint32_t same = 0;
  bool sameGiven = false;
  std::optional<std::u16string> filter;
  std::optional<std::u16string> cacheFile;
  bool noCache = false;
  std::optional<std::u16string> settingsFile;
  std::optional<int> sortKey;
  bool reverse = false;
  bool quiet = false;
  bool verbose = false;
  ListActionOptions actions;  // --json, selection and what to do with the selected files
};

constexpr std::pair<std::string_view, uint32_t> kSameNames[] = {
    {"album", 0x1}, {"track", 0x2}, {"genre", 0x4}, {"bitrate", 0x8}, {"bpm", 0x10}, {"type", 0x20}};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tarnq-cli find: %s\nTry 'tarnq-cli find --help'.\n", message.c_str());
  return 2;
}

bool ParseNumber(std::string_view text, int64_t low, int64_t high, int64_t& value) {
  if (text.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > 1000000000) return false;
  }
  value = negative ? -v : v;
  return value >= low && value <= high;
}

// Parses the arguments; returns 0, or the exit status of a usage error (help gives -1).
int ParseArguments(std::span<char*> args, FindOptions& o) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      o.folders.push_back(AbsolutePath(arg));
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") return -1;
    auto value = [&](std::string_view& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return !out.empty();  // an empty value is never meant
    };
    const OptionParse action = ParseListActionOption(args, i, o.actions, "find");
    if (action == OptionParse::kError) return 2;
    if (action == OptionParse::kTaken) continue;
    std::string_view v;
    int64_t n = 0;
    if (arg == "--no-recurse") o.noRecurse = true;
    else if (arg == "--similar") o.similar = true;
    else if (arg == "--no-cache") o.noCache = true;
    else if (arg == "--reverse") o.reverse = true;
    else if (arg == "--verbose" || arg == "-v") o.verbose = true;
    else if (arg == "--preset") {
      if (!value(v)) return UsageError("--preset needs a file");
      o.presetFile = AbsolutePath(v);
    } else if (arg == "--exclude") {
      if (!value(v)) return UsageError("--exclude needs a folder");
      o.excluded.push_back(AbsolutePath(v));
    } else if (arg == "--artist" || arg == "--title") {
      if (!value(v) || !ParseNumber(v, 0, 100, n))
        return UsageError(std::string(arg) + " needs a percentage from 0 to 100");
      (arg == "--artist" ? o.artist : o.title) = static_cast<uint32_t>(n);
    } else if (arg == "--duration-tolerance") {
      if (!value(v) || !ParseNumber(v, -1, 1000000, n))
        return UsageError("--duration-tolerance needs a number of seconds (-1 = off)");
      o.tolerance = static_cast<int32_t>(n);
    } else if (arg == "--same") {
      if (!value(v)) return UsageError("--same needs fields");
      o.sameGiven = true;
      size_t pos = 0;
      while (pos <= v.size()) {
        size_t end = v.find(',', pos);
        if (end == std::string_view::npos) end = v.size();
        const std::string_view field = v.substr(pos, end - pos);
        pos = end + 1;
        if (field.empty()) continue;
        bool known = false;
        for (const auto& [name, bit] : kSameNames) {
          if (field == name) {
            o.same |= bit;
            known = true;
          }
        }
        if (!known) return UsageError("unknown field '" + EscapedBytes(field) + "' for --same");
      }
    } else if (arg == "--filter") {
      if (!value(v)) return UsageError("--filter needs a filter text");
      // Decoded as file names are, so a mask with bytes that are not UTF-8 matches those bytes.
      o.filter = platform::NameBytesToUtf16(v);
      if (const std::u16string bad = engine::FirstBadFilterItem(*o.filter); !bad.empty())
        return UsageError("--filter: item '" + EscapedForTerminal(bad) + "' is not a filter item");
    } else if (arg == "--cache") {
      if (!value(v)) return UsageError("--cache needs a file");
      o.cacheFile = AbsolutePath(v);
    } else if (arg == "--settings") {
      if (!value(v)) return UsageError("--settings needs a file");
      o.settingsFile = AbsolutePath(v);
    } else if (arg == "--sort") {
      if (!value(v)) return UsageError("--sort needs a key");
      if (const int key = SortKeyByName(v); key >= 0) o.sortKey = key;
      if (!o.sortKey) return UsageError("unknown sort key '" + EscapedBytes(v) + "' for --sort");
    } else {
      return UsageError("unknown option '" + EscapedBytes(arg) + "'");
    }
  }
  if (o.noCache && o.cacheFile) return UsageError("--cache and --no-cache exclude each other");
  if (o.cacheFile && !PrepareFolder(platform::FolderOf(*o.cacheFile), "--cache", "find", o.actions.dryRun)) return 2;
  if (!CheckListActionOptions(o.actions, "find")) return 2;
  o.quiet = o.actions.quiet;
  return 0;
}

// --- The search's surroundings on a terminal ----------------------------------------------------

// Progress on standard error: the totals and the folder being listed, at most ten times a second.
// Without a user-interface thread the core reports from its workers, so this takes a lock.
class TerminalProgress final : public appcore::AppCoreObserver {
 public:
  TerminalProgress(bool show, bool shortSizes) : m_show(show), m_shortSizes(shortSizes) {}
  void OnSearchProgress(const appcore::SearchProgressEvent& event) override {
    if (!m_show || event.progress.phase == engine::SearchPhase::kIdle) return;
    std::lock_guard lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    if (now - m_last < std::chrono::milliseconds(100)) return;
    m_last = now;
    std::string line = ToTerminal(engine::SearchStatusText(event.progress, m_shortSizes));
    if (!event.folder.empty()) line += "  " + ToTerminal(event.folder);
    if (line.size() > 110) line = line.substr(0, 50) + "..." + line.substr(line.size() - 57);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    m_shown = true;
  }
  void Finish() {
    std::lock_guard lock(m_mutex);
    if (m_shown) std::fputs("\r\033[K", stderr);
    m_shown = false;
  }

 private:
  bool m_show;
  bool m_shortSizes;
  std::mutex m_mutex;
  std::chrono::steady_clock::time_point m_last{};
  bool m_shown = false;
};

const char* SkipReasonText(engine::SkipReason reason) {
  switch (reason) {
    case engine::SkipReason::kUnreadable: return "unreadable";
    case engine::SkipReason::kNotAudio: return "not audio";
    case engine::SkipReason::kEmpty: return "empty";
    case engine::SkipReason::kLink: return "link not followed";
    case engine::SkipReason::kVanished: return "vanished";
    case engine::SkipReason::kPathTooLong: return "path too long";
  }
  return "";
}

// One line with the counts ("tarnq-cli: skipped 3 files: 2 not audio, 1 empty"), with --verbose
// each file and its reason; an unreadable file is a warning whatever the options. True when a
// file was unreadable (the exit status is then 1).
bool ReportSkipped(const engine::SkippedFiles& skipped, bool quiet, bool verbose) {
  for (const engine::SkippedFile& file : skipped.files) {
    if (file.reason == engine::SkipReason::kUnreadable) {
      std::fprintf(stderr, "tarnq-cli: warning: %s: %s\n", EscapedForTerminal(file.path).c_str(),
                   platform::ErrorMessage(file.error).c_str());
    } else if (verbose) {
      std::fprintf(stderr, "tarnq-cli: skipped %s: %s\n", EscapedForTerminal(file.path).c_str(),
                   SkipReasonText(file.reason));
    }
  }
  const uint64_t total = skipped.Total();
  if (total != 0 && !quiet) {
    std::string line = "tarnq-cli: skipped " + std::to_string(total) + (total == 1 ? " file:" : " files:");
    bool first = true;
    for (size_t i = 0; i < engine::kSkipReasonCount; ++i) {
      if (skipped.counts[i] == 0) continue;
      line += first ? " " : ", ";
      first = false;
      line += std::to_string(skipped.counts[i]) + " " + SkipReasonText(static_cast<engine::SkipReason>(i));
    }
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  return skipped.Count(engine::SkipReason::kUnreadable) != 0;
}

}  // namespace

int RunFind(std::span<char*> args) {
  FindOptions o;
  if (const int status = ParseArguments(args, o)) {
    if (status < 0) {
      std::fputs(kFindUsage, stdout);
      std::fputs(kListActionHelp, stdout);
      std::fputs(kFindUsageNotes, stdout);
      return 0;
    }
    return status;
  }

  // Settings first: everything else reads them.
  if (o.settingsFile) {
    if (!platform::FileExists(*o.settingsFile)) {
      PrintError(*o.settingsFile, 2);
      return 1;
    }
    settings::SetMainSettingsOverride(*o.settingsFile);
  }
  settings::SettingsStore& mainSettings = settings::MainSettings();
  if (!SetUpLanguage()) return 1;

  platform::DirectDispatcher dispatcher;
  appcore::AppCore core(mainSettings, dispatcher);
  engine::SearchPreset& preset = core.Preset();
  if (o.presetFile) {
    platform::FileStatus status;
    uint32_t code = platform::GetFileStatus(*o.presetFile, status, true);
    if (code == 0 && !status.isRegular) code = 5;
    settings::SettingsStore store(*o.presetFile, settings::SettingsStore::kExplicitFile);
    if (code == 0) code = store.Load();
    if (code != 0) {
      PrintError(*o.presetFile, code);
      return 1;
    }
    preset.Load(store);
    preset.presetFile = *o.presetFile;
  } else {
    settings::SettingsStore empty(u"", settings::SettingsStore::kExplicitFile);
    preset.Load(empty);
    preset.artistThreshold = 80;
    preset.titleThreshold = 80;
  }
  std::vector<std::u16string> folderList = preset.folderList;
  for (const auto& folder : o.folders) folderList.push_back(u"+" + folder);
  for (const auto& folder : o.excluded) folderList.push_back(u"-" + folder);
  preset.SetFolderList(std::move(folderList));
  if (preset.folders.empty()) return UsageError("no folder to search");
  if (o.noRecurse) preset.noRecursion = 1;
  if (o.similar || o.artist || o.title) preset.useSimilarity = 1;
  if (o.artist) preset.artistThreshold = *o.artist;
  if (o.title) preset.titleThreshold = *o.title;
  if (o.tolerance) preset.durationTolerance = *o.tolerance;
  if (o.sameGiven) preset.moreLimitations = o.same;
  if (o.filter) {
    preset.filterEnabled = 1;
    preset.filter = engine::ParseFilter(*o.filter);
  }
  if (o.verbose && preset.filterEnabled != 0)
    std::fprintf(stderr, "tarnq-cli find: filter in use: %s\n",
                 EscapedForTerminal(engine::FormatFilter(preset.filter)).c_str());

  uint32_t options = core.Options();
  if (o.noCache) options |= engine::kOptionNoCache;
  if (o.cacheFile) {
    options &= ~engine::kOptionNoCache;
    core.SetCache({false, *o.cacheFile});
  }
  core.SetOptions(options);
  results::ResultList& list = core.List();
  results::SortOrder order = list.GetSortOrder();
  if (o.sortKey) order = {*o.sortKey, false};
  if (o.reverse) order.reversed = true;
  list.SetSortOrder(order);

  const bool progress = !o.quiet && platform::StandardErrorIsTerminal();
  TerminalProgress status(progress, (options & engine::kOptionShortSizes) != 0);
  core.AddObserver(&status);

  bool started;
  {
    // Ctrl-C (and SIGTERM) stop the search like the Stop command.
    platform::InterruptGuard interrupts(core.StopRequests());
    started = core.Find().result == appcore::FindResult::kStarted;
    core.Wait();
  }
  status.Finish();
  if (!started) {
    std::fputs("tarnq-cli: the search could not be started\n", stderr);
    return 1;
  }

  const engine::SearchOutcome outcome = core.LastOutcome();
  // From here on an interrupt stops the actions after the current file.
  platform::InterruptGuard actionInterrupts(core.StopRequests());
  // The actions run on a complete result only; a stopped or failed search has none.
  int actionStatus = 0;
  std::vector<std::u16string> actedOn;
  if (!outcome.canceled && !outcome.failed) actionStatus = RunListActions(core, o.actions, "find", &actedOn);
  if (actionStatus == 2) return 2;
  const engine::SearchProgress progressTotals = core.Progress();
  // Recounted: the actions may have removed rows.
  const std::u16string statusLine = ListStatusLine(list, (options & engine::kOptionShortSizes) != 0,
                                                   progressTotals.canceled, progressTotals.incomplete);
  if (o.actions.paths) {
    const bool acted = o.actions.action != FileAction::kNone && !o.actions.dryRun;
    PrintPaths(acted ? actedOn : SelectedPaths(list), o.actions.nul);
  } else if (o.actions.json) {
    PrintJsonRows(list);
    if (progress) {
      Print(stderr, statusLine);
      std::fputc('\n', stderr);
    }
  } else if (!o.actions.ExportsToStandardOutput()) {
    PrintGroups(list, results::ReadLayout(mainSettings));
    Print(stdout, statusLine);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);

  int exitStatus = actionStatus;
  for (const engine::FolderProblem& problem : outcome.problems) {
    if (problem.presetFolder) {
      PrintError(problem.path, problem.error);
      exitStatus = 1;
    } else if (!o.quiet) {
      std::fprintf(stderr, "tarnq-cli: warning: %s: %s (skipped)\n", EscapedForTerminal(problem.path).c_str(),
                   platform::ErrorMessage(problem.error).c_str());
    }
  }
  if (outcome.cacheSaveError != 0) {
    std::fprintf(stderr, "tarnq-cli: warning: %s: %s (the information cache was not saved)\n",
                 EscapedForTerminal(core.Cache().Path()).c_str(),
                 platform::ErrorMessage(outcome.cacheSaveError).c_str());
  }
  if (ReportSkipped(outcome.skipped, o.quiet, o.verbose)) exitStatus = 1;
  if (outcome.filesFailed != 0 && !o.quiet) {
    std::fprintf(stderr, "tarnq-cli: warning: %llu file(s) could not be examined and were left out\n",
                 static_cast<unsigned long long>(outcome.filesFailed));
  }
  if (outcome.failed) {
    std::fprintf(stderr, "tarnq-cli: %s\n", ToTerminal(outcome.error).c_str());
    exitStatus = 1;
  }
  if (outcome.canceled) {
    std::fputs("tarnq-cli: search canceled\n", stderr);
    exitStatus = 1;
  }
  return exitStatus;
}

}  // namespace tarnq::cli
