// SPDX-License-Identifier: GPL-3.0-or-later
// Results files (".tarnq"): the whole result list as 8-bit text, one row per line in display
// order, 21 ";"-separated fields per line, no header:
//
//   0 full path (UTF-8)   1 group   2 size   3 attributes   4 last write   5 last access
//   6 creation   7 format (signed)   8 channels   9 sample rate   10 bitrate (signed)
//   11 duration   12 track   13 title   14 artist   15 album   16 year   17 genre
//   18 type text   19 comment   20 BPM
//
// The format field holds the format code alone, never the codec of records::Codec: a loaded list
// does not know which MP4 files are ALAC, so the keep rules take them for lossy copies.
// Numbers are decimal with 0 written as an empty field; texts are ASCII as they are, anything else
// the UTF-8 marker plus UTF-8 (settings/field_line.h). The file is not trusted when it is read:
// a row whose path is not absolute is skipped, "." and ".." in paths are resolved, and a line
// longer than 32767 bytes is read up to there and its rest skipped (never read as another row).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "results/result_list.h"

namespace tarnq::settings {
class SettingsStore;
}

namespace tarnq::results {

inline constexpr size_t kResultsFieldCount = 21;
inline constexpr size_t kResultsMaxLineBytes = 32767;
inline constexpr std::u16string_view kResultsExtension = u"tarnq";
// Section TARNQ, key `Save`: the folder of the last results file written.
inline constexpr std::string_view kSaveKey = "Save";

// Commands.
inline constexpr int kCommandSave = 118;
inline constexpr int kCommandLoad = 119;

// Appends the line of one row (with CR LF) to `out`. Rows of length 0 add nothing, and neither do
// rows whose path holds a line break or NUL: a line cannot carry it, and a path changed to fit
// would name another file. False when the row was left out for its path.
bool AppendResultsLine(const ResultList& list, ResultRow row, std::string& out);
// The whole file's bytes for the list as it is displayed; `unstorable` counts the rows left out
// for their paths.
std::string ComposeResultsFile(const ResultList& list, size_t* unstorable = nullptr);

// Writes the list to `path` through a temporary file renamed into place (an existing file of that
// name is never removed first); a missing folder is created. Does nothing for an empty list
// (returns 0, `written` 0). Returns 0 or the error code; `unstorable` gets the number of rows that
// could not be written (their paths hold a line break), which the caller must report.
uint32_t SaveResults(const ResultList& list, std::u16string_view path, size_t* written = nullptr,
                     size_t* unstorable = nullptr);

// What a load found.
struct LoadReport {
  size_t rows = 0;             // rows added
  size_t badPaths = 0;         // lines skipped: the path is not absolute or names no file
  size_t overlongLines = 0;    // lines cut at 32767 bytes (the rest is skipped, not read as a row)
  size_t rejectedRows = 0;     // lines skipped: the name is too long or memory ran out
};

// Reads a results file into `list`. When the file cannot be read, the list is left untouched and
// the error is returned; otherwise the list is cleared (rows and folders) and refilled in file
// order, the folders rebuilt with parents where the parent is known. Returns 0 or the error.
uint32_t LoadResults(ResultList& list, std::u16string_view path, LoadReport* report = nullptr);
// The same from bytes already read.
void LoadResultsFromBytes(ResultList& list, std::string_view bytes, LoadReport* report = nullptr);

// `Save` in section TARNQ: the folder both file dialogs start in ("" when none is stored).
std::u16string ReadSaveFolder(settings::SettingsStore& store);
// Remembers the folder of `filePath` in `Save`.
void RememberSaveFolder(settings::SettingsStore& store, std::u16string_view filePath);

}  // namespace tarnq::results
