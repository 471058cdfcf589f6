// SPDX-License-Identifier: GPL-3.0-or-later
// On Windows every temporary file the program writes beside a target is marked for deletion while
// it is written (FileDispositionInfo; see files_win.cpp), so the system itself removes it when the
// process ends before the rename. No journal is needed: entries record nothing and no leftovers
// are looked for.
#include "platform/temp_journal.h"

#include "platform/paths.h"

namespace tarnq::platform {

std::u16string TempJournalFolder() { return JoinPath(JoinPath(CacheFolder(), u"Quillworks"), u"unfinished"); }

void TempJournalEntry::Record(const std::string&, int, uint64_t) {}

void TempJournalEntry::Drop() {
  m_fd = -1;
  m_entryPath.clear();
}

size_t RemoveLeftoverTemporaryFiles() { return 0; }

}  // namespace tarnq::platform
