// SPDX-License-Identifier: GPL-3.0-or-later
// Operations that change files: delete, wipe, rename, copy and move, the desktop Trash.
// None of them follows a symbolic link or replaces a file it was not told to replace, and all of
// them take absolute paths only (anything else is error 123). Results are the program's error codes
// (errors.h); 0 is success, 1235 cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace tarnq::platform {

// Delete, wipe, move and trash reach the file's folder without following a symbolic link on the way
// (a folder swapped for a link is error kLinkInPath) and act on the entry in the folder they opened.
// With `expected`, the entry must still be that file (kNotTheSameFile otherwise), checked on the
// opened folder right before the change.

// The path with the links of its folder resolved now (the file name itself is kept): what a
// snapshot records when the user confirms an operation, so that a folder the user reached through
// a link (a preset folder that is a link) stays usable, while a link put in its place later is
// refused. The path unchanged when the folder cannot be resolved.
std::u16string ResolveFolderLinks(std::u16string_view path);

// Removes the directory entry only: never opens or truncates the file, so other hard links and the
// target of a symbolic link keep their data.
uint32_t DeleteFilePermanently(std::u16string_view path, const FileIdentity* expected = nullptr);

// Called after every block written with the block's size; returns false to cancel.
using WipeProgress = std::function<bool(uint64_t bytes)>;
inline constexpr size_t kWipeBlockBytes = 4096;
inline constexpr unsigned char kWipePattern = 0xAA;

// The shredder: overwrites the file once with 0xAA in 4096-byte blocks, syncs, cuts it to 0 bytes,
// renames it to a name of '@' characters (keeping the dots; a number is appended while that name is
// taken) and deletes it. A symbolic link, a file that is not a regular file or one with other hard
// links is refused and kept; a file that cannot be overwritten completely is reported and kept
// (never deleted unwiped). A cancelled wipe leaves the file under its '@' name when it got that far.
uint32_t WipeFile(std::u16string_view path, const WipeProgress& progress, const FileIdentity* expected = nullptr);
// The '@' name of a file name ("song.mp3" -> "@@@@.@@@").
std::u16string WipeName(std::u16string_view name);

// Renames or moves one file. Never replaces an existing target: a target that exists is error 183,
// unless it is the very same file (a change of letter case on a case-insensitive mount). A missing
// target folder is created. Across file systems the file is copied to a temporary name in the target
// folder, synced, its size checked, renamed into place, and only then is the source removed.
uint32_t RenameFile(std::u16string_view oldPath, std::u16string_view newPath);
// Renames within the file's folder. A new name that is empty, ".", "..", or holds a '/' or a NUL is
// refused (error 123).
uint32_t RenameInFolder(std::u16string_view oldPath, std::u16string_view newName,
                        std::u16string* newPath = nullptr);

// Copies one regular file with its modification time and permissions. With `replace` an existing
// target is replaced (atomically, by rename); without it an existing target is error 183.
uint32_t CopyFileTo(std::u16string_view source, std::u16string_view target, bool replace);

// What to do when a target already exists.
enum class ExistsChoice { kOverwrite, kSkip, kKeepBoth, kCancel };

struct TransferCallbacks {
  // Asked for every target that exists (not asked: kSkip).
  std::function<ExistsChoice(std::u16string_view source, std::u16string_view target)> onExists;
  // Called with the bytes finished so far and the total; returns false to cancel.
  std::function<bool(uint64_t doneBytes, uint64_t totalBytes)> onProgress;
};

// The outcome of one file of a transfer.
struct TransferOutcome {
  std::u16string target;  // where the file went (empty when it did not)
  uint32_t code = 0;      // 0 done, err::kSkippedByUser, 1235 not attempted after a cancel, else the error
};

// Copies or moves files into a folder (created when missing). Every source gets an outcome, in
// order. Returns 0 when every file was done or skipped, 1235 when cancelled, otherwise the first
// error. A failed or cancelled file stays where it was. `expected`: empty, or the identity each
// source must still have (moves check it on the opened folder before the source goes).
uint32_t TransferFiles(std::span<const std::u16string> sources, std::u16string_view targetFolder, bool move,
                       const TransferCallbacks& callbacks, std::vector<TransferOutcome>& outcomes,
                       std::span<const FileIdentity> expected = {});
// "name (2).ext", "name (3).ext", ...: the first such name not taken in `folder`.
std::u16string KeepBothName(std::u16string_view folder, std::u16string_view name);

// Moves a file to the desktop's Trash (freedesktop.org), where the file manager can restore it.
// The Trash works by path: the folder and the file are checked right before and after the call, and
// a folder swapped meanwhile is reported (kNotTheSameFile); the short window during the call stays.
uint32_t MoveToTrash(std::u16string_view path, const FileIdentity* expected = nullptr);

}  // namespace tarnq::platform
