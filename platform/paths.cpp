// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/text.h"

namespace tarnq::platform {
namespace {

std::u16string_view TrimTrailingSeparators(std::u16string_view p) {
  while (p.size() > 1 && IsSeparator(p.back())) p.remove_suffix(1);
  return p;
}

std::u16string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return {};
  return NameBytesToUtf16(value);
}

std::u16string HomeFolder() {
  std::u16string home = FromEnvironment("HOME");
  return home.empty() ? std::u16string(u"/") : home;
}

}  // namespace

bool IsSeparator(char16_t c) { return c == kSeparator; }

bool IsAbsolutePath(std::u16string_view path) { return !path.empty() && path.front() == kSeparator; }

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (!out.empty() && !IsSeparator(out.back()) && !name.empty()) out.push_back(kSeparator);
  out.append(name);
  return out;
}

std::u16string_view FileNameOf(std::u16string_view path) {
  const size_t slash = path.rfind(kSeparator);
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view FolderOf(std::u16string_view path) {
  const size_t slash = path.rfind(kSeparator);
  if (slash == std::u16string_view::npos) return {};
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::u16string_view ExtensionOf(std::u16string_view path) {
  const std::u16string_view name = FileNameOf(path);
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0) return {};
  return name.substr(dot + 1);
}

std::u16string_view StemOf(std::u16string_view path) {
  const std::u16string_view name = FileNameOf(path);
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0) return name;
  return name.substr(0, dot);
}

bool SamePath(std::u16string_view a, std::u16string_view b) {
  return TrimTrailingSeparators(a) == TrimTrailingSeparators(b);
}

bool IsInFolder(std::u16string_view path, std::u16string_view folder) {
  folder = TrimTrailingSeparators(folder);
  path = TrimTrailingSeparators(path);
  if (folder.empty() || !path.starts_with(folder)) return false;
  if (path.size() == folder.size()) return true;
  return IsSeparator(folder.back()) || IsSeparator(path[folder.size()]);
}

std::u16string AbsolutePath(std::u16string_view path) {
  std::string bytes;
  if (!Utf16ToNameBytes(path, bytes)) return std::u16string(path);
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(bytes), error);
  if (error) absolute = std::filesystem::path(bytes);
  std::string normal = absolute.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return NameBytesToUtf16(normal);
}

std::u16string ProgramFolder() {
  std::string buffer(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return u".";
  buffer.resize(static_cast<size_t>(n));
  return std::u16string(FolderOf(NameBytesToUtf16(buffer)));
}

namespace {

// The install's folders relative to the executable's; set by the build from the install layout.
#ifndef TARNQ_INSTALL_LIBRARY_FROM_PROGRAM
#define TARNQ_INSTALL_LIBRARY_FROM_PROGRAM "../lib/twinsong"
#endif
#ifndef TARNQ_INSTALL_DATA_FROM_PROGRAM
#define TARNQ_INSTALL_DATA_FROM_PROGRAM "../share/twinsong"
#endif

struct ProgramPlaces {
  std::u16string library;
  std::u16string data;
  bool installed = false;
};

bool IsFolder(const std::u16string& path) {
  std::string bytes;
  if (!Utf16ToNameBytes(path, bytes)) return false;
  struct stat info {};
  return ::stat(bytes.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Resolves "<program>/../lib/twinsong" to "<prefix>/lib/twinsong" textually: the program folder
// comes from /proc/self/exe and is already free of links and dot segments.
std::u16string Below(std::u16string_view program, std::string_view relative) {
  std::u16string_view folder = program;
  while (relative.starts_with("../")) {
    folder = FolderOf(folder);
    relative.remove_prefix(3);
  }
  return JoinPath(folder.empty() ? std::u16string_view(u"/") : folder, NameBytesToUtf16(relative));
}

ProgramPlaces FindProgramPlaces() {
  ProgramPlaces places;
  const std::u16string program = ProgramFolder();
  places.library = program;
  places.data = program;
  // An install is recognised by its library folder: it holds what the program cannot start without.
  // Without a known program folder there is nothing to go up from.
  if (!IsAbsolutePath(program)) return places;
  const std::u16string library = Below(program, TARNQ_INSTALL_LIBRARY_FROM_PROGRAM);
  if (!SamePath(library, program) && IsFolder(library)) {
    places.library = library;
    places.data = Below(program, TARNQ_INSTALL_DATA_FROM_PROGRAM);
    places.installed = true;
  }
  return places;
}

const ProgramPlaces& Places() {
  static const ProgramPlaces places = FindProgramPlaces();
  return places;
}

}  // namespace

bool IsInstalledProgram() { return Places().installed; }

std::u16string ProgramLibraryFolder() { return Places().library; }

std::u16string ProgramDataFolder() { return Places().data; }

std::u16string AppDataFolder() {
  std::u16string config = FromEnvironment("XDG_CONFIG_HOME");
  if (!config.empty() && IsAbsolutePath(config)) return std::u16string(TrimTrailingSeparators(config));
  return JoinPath(HomeFolder(), u".config");
}

std::u16string PerUserFolder() { return JoinPath(AppDataFolder(), u"Quillworks"); }

std::u16string TempFolder() {
  std::u16string temp = FromEnvironment("TMPDIR");
  if (!temp.empty() && IsAbsolutePath(temp)) return std::u16string(TrimTrailingSeparators(temp));
  return u"/tmp";
}

std::u16string CacheFolder() {
  const std::u16string cache = FromEnvironment("XDG_CACHE_HOME");
  if (IsAbsolutePath(cache)) return std::u16string(TrimTrailingSeparators(cache));
  return JoinPath(HomeFolder(), u".cache");
}

std::u16string CurrentFolder() {
  std::string buffer(4096, '\0');
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return u"/";
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return NameBytesToUtf16(buffer);
}

std::u16string RuntimeFolder() {
  for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
    const std::u16string folder = FromEnvironment(name);
    if (IsAbsolutePath(folder)) return std::u16string(TrimTrailingSeparators(folder));
  }
  return JoinPath(HomeFolder(), u".cache");
}

bool GetEnvironment(std::u16string_view name, std::u16string& value) {
  std::string bytes;
  if (name.empty() || !Utf16ToNameBytes(name, bytes)) return false;
  const char* v = std::getenv(bytes.c_str());
  if (v == nullptr) return false;
  value = NameBytesToUtf16(v);
  return true;
}

}  // namespace tarnq::platform
