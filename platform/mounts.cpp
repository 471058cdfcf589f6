// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mounts.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The mount point field as bytes: "\ooo" (000 to 377) is one byte; any other backslash stays as
// it is.
std::string Unescape(std::string_view field) {
  std::string bytes;
  bytes.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
      bytes += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      bytes += field[i];
    }
  }
  return bytes;
}

// True when `path` is a folder directly below `root` (which ends with "/").
bool DirectlyBelow(std::u16string_view path, std::u16string_view root) {
  return path.size() > root.size() && path.starts_with(root) &&
         path.find(u'/', root.size()) == std::u16string_view::npos;
}

}  // namespace

std::vector<std::u16string> MountPointsFromTable(std::string_view table, std::u16string_view user) {
  std::vector<std::u16string> mounts;
  auto add = [&](std::u16string path) {
    for (const auto& m : mounts)
      if (m == path) return;
    mounts.push_back(std::move(path));
  };
  add(u"/");
  const std::u16string runMedia = u"/run/media/" + std::u16string(user) + u"/";
  size_t pos = 0;
  while (pos < table.size()) {
    size_t end = table.find('\n', pos);
    if (end == std::string_view::npos) end = table.size();
    const std::string_view line = table.substr(pos, end - pos);
    pos = end + 1;
    const size_t a = line.find(' ');
    if (a == std::string_view::npos) continue;
    const size_t b = line.find(' ', a + 1);
    const std::string_view field = line.substr(a + 1, b == std::string_view::npos ? b : b - a - 1);
    std::u16string path = NameBytesToUtf16(Unescape(field));
    if (path == u"/home" || DirectlyBelow(path, u"/media/") || DirectlyBelow(path, u"/mnt/") ||
        (!user.empty() && DirectlyBelow(path, runMedia)))
      add(std::move(path));
  }
  return mounts;
}

std::vector<std::u16string> MountedFileSystems() {
  std::string table;
  if (ReadWholeFile(u"/proc/self/mounts", table, 1 << 22) != 0) return {u"/"};
  std::u16string user;
  GetEnvironment(u"USER", user);
  return MountPointsFromTable(table, user);
}

}  // namespace tarnq::platform
