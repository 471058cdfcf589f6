// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paths.h"

#include <shlobj.h>

#include <vector>

#include "platform/errors.h"
#include "platform/win/win_util.h"

namespace tarnq::platform {
namespace {

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Length of the root of an absolute path: "C:\" 3, "\\server\share\" up to and including the
// separator after the share, "\\?\C:\" 7; 0 for a relative path.
size_t RootLength(std::u16string_view p) {
  auto sep = [&](size_t i) { return i < p.size() && IsSeparator(p[i]); };
  size_t start = 0;
  if (p.size() >= 4 && sep(0) && sep(1) && (p[2] == u'?' || p[2] == u'.') && sep(3)) {
    start = 4;
    if (p.size() >= start + 4 && (p.substr(start, 3) == u"UNC" || p.substr(start, 3) == u"unc") && sep(start + 3)) {
      start += 4;
      goto share;
    }
  } else if (sep(0) && sep(1)) {
    start = 2;
    goto share;
  }
  if (p.size() >= start + 3 && IsDriveLetter(p[start]) && p[start + 1] == u':' && sep(start + 2)) return start + 3;
  return 0;
share:
  size_t i = start;
  while (i < p.size() && !IsSeparator(p[i])) ++i;  // server
  if (i == start || i >= p.size()) return 0;
  const size_t shareStart = ++i;
  while (i < p.size() && !IsSeparator(p[i])) ++i;  // share
  if (i == shareStart) return 0;
  return i < p.size() ? i + 1 : i;
}

std::u16string_view TrimTrailingSeparators(std::u16string_view p) {
  const size_t root = RootLength(p);
  while (p.size() > 1 && p.size() > root && IsSeparator(p.back())) p.remove_suffix(1);
  return p;
}

char16_t FoldForPath(char16_t c) {
  if (c == u'/') return u'\\';
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return c;
}

// Equal as the file system compares names: ignoring case (its own upper-case table) and the kind
// of separator.
bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  std::u16string x(a), y(b);
  for (char16_t& c : x) c = FoldForPath(c);
  for (char16_t& c : y) c = FoldForPath(c);
  if (x == y) return true;
  return CompareStringOrdinal(win::Wide(x), static_cast<int>(x.size()), win::Wide(y), static_cast<int>(y.size()),
                              TRUE) == CSTR_EQUAL;
}

std::u16string FromEnvironment(const wchar_t* name) {
  std::u16string value;
  std::u16string key(reinterpret_cast<const char16_t*>(name));
  if (!GetEnvironment(key, value)) return {};
  return value;
}

std::u16string KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::u16string out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) out = win::FromWide(path);
  CoTaskMemFree(path);
  return out;
}

std::u16string Trimmed(std::u16string p) { return std::u16string(TrimTrailingSeparators(p)); }

}  // namespace

namespace win {

bool IsForbiddenName(std::u16string_view name) {
  if (name.empty()) return true;
  for (char16_t c : name) {
    if (c < 32) return true;
    switch (c) {
      case u'<': case u'>': case u':': case u'"': case u'/': case u'\\': case u'|': case u'?': case u'*':
        return true;
      default: break;
    }
  }
  if (name.back() == u'.' || name.back() == u' ') return name != u"." && name != u"..";
  // Device names, with or without an extension.
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  if (base.size() != 3 && base.size() != 4) return false;
  std::u16string upper(base);
  for (char16_t& c : upper) c = FoldForPath(c);
  if (upper == u"CON" || upper == u"PRN" || upper == u"AUX" || upper == u"NUL") return true;
  if (upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) && upper[3] >= u'1' &&
      upper[3] <= u'9')
    return true;
  return false;
}

uint32_t NativePath(std::u16string_view path, std::wstring& native, bool relativeAllowed) {
  native.clear();
  if (relativeAllowed && !path.empty() && RootLength(path) == 0 && path.find(u'\0') == std::u16string_view::npos) {
    const std::u16string absolute = AbsolutePath(path);
    if (RootLength(absolute) != 0) return NativePath(absolute, native, false);
  }
  const size_t root = RootLength(path);
  if (root == 0 || path.find(u'\0') != std::u16string_view::npos) return err::kInvalidName;
  std::u16string rootText(path.substr(0, root));
  for (char16_t& c : rootText)
    if (c == u'/') c = u'\\';
  std::u16string prefix;
  if (rootText.starts_with(u"\\\\?\\") || rootText.starts_with(u"\\\\.\\")) {
    if (rootText[2] == u'.') return err::kInvalidName;  // the device namespace is not for files
    prefix = rootText;
  } else if (rootText.starts_with(u"\\\\")) {
    prefix = u"\\\\?\\UNC\\" + rootText.substr(2);
  } else {
    prefix = u"\\\\?\\" + rootText;
  }
  if (!IsSeparator(prefix.back())) prefix.push_back(u'\\');
  // The server and share of a UNC root must be plain names too.
  if (prefix.starts_with(u"\\\\?\\UNC\\")) {
    std::u16string_view rest = std::u16string_view(prefix).substr(8);
    rest.remove_suffix(1);
    const size_t sep = rest.find(u'\\');
    if (sep == std::u16string_view::npos || IsForbiddenName(rest.substr(0, sep)) || IsForbiddenName(rest.substr(sep + 1)))
      return err::kInvalidName;
  }
  std::vector<std::u16string_view> parts;
  std::u16string_view rest = path.substr(root);
  while (!rest.empty()) {
    size_t n = 0;
    while (n < rest.size() && !IsSeparator(rest[n])) ++n;
    const std::u16string_view part = rest.substr(0, n);
    rest.remove_prefix(n < rest.size() ? n + 1 : n);
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (IsForbiddenName(part)) return err::kInvalidName;
    parts.push_back(part);
  }
  std::u16string out = prefix;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out.push_back(u'\\');
    out.append(parts[i]);
  }
  native = WideString(out);
  return 0;
}

std::u16string ProgramPath(std::wstring_view native) {
  std::u16string_view p(reinterpret_cast<const char16_t*>(native.data()), native.size());
  if (p.starts_with(u"\\\\?\\UNC\\")) return u"\\\\" + std::u16string(p.substr(8));
  if (p.starts_with(u"\\\\?\\") && p.size() >= 6 && p[5] == u':') return std::u16string(p.substr(4));
  return std::u16string(p);
}

}  // namespace win

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsAbsolutePath(std::u16string_view path) { return RootLength(path) != 0; }

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (!out.empty() && !IsSeparator(out.back()) && !name.empty()) out.push_back(kSeparator);
  out.append(name);
  return out;
}

std::u16string_view FileNameOf(std::u16string_view path) {
  const size_t sep = path.find_last_of(u"\\/");
  if (sep == std::u16string_view::npos) return path.size() == 2 && path[1] == u':' ? std::u16string_view{} : path;
  return path.substr(sep + 1);
}

std::u16string_view FolderOf(std::u16string_view path) {
  const size_t sep = path.find_last_of(u"\\/");
  if (sep == std::u16string_view::npos) return {};
  const size_t root = RootLength(path);
  if (root != 0 && sep < root) return path.substr(0, root);
  return path.substr(0, sep);
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
  return SameIgnoringCase(TrimTrailingSeparators(a), TrimTrailingSeparators(b));
}

bool IsInFolder(std::u16string_view path, std::u16string_view folder) {
  folder = TrimTrailingSeparators(folder);
  path = TrimTrailingSeparators(path);
  if (folder.empty() || path.size() < folder.size()) return false;
  if (!SameIgnoringCase(path.substr(0, folder.size()), folder)) return false;
  if (path.size() == folder.size()) return true;
  return IsSeparator(folder.back()) || IsSeparator(path[folder.size()]);
}

std::u16string AbsolutePath(std::u16string_view path) {
  const std::wstring wide = win::WideString(path);
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return std::u16string(path);
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  return Trimmed(win::ProgramPath(buffer));
}

std::u16string ProgramFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return u".";
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return std::u16string(FolderOf(win::ProgramPath(buffer)));
}

// A Windows installation keeps everything in the program's folder (as the portable layout does).
bool IsInstalledProgram() { return false; }

std::u16string ProgramLibraryFolder() { return ProgramFolder(); }

std::u16string ProgramDataFolder() { return ProgramFolder(); }

std::u16string AppDataFolder() {
  std::u16string folder = FromEnvironment(L"APPDATA");
  if (!IsAbsolutePath(folder)) folder = KnownFolder(FOLDERID_RoamingAppData);
  return Trimmed(folder);
}

std::u16string PerUserFolder() { return JoinPath(AppDataFolder(), u"Quillworks"); }

std::u16string TempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH + 1) return u"C:\\Windows\\Temp";
  return Trimmed(win::FromWide(buffer, n));
}

std::u16string CacheFolder() {
  std::u16string folder = FromEnvironment(L"LOCALAPPDATA");
  if (!IsAbsolutePath(folder)) folder = KnownFolder(FOLDERID_LocalAppData);
  return Trimmed(folder);
}

std::u16string CurrentFolder() {
  const DWORD need = GetCurrentDirectoryW(0, nullptr);
  if (need == 0) return u"C:\\";
  std::wstring buffer(need, L'\0');
  const DWORD n = GetCurrentDirectoryW(need, buffer.data());
  if (n == 0 || n >= need) return u"C:\\";
  buffer.resize(n);
  return Trimmed(win::ProgramPath(buffer));
}

// Only its user can enter the local application-data folder.
std::u16string RuntimeFolder() { return CacheFolder(); }

bool GetEnvironment(std::u16string_view name, std::u16string& value) {
  if (name.empty() || name.find(u'=') != std::u16string_view::npos) return false;
  const std::wstring key = win::WideString(name);
  SetLastError(0);
  DWORD need = GetEnvironmentVariableW(key.c_str(), nullptr, 0);
  if (need == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    value.clear();
    return true;
  }
  std::wstring buffer(need, L'\0');
  const DWORD n = GetEnvironmentVariableW(key.c_str(), buffer.data(), need);
  if (n >= need) return false;
  value = win::FromWide(buffer.data(), n);
  return true;
}

}  // namespace tarnq::platform
