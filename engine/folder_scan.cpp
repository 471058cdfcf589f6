// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/folder_scan.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "analysis/info_cache.h"
#include "platform/errors.h"
#include "platform/file_access.h"
#include "platform/mounts.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/path_macros.h"

namespace tarnq::engine {
namespace {

// What the file filter looks at of a listed entry.
FileFacts FactsOf(const platform::DirEntry& entry) {
  FileFacts facts;
  facts.attributes = entry.attributes;
  facts.size = entry.size;
  facts.created = entry.creationTime;
  facts.accessed = entry.lastAccessTime;
  facts.modified = entry.lastWriteTime;
  facts.name = entry.name;
  return facts;
}

using platform::DirEntry;
using platform::FileIdentity;
namespace attr = platform::attr;

constexpr std::u16string_view kMountsRootName = u"Computer";

uint32_t ListLocal(std::u16string_view folder, const std::function<bool(const DirEntry&)>& callback) {
  const uint32_t code = platform::ListDirectory(folder, callback);
  // "Nothing found" is an empty listing, not a failure.
  return code == platform::err::kFileNotFound || code == platform::err::kNoMoreFiles ? 0 : code;
}

uint32_t ListMounts(std::u16string_view, const std::function<bool(const DirEntry&)>& callback) {
  for (const std::u16string& mount : platform::MountedFileSystems()) {
    platform::FileStatus status;
    if (platform::GetFileStatus(mount, status, true) != 0) continue;
    DirEntry entry;
    entry.attributes = attr::kDirectory;
    entry.size = 0;
    entry.creationTime = status.creationTime;
    entry.lastAccessTime = status.lastAccessTime;
    entry.lastWriteTime = status.lastWriteTime;
    entry.device = status.identity.device;
    entry.inode = status.identity.inode;
    entry.name = mount;
    if (!callback(entry)) break;
  }
  return 0;
}

// The full path of an excluded-folder entry as the user meant it: macros expanded, a path that
// begins with ".." taken relative to the program's folder.
std::u16string ResolveExcluded(std::u16string_view entry) {
  std::u16string path = settings::ExpandPathMacros(entry);
  if (path.starts_with(u"..")) path = settings::NormalizePath(platform::JoinPath(platform::ProgramFolder(), path));
  while (path.size() > 1 && platform::IsSeparator(path.back())) path.pop_back();
  return path;
}

bool IsDotEntry(std::u16string_view name) { return name == u"." || name == u".."; }

struct Subfolder {
  std::u16string name;
  FileIdentity identity;
};

// A file entry the walk passed on: everything of its DirEntry; its folder's path and its name are
// kept in the batch's text.
struct PendingFile {
  records::FoundFileFields fields;  // as the record will hold them (group 0)
  uint64_t device, inode;
  uint32_t pathOffset, pathUnits;
  uint32_t nameOffset, nameUnits;
};

// Files of one or more listed folders, handed from the walking thread to the thread that looks
// them up and analyses them. Batches are reused.
struct ScanBatch {
  std::u16string text;  // folder paths and file names
  std::vector<PendingFile> files;
  uint32_t lastFolder = 0;  // the folder whose path was written last
  uint32_t lastPathOffset = 0, lastPathUnits = 0;
  void Reset() {
    text.clear();
    files.clear();
    lastFolder = 0;
  }
};

// The walk runs ahead on a thread of its own (the listing is system time) while the search
// thread loads the cache and takes the files in exactly the order the walk met them. A bounded
// queue keeps a slow analysis from piling up the whole tree in memory.
class ScanQueue {
 public:
  static constexpr size_t kMaxQueuedFiles = 32768;
  // Small folders are gathered: one hand-over per folder would cost more than listing it.
  static constexpr size_t kBatchFiles = 512;

  std::unique_ptr<ScanBatch> TakeFree() {
    std::lock_guard lock(m_mutex);
    if (m_free.empty()) return std::make_unique<ScanBatch>();
    auto batch = std::move(m_free.back());
    m_free.pop_back();
    return batch;
  }
  // Walker: waits while the consumer is far behind; false when the consumer has gone.
  bool Push(std::unique_ptr<ScanBatch> batch) {
    std::unique_lock lock(m_mutex);
    m_space.wait(lock, [&] { return m_queuedFiles < kMaxQueuedFiles || m_closed; });
    if (m_closed) return false;
    m_queuedFiles += batch->files.size();
    m_batches.push_back(std::move(batch));
    m_ready.notify_one();
    return true;
  }
  void WalkDone() {
    std::lock_guard lock(m_mutex);
    m_walkDone = true;
    m_ready.notify_one();
  }
  // Consumer: the next batch, or null once the walk is done and everything was taken.
  std::unique_ptr<ScanBatch> Pop() {
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [&] { return !m_batches.empty() || m_walkDone; });
    if (m_batches.empty()) return nullptr;
    auto batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_queuedFiles -= batch->files.size();
    m_space.notify_one();
    return batch;
  }
  void GiveBack(std::unique_ptr<ScanBatch> batch) {
    batch->Reset();
    std::lock_guard lock(m_mutex);
    if (m_free.size() < 8) m_free.push_back(std::move(batch));
  }
  // Consumer: stops taking batches (the walker's next Push returns false).
  void Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_space.notify_all();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_ready, m_space;
  std::deque<std::unique_ptr<ScanBatch>> m_batches;
  std::vector<std::unique_ptr<ScanBatch>> m_free;
  size_t m_queuedFiles = 0;
  bool m_walkDone = false;
  bool m_closed = false;
};

// One file the walk passed on: identity, cache or analysis, append.
// Says why a file no reader took is left out. Only rejected files get here, so the extra look at
// the file costs nothing on the files that are kept.
void NoteRejected(ScanContext& c, std::u16string_view path) {
  const uint32_t code = platform::CheckReadAccess(path);
  if (code == 0) c.fileSkipped.Add(path, SkipReason::kNotAudio);
  else if (code == platform::err::kFileNotFound || code == platform::err::kPathNotFound)
    c.fileSkipped.Add(path, SkipReason::kVanished);
  else if (code == platform::err::kFilenameExceedRange) c.fileSkipped.Add(path, SkipReason::kPathTooLong);
  else c.fileSkipped.Add(path, SkipReason::kUnreadable, code);
}

void AcceptFile(ScanContext& c, const ScanBatch& batch, const PendingFile& file, uint64_t& addedHere) {
  const FileIdentity identity{file.device, file.inode};
  if (c.acceptedFiles.Contains(identity)) return;
  const std::u16string_view name(batch.text.data() + file.nameOffset, file.nameUnits);

  std::u16string& path = c.pathBuffer;
  path.assign(batch.text, file.pathOffset, file.pathUnits);
  if (path.empty() || !platform::IsSeparator(path.back())) path.push_back(platform::kSeparator);
  path.append(name);

  const records::FoundFileFields& f = file.fields;
  // An empty file holds no audio; only its name could make it a member, and then the wrong one.
  if (f.size == 0) {
    c.fileSkipped.Add(path, SkipReason::kEmpty);
    return;
  }
  const bool cacheOn = (c.options & analysis::kOptionNoCache) == 0;
  records::AudioInfo info;
  if (!(cacheOn && c.analyser.LookupCache(f.size, f.modified, path, info))) {
    info = {};
    if (!c.analyser.Analyse(path, f.size, info)) {
      info.Release();
      NoteRejected(c, path);
      return;
    }
    if (cacheOn) c.analyser.AddToCache(f.size, f.modified, path, info);
  }
  if (!records::EncodeFoundFile(file.fields, info, name, c.recordBuffer) ||
      c.store.Append(c.recordBuffer.data(), c.recordBuffer.size()) != 0) {
    info.Release();  // the store did not take the record, so the block is still ours
    return;
  }
  c.acceptedFiles.Insert(identity);
  if (c.preparation != nullptr) c.preparation->Add(records::FoundFile(c.store.At(c.store.Count() - 1)));
  ++c.filesFound;
  if (f.size != platform::kUnknownSize) c.bytesFound += f.size;
  ++addedHere;
}

}  // namespace

// --- Providers ------------------------------------------------------------------------------------

const std::vector<FileSystemProvider>& FileSystemProviders() {
  static const std::vector<FileSystemProvider> providers = {
      {1, u"", &ListLocal},
      {2, kMountsRootName, &ListMounts},
  };
  return providers;
}

const FileSystemProvider* FindProvider(std::u16string_view path) {
  const auto& providers = FileSystemProviders();
  for (const auto& p : providers)
    if (!p.name.empty() && platform::SamePath(path, p.name)) return &p;
  std::u16string_view first = path;
  while (first.starts_with(u"//")) first.remove_prefix(2);
  first = first.substr(0, first.find(u'/'));
  for (const auto& p : providers)
    if (!p.name.empty() && first == p.name) return &p;
  if (platform::IsAbsolutePath(path)) return &providers[0];
  return nullptr;
}

uint32_t EnumerateDirectory(std::u16string_view folder,
                            const std::function<bool(const DirEntry&)>& callback) {
  const FileSystemProvider* provider = FindProvider(folder);
  if (provider == nullptr) return platform::err::kNotSupported;
  return provider->list(folder, callback);
}

// --- Identity set -----------------------------------------------------------------------------------

namespace {
size_t HashOf(const FileIdentity& id) { return platform::FileIdentityHash()(id); }
bool IsFree(const FileIdentity& id) { return id.device == 0 && id.inode == 0; }
}  // namespace

bool IdentitySet::Contains(const FileIdentity& id) const {
  if (IsFree(id)) return m_hasZero;
  if (m_slots.empty()) return false;
  const size_t mask = m_slots.size() - 1;
  for (size_t i = HashOf(id) & mask;; i = (i + 1) & mask) {
    if (IsFree(m_slots[i])) return false;
    if (m_slots[i] == id) return true;
  }
}

bool IdentitySet::Insert(const FileIdentity& id) {
  if (IsFree(id)) {
    const bool added = !m_hasZero;
    m_hasZero = true;
    return added;
  }
  if ((m_size + 1) * 2 > m_slots.size()) Grow();
  const size_t mask = m_slots.size() - 1;
  for (size_t i = HashOf(id) & mask;; i = (i + 1) & mask) {
    if (IsFree(m_slots[i])) {
      m_slots[i] = id;
      ++m_size;
      return true;
    }
    if (m_slots[i] == id) return false;
  }
}

void IdentitySet::Grow() {
  std::vector<FileIdentity> old;
  old.swap(m_slots);
  m_slots.assign(old.empty() ? 1024 : old.size() * 2, FileIdentity{});
  m_size = 0;
  for (const auto& id : old)
    if (!IsFree(id)) Insert(id);
}

// --- The scan -----------------------------------------------------------------------------------------

bool IsExcluded(const ScanContext& context, std::u16string_view path) {
  for (const auto& excluded : context.excluded)
    if (!excluded.empty() && platform::IsInFolder(path, excluded)) return true;
  return false;
}

namespace {

// The walking side of a scan: lists folders, registers them in the folder table, filters the
// files and queues them. Touches only the walk's part of the context (folders, listed folders,
// problems, incomplete) until the consumer has joined it.
class Walker {
 public:
  Walker(ScanContext& c, ScanQueue& queue) : c(c), m_queue(queue) {}

  // `parentReader`: the parent folder, still open, to open this one below it (null for a preset
  // folder); `depth` counts the levels below the preset folder.
  uint32_t Folder(std::u16string_view folder, uint32_t parentIndex, std::u16string_view parentPath,
                  const FileIdentity* identity, const platform::FolderReader* parentReader = nullptr,
                  unsigned depth = 0);
  bool ConsumerGone() const { return m_consumerGone; }
  uint32_t File(std::u16string_view path, const platform::FileStatus& status);
  // Hands over what is gathered.
  void Flush() {
    if (m_batch && !m_batch->files.empty()) Push();
  }

 private:
  bool Stopped() const {
    return m_consumerGone || (c.stop != nullptr && c.stop->load(std::memory_order_relaxed) != 0);
  }
  void Push() {
    if (!m_queue.Push(std::move(m_batch))) m_consumerGone = true;
  }
  void Add(const DirEntry& entry, uint32_t folderIndex, std::u16string_view folderPath);

  ScanContext& c;
  ScanQueue& m_queue;
  std::unique_ptr<ScanBatch> m_batch;
  bool m_consumerGone = false;
};

uint32_t Walker::Folder(std::u16string_view folder, uint32_t parentIndex, std::u16string_view parentPath,
                        const FileIdentity* identity, const platform::FolderReader* parentReader,
                        unsigned depth) {
  std::u16string path;
  if (parentIndex == 0) {
    path.assign(folder);
  } else {
    std::u16string_view name = folder;
    while (!name.empty() && platform::IsSeparator(name.front())) name.remove_prefix(1);
    path = platform::JoinPath(parentPath, name);
    folder = name;
  }
  if (IsExcluded(c, path)) return 0;

  // Every failure is noted; one of a preset folder makes the result incomplete.
  auto fail = [&](uint32_t code) {
    c.problems.push_back({path, code, parentIndex == 0});
    if (parentIndex == 0) c.incomplete = true;
    return code;
  };
  const FileSystemProvider* provider = FindProvider(path);
  if (provider == nullptr) return fail(platform::err::kNotSupported);
  // A folder reached a second time (overlapping preset folders, bind mounts) is not listed again.
  FileIdentity known;
  if (identity != nullptr) {
    known = *identity;
  } else {
    platform::FileStatus status;
    if (uint32_t code = platform::GetFileStatus(path, status, parentIndex == 0)) {
      return fail(code == platform::err::kFileNotFound ? platform::err::kPathNotFound : code);
    }
    if (!status.isDirectory) {
      // A file named among the folders to search is searched on its own.
      if (parentIndex == 0 && status.isRegular) return File(path, status);
      return fail(platform::err::kDirectory);
    }
    known = status.identity;
  }
  if (!c.listedFolders.Insert(known)) return 0;

  const uint32_t index = c.folders.Add(folder, parentIndex);
  if (index == 0) return fail(platform::err::kNotEnoughMemory);
  if (c.progress != nullptr) c.progress->OnFolder(path);

  std::vector<Subfolder> subfolders;
  const bool recurse = c.preset.noRecursion == 0;
  const bool filtered = c.preset.filterEnabled != 0;
  const auto take = [&](const DirEntry& entry) {
    try {
      if (IsDotEntry(entry.name)) return true;
      if (entry.attributes & attr::kDirectory) {
        // Links to folders are shown by the listing but never followed.
        if ((entry.attributes & attr::kReparsePoint) != 0) {
          if (recurse) c.walkSkipped.Add(platform::JoinPath(path, entry.name), SkipReason::kLink);
        } else if (recurse) {
          subfolders.push_back({std::u16string(entry.name), {entry.device, entry.inode}});
        }
        return true;
      }
      if (filtered && !PassesFilter(c.filter, FactsOf(entry))) return true;
      Add(entry, index, path);
    } catch (...) {
      // One bad entry must not end the folder: it is dropped, and counted.
      ++c.entriesFailed;
    }
    return !m_consumerGone;
  };
  // Local folders are opened below their parent, which stays open while its subfolders are
  // walked (at most kOpenLevels of them at a time).
  constexpr unsigned kOpenLevels = 64;
  platform::FolderReader reader;
  uint32_t code;
  if (provider == &FileSystemProviders()[0]) {
    code = parentReader != nullptr ? reader.OpenBelow(*parentReader, folder, path) : reader.Open(path);
    if (code == 0) {
      code = reader.List(take);
      for (const platform::DirSkip& skip : reader.Skipped()) {
        const std::u16string skipped = platform::JoinPath(path, skip.name);
        if (skip.reason == platform::DirSkip::kFileLink) c.walkSkipped.Add(skipped, SkipReason::kLink);
        else c.walkSkipped.Add(skipped, SkipReason::kVanished);
      }
    }
    if (depth + 1 >= kOpenLevels) reader.Close();
    if (code == platform::err::kFileNotFound || code == platform::err::kNoMoreFiles) code = 0;
  } else {
    code = EnumerateDirectory(path, take);
  }
  if (code != 0) return fail(code);
  for (const Subfolder& sub : subfolders) {
    if (Stopped()) break;
    Folder(sub.name, index, path, &sub.identity, &reader, depth + 1);
  }
  return 0;
}

uint32_t Walker::File(std::u16string_view path, const platform::FileStatus& status) {
  const std::u16string_view folder = platform::FolderOf(path);
  const uint32_t index = c.folders.Add(folder, 0);
  if (index == 0) {
    c.problems.push_back({std::u16string(path), platform::err::kNotEnoughMemory, true});
    c.incomplete = true;
    return platform::err::kNotEnoughMemory;
  }
  DirEntry entry;
  entry.attributes = status.attributes;
  entry.size = status.size;
  entry.creationTime = status.creationTime;
  entry.lastAccessTime = status.lastAccessTime;
  entry.lastWriteTime = status.lastWriteTime;
  entry.device = status.identity.device;
  entry.inode = status.identity.inode;
  entry.name = platform::FileNameOf(path);
  if (c.preset.filterEnabled != 0 && !PassesFilter(c.filter, FactsOf(entry))) return 0;
  Add(entry, index, folder);
  return 0;
}

void Walker::Add(const DirEntry& entry, uint32_t folderIndex, std::u16string_view folderPath) {
  if (!m_batch) m_batch = m_queue.TakeFree();
  ScanBatch& b = *m_batch;
  if (b.lastFolder != folderIndex) {
    b.lastFolder = folderIndex;
    b.lastPathOffset = static_cast<uint32_t>(b.text.size());
    b.lastPathUnits = static_cast<uint32_t>(folderPath.size());
    b.text.append(folderPath);
  }
  PendingFile file;
  file.fields.folder = folderIndex;
  file.fields.attributes = entry.attributes;
  file.fields.size = entry.size;
  file.fields.created = entry.creationTime;
  file.fields.accessed = entry.lastAccessTime;
  file.fields.modified = entry.lastWriteTime;
  file.device = entry.device;
  file.inode = entry.inode;
  file.pathOffset = b.lastPathOffset;
  file.pathUnits = b.lastPathUnits;
  file.nameOffset = static_cast<uint32_t>(b.text.size());
  file.nameUnits = static_cast<uint32_t>(entry.name.size());
  b.text.append(entry.name);
  b.files.push_back(file);
  if (b.files.size() >= ScanQueue::kBatchFiles) Push();
}

// The search thread's side: takes the walk's batches in order and accepts their files.
void ConsumeBatches(ScanContext& c, ScanQueue& queue) {
  while (auto batch = queue.Pop()) {
    const bool stopped = c.stop != nullptr && c.stop->load(std::memory_order_relaxed) != 0;
    // After a stop nothing reaches the list; the walk is drained so that it can end.
    if (!stopped) {
      uint64_t addedHere = 0;
      uint32_t folder = 0;
      for (const PendingFile& file : batch->files) {
        // The totals move on folder by folder, as the files are taken.
        if (file.fields.folder != folder) {
          if (addedHere > 0 && c.onFilesAdded) c.onFilesAdded(c.filesFound, c.bytesFound);
          addedHere = 0;
          folder = file.fields.folder;
        }
        try {
          AcceptFile(c, *batch, file, addedHere);
        } catch (...) {
          // One bad file must not end the scan: it is dropped, and counted.
          ++c.filesFailed;
        }
      }
      if (addedHere > 0 && c.onFilesAdded) c.onFilesAdded(c.filesFound, c.bytesFound);
    }
    queue.GiveBack(std::move(batch));
  }
}

}  // namespace

void ScanFolders(ScanContext& c, platform::FileTime now) {
  c.filter = c.preset.filter;
  PrepareFilter(c.filter, now);
  c.excluded.clear();
  for (const auto& entry : c.preset.excludedFolders) c.excluded.push_back(ResolveExcluded(entry));

  ScanQueue queue;
  std::thread walk([&] {
    Walker walker(c, queue);
    for (const std::u16string& folder : c.preset.folders) {
      if (walker.ConsumerGone() || (c.stop != nullptr && c.stop->load(std::memory_order_relaxed) != 0)) break;
      try {
        std::u16string path = settings::ExpandPathMacros(folder);
        while (path.size() > 1 && platform::IsSeparator(path.back())) path.pop_back();
        walker.Folder(path, 0, {}, nullptr);
      } catch (...) {
        // A failed pass ends the scan; the run goes on with what was found and says so.
        c.incomplete = true;
        // Naming the folder needs memory too; without it the run still says it is incomplete.
        try {
          c.problems.push_back({folder, platform::err::kNotEnoughMemory, true});
        } catch (...) {
        }
        break;
      }
    }
    try {
      walker.Flush();
    } catch (...) {
      c.incomplete = true;  // the last files gathered could not be handed over
    }
    queue.WalkDone();
  });
  // Whatever happens on this side, the walk is released and joined before the context goes.
  struct JoinWalk {
    ScanQueue& queue;
    std::thread& walk;
    ~JoinWalk() {
      queue.Close();
      walk.join();
    }
  } joinWalk{queue, walk};
  if (c.beforeFiles) c.beforeFiles();
  ConsumeBatches(c, queue);
}

}  // namespace tarnq::engine
