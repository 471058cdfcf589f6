// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/help_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

TEST(HelpFiles, OwnLanguageFirstThenUsInTheOrderChmHlpHtm) {
  struct Case {
    std::vector<std::string> files;  // a name ending in '/' is a folder
    std::u16string_view code;
    std::string found;  // "" = nothing
    HelpKind kind;
  };
  const Case cases[] = {
      {{"tarnq_de.htm", "TARNQ_US.CHM"}, u"DE", "tarnq_de.htm", HelpKind::kHtm},
      {{"TARNQ_DE.htm", "TARNQ_DE.HLP"}, u"de", "TARNQ_DE.HLP", HelpKind::kHlp},
      {{"TARNQ_FR.HTM", "Tarnq_Fr.Chm"}, u"FR", "Tarnq_Fr.Chm", HelpKind::kChm},
      {{"TARNQ_US.HTM", "TARNQ_DE.HTM"}, u"FR", "TARNQ_US.HTM", HelpKind::kHtm},
      {{"TARNQ_FR.CHM/", "TARNQ_US.HTM"}, u"FR", "TARNQ_US.HTM", HelpKind::kHtm},
      {{"TARNQ_US.HTM"}, u"../", "TARNQ_US.HTM", HelpKind::kHtm},
      {{"TARNQ.HTM", "TARNQ_US.HTML"}, u"US", "", HelpKind::kNone},
  };
  for (const Case& c : cases) {
    testing::ScratchFolder folder;
    for (const std::string& name : c.files) {
      if (name.ends_with('/')) std::filesystem::create_directory(folder.Native() / name);
      else folder.Write(name, "help");
    }
    const HelpFile help = FindHelpFile(folder.Path(), c.code);
    EXPECT_EQ(help.path, c.found.empty() ? u"" : folder.Path(c.found)) << c.found;
    EXPECT_EQ(help.kind, c.kind) << c.found;
  }
}

}  // namespace
}  // namespace tarnq::appcore
