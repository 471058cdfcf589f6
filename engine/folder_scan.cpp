#include "engine/folder_scan.h"

#include <exception>

#include "analysis/info_cache.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/path_macros.h"

namespace tarnq::engine {
namespace {

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
  for (const std::u16string& mount : MountedFileSystems()) {
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

// One file entry that is not a directory: filter, identity, cache or analysis, append.
void AcceptFile(ScanContext& c, const DirEntry& entry, uint32_t folderIndex,
                std::u16string_view folderPath, uint64_t& addedHere) {
  if (c.preset.filterEnabled != 0) {
    FileFacts facts;
    facts.attributes = entry.attributes;
    facts.size = entry.size;
    facts.created = entry.creationTime;
    facts.accessed = entry.lastAccessTime;
    facts.modified = entry.lastWriteTime;
    facts.name = entry.name;
    if (!PassesFilter(c.filter, facts)) return;
  }
  const FileIdentity identity{entry.device, entry.inode};
  if (c.acceptedFiles.Contains(identity)) return;

  std::u16string& path = c.pathBuffer;
  path.assign(folderPath);
  if (path.empty() || !platform::IsSeparator(path.back())) path.push_back(platform::kSeparator);
  path.append(entry.name);

  const bool cacheOn = (c.options & analysis::kOptionNoCache) == 0;
  records::AudioInfo info;
  if (!(cacheOn && c.analyser.LookupCache(entry.size, entry.lastWriteTime, path, info))) {
    info = {};
    if (!c.analyser.Analyse(path, entry.size, info)) {
      info.Release();
      return;
    }
    if (cacheOn) c.analyser.AddToCache(entry.size, entry.lastWriteTime, path, info);
  }
  records::FoundFileFields fields;
  fields.folder = folderIndex;
  fields.attributes = entry.attributes;
  fields.size = entry.size;
  fields.created = entry.creationTime;
  fields.accessed = entry.lastAccessTime;
  fields.modified = entry.lastWriteTime;
  if (!records::EncodeFoundFile(fields, info, entry.name, c.recordBuffer) ||
      c.store.Append(c.recordBuffer.data(), c.recordBuffer.size()) != 0) {
    info.Release();  // the store did not take the record, so the block is still ours
    return;
  }
  c.acceptedFiles.Insert(identity);
  ++c.filesFound;
  if (entry.size != platform::kUnknownSize) c.bytesFound += entry.size;
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

std::vector<std::u16string> MountedFileSystems() {
  std::vector<std::u16string> mounts;
  std::string text;
  if (platform::ReadWholeFile(u"/proc/self/mounts", text, 1 << 22) != 0) return {u"/"};
  std::u16string user;
  platform::GetEnvironment(u"USER", user);
  const std::u16string runMedia = u"/run/media/" + user + u"/";
  auto add = [&](const std::u16string& path) {
    for (const auto& m : mounts)
      if (m == path) return;
    mounts.push_back(path);
  };
  add(u"/");
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    const size_t a = line.find(' ');
    if (a == std::string_view::npos) continue;
    const size_t b = line.find(' ', a + 1);
    std::string target(line.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1));
    // /proc/self/mounts escapes blanks and backslashes as octal.
    std::string decoded;
    for (size_t i = 0; i < target.size(); ++i) {
      if (target[i] == '\\' && i + 3 < target.size()) {
        decoded += static_cast<char>((target[i + 1] - '0') * 64 + (target[i + 2] - '0') * 8 + (target[i + 3] - '0'));
        i += 3;
      } else {
        decoded += target[i];
      }
    }
    const std::u16string path = platform::NameBytesToUtf16(decoded);
    auto below = [&](std::u16string_view root) {
      return path.size() > root.size() && path.starts_with(root) &&
             path.find(u'/', root.size()) == std::u16string::npos;
    };
    if (path == u"/home" || below(u"/media/") || below(u"/mnt/") || (!user.empty() && below(runMedia)))
      add(path);
  }
  return mounts;
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

uint32_t ScanFolder(ScanContext& c, std::u16string_view folder, uint32_t parentIndex,
                    std::u16string_view parentPath, const FileIdentity* identity) {
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
  if (FindProvider(path) == nullptr) return fail(platform::err::kNotSupported);
  // A folder reached a second time (overlapping preset folders, bind mounts) is not listed again.
  FileIdentity known;
  if (identity != nullptr) {
    known = *identity;
  } else {
    platform::FileStatus status;
    if (uint32_t code = platform::GetFileStatus(path, status, parentIndex == 0)) {
      return fail(code == platform::err::kFileNotFound ? platform::err::kPathNotFound : code);
    }
    if (!status.isDirectory) return fail(platform::err::kDirectory);
    known = status.identity;
  }
  if (!c.listedFolders.Insert(known)) return 0;

  const uint32_t index = c.folders.Add(folder, parentIndex);
  if (index == 0) return fail(platform::err::kNotEnoughMemory);
  if (c.status != nullptr) c.status->SetPaneText(0, path);

  std::vector<Subfolder> subfolders;
  uint64_t addedHere = 0;
  const bool recurse = c.preset.noRecursion == 0;
  const uint32_t code = EnumerateDirectory(path, [&](const DirEntry& entry) {
    try {
      if (IsDotEntry(entry.name)) return true;
      if (entry.attributes & attr::kDirectory) {
        // Links to folders are shown by the listing but never followed.
        if (recurse && (entry.attributes & attr::kReparsePoint) == 0)
          subfolders.push_back({std::u16string(entry.name), {entry.device, entry.inode}});
        return true;
      }
      AcceptFile(c, entry, index, path, addedHere);
    } catch (...) {
      // One bad entry must not end the folder: it is dropped.
    }
    return true;
  });
  if (code != 0) return fail(code);
  for (const Subfolder& sub : subfolders) {
    if (c.stop != nullptr && c.stop->load(std::memory_order_relaxed) != 0) break;
    ScanFolder(c, sub.name, index, path, &sub.identity);
  }
  if (addedHere > 0 && c.onFilesAdded) c.onFilesAdded(c.filesFound, c.bytesFound);
  return 0;
}

void ScanFolders(ScanContext& c, platform::FileTime now) {
  c.filter = c.preset.filter;
  PrepareFilter(c.filter, now);
  c.excluded.clear();
  for (const auto& entry : c.preset.excludedFolders) c.excluded.push_back(ResolveExcluded(entry));
  for (const std::u16string& folder : c.preset.folders) {
    if (c.stop != nullptr && c.stop->load(std::memory_order_relaxed) != 0) break;
    try {
      std::u16string path = settings::ExpandPathMacros(folder);
      while (path.size() > 1 && platform::IsSeparator(path.back())) path.pop_back();
      ScanFolder(c, path, 0, {});
    } catch (...) {
      // A failed pass ends the scan; the run goes on with what was found and says so.
      c.incomplete = true;
      c.problems.push_back({folder, platform::err::kNotEnoughMemory, true});
      break;
    }
  }
}

}  // namespace tarnq::engine
