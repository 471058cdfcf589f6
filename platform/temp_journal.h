// SPDX-License-Identifier: GPL-3.0-or-later
// Temporary files written beside their targets (a copy on its way, a results file being saved)
// and the journal that lets a later run remove the ones a crash or a kill left behind.
//
// Each temporary file's name begins with kTempPrefix. While it exists, its journal entry is one
// small file in the journal folder, holding the temporary's device, inode, final size and path,
// and locked (flock) by the process that writes it. A later run takes every entry it can lock
// (its writer is gone), removes the temporary when it is still that file (same device and inode,
// a regular file with the prefix, no larger than the size recorded), and drops the entry. A file
// that took the name since is left alone. The journal is best effort: when it cannot be written,
// the temporary is still made and removed as usual.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnq::platform {

// The fixed beginning of the name of every temporary file the program writes beside a target.
inline constexpr std::string_view kTempPrefix = ".tarnq-";

// The journal folder: $XDG_CACHE_HOME/Quillworks/unfinished, else ~/.cache/Quillworks/unfinished.
std::u16string TempJournalFolder();

// The journal entry of one temporary file, held while the file exists. Used by the code that
// writes temporary files (native paths).
class TempJournalEntry {
 public:
  TempJournalEntry() = default;
  ~TempJournalEntry() { Drop(); }
  TempJournalEntry(const TempJournalEntry&) = delete;
  TempJournalEntry& operator=(const TempJournalEntry&) = delete;

  // Records the temporary file `tempPath`, open as `tempFd`, that will grow to `finalSize` bytes
  // at most. Replaces an earlier record of this entry. Silently does nothing when the journal
  // cannot be written.
  void Record(const std::string& tempPath, int tempFd, uint64_t finalSize);
  // The temporary is gone (renamed into place or removed): the entry goes.
  void Drop();

 private:
  int m_fd = -1;
  std::string m_entryPath;
};

// Removes the temporary files that earlier runs journaled and left behind (see above). Returns
// how many temporary files were removed.
size_t RemoveLeftoverTemporaryFiles();

}  // namespace tarnq::platform
