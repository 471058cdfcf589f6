// SPDX-License-Identifier: GPL-3.0-or-later
// The folder scan of a search: walks the preset's folders (and their subfolders unless recursion
// is off), skips excluded subtrees, registers each listed folder in the result list's folder
// table, tests each file against the filter, takes its properties from the cache or the analysis
// and appends a FoundFile to the run's store.
//
// Each file is accepted once and each folder listed once per scan, by identity (device, inode):
// overlapping preset folders, bind mounts and hard links never put one file in the list twice.
// Symbolic links are not followed below a preset folder (a preset folder that is a link is).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_filter.h"
#include "engine/matching.h"
#include "engine/preset.h"
#include "engine/search_host.h"
#include "platform/files.h"
#include "records/found_file.h"
#include "results/folder_table.h"

namespace tarnq::engine {

// --- Folder listing providers ------------------------------------------------------------------
// Slot 0 lists the local file system (every absolute path); slot 1 is a virtual root whose listing
// yields the mounted file systems a user would pick (platform::MountedFileSystems, for the drive
// selection).
struct FileSystemProvider {
  int kind = 0;               // 1 local, 2 the mounts root
  std::u16string_view name;   // the root's name ("" for the local file system)
  uint32_t (*list)(std::u16string_view folder,
                   const std::function<bool(const platform::DirEntry&)>& callback);
};
// The providers in slot order.
const std::vector<FileSystemProvider>& FileSystemProviders();
// The provider for `path`: a root whose name equals the path or its first component, else the
// local file system for an absolute path; null when there is none (the listing then fails with 50).
const FileSystemProvider* FindProvider(std::u16string_view path);
// Lists `folder` through its provider: 0, 50 without a provider, or the listing's error.
uint32_t EnumerateDirectory(std::u16string_view folder,
                            const std::function<bool(const platform::DirEntry&)>& callback);

// --- The scan ---------------------------------------------------------------------------------------
// A set of file identities without a heap node per entry (open addressing).
class IdentitySet {
 public:
  // True when the identity was not in the set before.
  bool Insert(const platform::FileIdentity& id);
  bool Contains(const platform::FileIdentity& id) const;
  size_t Size() const { return m_size; }

 private:
  void Grow();
  std::vector<platform::FileIdentity> m_slots;  // inode 0 and device 0 = free
  size_t m_size = 0;
  bool m_hasZero = false;  // the identity (0, 0) itself
};

struct ScanContext {
  ScanContext(const SearchPreset& preset, uint32_t options, records::FoundFileStore& store,
              results::FolderTable& folders, FileAnalyser& analyser)
      : preset(preset), options(options), store(store), folders(folders), analyser(analyser) {}

  const SearchPreset& preset;
  uint32_t options;  // the main options; 0x10 switches the cache off
  records::FoundFileStore& store;
  results::FolderTable& folders;
  FileAnalyser& analyser;
  SearchProgressSink* progress = nullptr;  // hears of each folder the walk lists
  const StopCounter* stop = nullptr;     // non-zero: stop after the current listing
  // Called after each batch of a folder's files that added any (the totals line).
  std::function<void(uint64_t files, uint64_t bytes)> onFilesAdded;
  // Called on the scanning thread once the walk has started, before the first file is looked up
  // (the cache load overlaps the listing).
  std::function<void()> beforeFiles;
  // Gets each accepted file's record, in store order (the sort's data made during the scan).
  SortPreparation* preparation = nullptr;

  // Results.
  uint64_t filesFound = 0;
  uint64_t bytesFound = 0;
  std::vector<FolderProblem> problems;
  bool incomplete = false;
  // Entries and files dropped because examining them failed unexpectedly (the walk's count and the
  // search thread's; read both after ScanFolders).
  uint64_t entriesFailed = 0;
  uint64_t filesFailed = 0;
  // Files passed over, and why (the walk's and the search thread's; merged after ScanFolders).
  SkippedFiles walkSkipped;
  SkippedFiles fileSkipped;

  // Prepared by ScanFolders.
  FileFilter filter;                     // the preset's filter with its limits computed
  std::vector<std::u16string> excluded;  // excluded folders, macros expanded
  IdentitySet listedFolders;
  IdentitySet acceptedFiles;
  std::u16string pathBuffer;             // reused for every file's full path
  std::vector<std::byte> recordBuffer;   // reused for every record
};

// Scans every folder of the preset in order until the list ends or a stop is requested. The
// filter limits are computed against `now`. The folders are listed on a second thread while the
// calling thread takes their files in listing order: the walk's side of the context (folder table,
// listed folders, problems, incomplete, pane 0) is written by that thread, everything else (the
// analyser, the store, onFilesAdded) by the caller. Both have finished when this returns.
void ScanFolders(ScanContext& context, platform::FileTime now);

// True when `path` is an excluded folder or lies below one.
bool IsExcluded(const ScanContext& context, std::u16string_view path);

}  // namespace tarnq::engine
