// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/help_files.h"

#include <algorithm>

#include "lang/language_file.h"

namespace tarnq::appcore {
namespace {

struct Extension {
  std::u16string_view text;
  HelpKind kind;
};
constexpr Extension kExtensions[] = {{u"CHM", HelpKind::kChm}, {u"HLP", HelpKind::kHlp}, {u"HTM", HelpKind::kHtm}};

// A code can come from the settings file; one that could name another folder finds nothing.
bool UsableCode(std::u16string_view code) {
  return !code.empty() && std::none_of(code.begin(), code.end(), [](char16_t c) { return c == u'/' || c == 0; });
}

}  // namespace

HelpFile FindHelpFile(std::u16string_view programFolder, std::u16string_view languageCode) {
  for (const std::u16string_view code : {languageCode, std::u16string_view(u"US")}) {
    if (!UsableCode(code)) continue;
    for (const Extension& extension : kExtensions) {
      const std::u16string name = u"TARNQ_" + std::u16string(code) + u"." + std::u16string(extension.text);
      std::u16string path = lang::FindFileInFolder(programFolder, name);
      if (!path.empty()) return {std::move(path), extension.kind};
    }
  }
  return {};
}

}  // namespace tarnq::appcore
