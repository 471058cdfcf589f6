// SPDX-License-Identifier: GPL-3.0-or-later
#include "appcore/start_arguments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "appcore_test_support.h"

namespace tarnq::appcore {
namespace {

TEST(StartArguments, FirstExistingFileThatIsNoNumberAndNoFolder) {
  testing::ScratchFolder folder;
  folder.Write("123", "a file named like a number");
  folder.Write("p.tnq", "[TARNQ]");
  folder.Write("q.tnq", "[TARNQ]");
  std::filesystem::create_directory(folder.Native() / "dir.tnq");
  const std::vector<std::u16string> arguments = {
      u"/usr/bin/tarnq", u"-5", u"123", folder.Path("123"), folder.Path("missing.tnq"), folder.Path("dir.tnq"),
      folder.Path("p.tnq"), folder.Path("q.tnq")};
  EXPECT_EQ(PresetArgument(arguments), folder.Path("123"));  // a path is no number
  EXPECT_EQ(PresetArgument(std::span(arguments).subspan(0, 3)), u"");
  std::vector<std::u16string> rest = {arguments[0]};
  rest.insert(rest.end(), arguments.begin() + 4, arguments.end());
  EXPECT_EQ(PresetArgument(rest), folder.Path("p.tnq"));
  EXPECT_EQ(PresetArgument(std::span(arguments).subspan(0, 1)), u"");  // the program name is never taken
}

TEST(StartArguments, RelativeNamesBecomeAbsolute) {
  testing::ScratchFolder folder;
  folder.Write("p.tnq", "[TARNQ]");
  std::filesystem::create_directory(folder.Native() / "sub");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.Native() / "sub");
  const std::vector<std::u16string> arguments = {u"tarnq", u"42", u"../p.tnq"};
  const std::u16string found = PresetArgument(arguments);
  std::filesystem::current_path(before);
  EXPECT_EQ(found, folder.Path("p.tnq"));
}

}  // namespace
}  // namespace tarnq::appcore
