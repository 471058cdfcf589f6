// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the help file (command 201): beside the program, named TARNQ_<language code>.<ext>, the
// extensions tried in the order CHM, HLP, HTM, first for the language's own code, then for "US".
// Names are compared ignoring case, so files copied from Windows are found. Only an HTM file can
// be shown here (with the desktop's browser); the kind tells the front end what it found.
#pragma once

#include <string>
#include <string_view>

namespace tarnq::appcore {

enum class HelpKind { kNone, kChm, kHlp, kHtm };

struct HelpFile {
  std::u16string path;  // empty when nothing was found
  HelpKind kind = HelpKind::kNone;
};

// `languageCode` is the active language's code ("DE", "US", or a language file's code).
HelpFile FindHelpFile(std::u16string_view programFolder, std::u16string_view languageCode);

}  // namespace tarnq::appcore
