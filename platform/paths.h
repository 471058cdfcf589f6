// SPDX-License-Identifier: GPL-3.0-or-later
// Paths as the program handles them: UTF-16 text. On Linux '/' is the only separator (conversion to
// the bytes the system takes is in text.h, Utf16ToNameBytes); on Windows '\' is the separator and
// '/' is read as one too, paths begin with a drive ("C:\") or a share ("\\server\share"), and
// names compare ignoring case.
#pragma once

#include <string>
#include <string_view>

namespace tarnq::platform {

#ifdef _WIN32
inline constexpr char16_t kSeparator = u'\\';
inline constexpr std::u16string_view kSeparatorText = u"\\";
#else
inline constexpr char16_t kSeparator = u'/';
inline constexpr std::u16string_view kSeparatorText = u"/";
#endif

bool IsSeparator(char16_t c);
bool IsAbsolutePath(std::u16string_view path);

// Joins with one separator between the parts (none added when `folder` ends with one or is empty).
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);
// The part after the last separator ("" for a path ending with one).
std::u16string_view FileNameOf(std::u16string_view path);
// Everything before the last separator ("/" or "C:\\" for a file in the root, "" without separator).
std::u16string_view FolderOf(std::u16string_view path);
// The extension of the file name without the dot ("" when the name has no dot or only a leading one).
std::u16string_view ExtensionOf(std::u16string_view path);
// The file name without its extension and dot.
std::u16string_view StemOf(std::u16string_view path);

// Two paths name the same place, ignoring trailing separators: an exact comparison on Linux
// (case-sensitive file systems), ignoring case and the kind of separator on Windows.
bool SamePath(std::u16string_view a, std::u16string_view b);
// `path` is `folder` or lies below it; "/music/a" is not below "/music/ab" nor "/music/a b".
bool IsInFolder(std::u16string_view path, std::u16string_view folder);

// The absolute form of a path given by a person (a command-line argument): relative to the current
// folder, "." and ".." resolved, without a trailing separator (except a root's).
std::u16string AbsolutePath(std::u16string_view path);

// The folder of the running executable.
std::u16string ProgramFolder();
// An installed program keeps its pieces in the install's own folders rather than beside the
// executable: <prefix>/bin/tarnq finds its libraries and plug-ins in <prefix>/lib/twinsong and its
// help pages and language files in <prefix>/share/twinsong. A program run from its build folder
// (or any folder that is not such an install) keeps everything in the program folder.
bool IsInstalledProgram();
// Where the language library and the input plug-ins are: <prefix>/lib/twinsong when installed,
// else the program folder.
std::u16string ProgramLibraryFolder();
// Where the help pages and language files are: <prefix>/share/twinsong when installed, else the
// program folder.
std::u16string ProgramDataFolder();
// The per-user folder: $XDG_CONFIG_HOME/Quillworks, else ~/.config/Quillworks (Windows:
// %APPDATA%\Quillworks).
std::u16string PerUserFolder();
// %APPDATA%: $XDG_CONFIG_HOME, else ~/.config.
std::u16string AppDataFolder();
// %TEMP%: $TMPDIR, else /tmp.
std::u16string TempFolder();
// The per-user cache folder: $XDG_CACHE_HOME, else ~/.cache (it may not exist yet; Windows:
// %LOCALAPPDATA%).
std::u16string CacheFolder();
// The process's current folder ("/" when it cannot be told).
std::u16string CurrentFolder();
// The per-user folder for short-lived files that other programs of the user open (only the user
// can enter it): $XDG_RUNTIME_DIR, else the per-user cache folder $XDG_CACHE_HOME, else ~/.cache.
// The cache folder may not exist yet.
std::u16string RuntimeFolder();
// The environment variable's value; false when it is not set.
bool GetEnvironment(std::u16string_view name, std::u16string& value);

}  // namespace tarnq::platform
