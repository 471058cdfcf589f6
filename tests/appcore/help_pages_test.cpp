// SPDX-License-Identifier: GPL-3.0-or-later
// The help pages placed beside the programs by the build (docs/help): found for their language,
// readable offline, and carrying every topic the windows open.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "appcore/help_files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::appcore {
namespace {

// The topics the main window and the dialogs link to (page.HTM#topic).
constexpr const char* kTopics[] = {
    "main-window", "preset-bar", "result-list", "status-bar", "menus", "shortcuts",
    "preset", "similarity", "favorites", "copy-move", "rename", "delete", "properties",
    "configuration", "font", "customize-toolbar", "language", "player", "keys",
};

struct Page {
  std::u16string_view code;
  std::u16string_view fileName;
};
constexpr Page kPages[] = {{u"US", u"TARNQ_US.HTM"}, {u"DE", u"TARNQ_DE.HTM"}};

std::string ReadPage(std::u16string_view code) {
  const HelpFile help = FindHelpFile(platform::ProgramFolder(), code);
  std::ifstream in(platform::Utf16ToUtf8(help.path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> Matches(const std::string& text, const std::regex& pattern) {
  std::set<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
    out.insert((*it)[1].str());
  }
  return out;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST(HelpPages, EachLanguageFindsItsOwnPageBesideTheProgram) {
  for (const Page& page : kPages) {
    const HelpFile help = FindHelpFile(platform::ProgramFolder(), page.code);
    EXPECT_EQ(help.kind, HelpKind::kHtm) << platform::Utf16ToUtf8(page.code);
    EXPECT_TRUE(help.path.ends_with(std::u16string(platform::kSeparatorText) + std::u16string(page.fileName))) << platform::Utf16ToUtf8(help.path);
  }
}

TEST(HelpPages, EveryTopicIsAnAnchorAndEveryLinkInsideAPageLeadsToOne) {
  const std::regex ids(R"re(\bid="([^"]+)")re");
  const std::regex links(R"re(href="#([^"]*)")re");
  std::set<std::string> english;
  for (const Page& page : kPages) {
    const std::string text = ReadPage(page.code);
    ASSERT_FALSE(text.empty()) << platform::Utf16ToUtf8(page.fileName);
    const std::set<std::string> anchors = Matches(text, ids);
    for (const char* topic : kTopics) EXPECT_TRUE(anchors.contains(topic)) << topic;
    for (const std::string& link : Matches(text, links)) EXPECT_TRUE(anchors.contains(link)) << "#" << link;
    // A dialog opens the same topic in every language.
    if (english.empty()) english = anchors;
    else EXPECT_EQ(anchors, english) << platform::Utf16ToUtf8(page.fileName);
  }
}

TEST(HelpPages, PagesAreUtf8AndNeedNothingFromOutside) {
  for (const Page& page : kPages) {
    const std::string text = ReadPage(page.code);
    const std::string lower = Lower(text);
    const std::string name = platform::Utf16ToUtf8(page.fileName);
    EXPECT_NE(lower.find("<meta charset=\"utf-8\">"), std::string::npos) << name;
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)), text) << name << ": not valid UTF-8";
    EXPECT_EQ(lower.find("<script"), std::string::npos) << name;
    EXPECT_EQ(lower.find("<link"), std::string::npos) << name;
    // Pictures only from the folder placed beside the page.
    for (const std::string& source : Matches(lower, std::regex("src=\"([^\"]*)\""))) {
      EXPECT_TRUE(std::regex_match(source, std::regex("screenshots/[a-z0-9-]+\\.png"))) << name << ": " << source;
      const std::u16string placed = platform::JoinPath(platform::ProgramFolder(), platform::Utf8ToUtf16(source));
      EXPECT_TRUE(std::ifstream(platform::Utf16ToUtf8(placed)).good()) << name << ": " << source << " is not placed";
    }
    EXPECT_FALSE(std::regex_search(lower, std::regex("src=(?!\"screenshots/)"))) << name;
    EXPECT_EQ(lower.find("@import"), std::string::npos) << name;
  }
}

}  // namespace
}  // namespace tarnq::appcore
