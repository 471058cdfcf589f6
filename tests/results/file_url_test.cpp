// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "results/export.h"

namespace tarnq::results {
namespace {

TEST(FileUrl, NamesTheFileAsABrowserOpensIt) {
  struct Case {
    std::u16string_view path, url;
  } cases[] = {
#ifdef _WIN32
      {u"C:\\Music\\a b.mp3", u"file:///C:/Music/a%20b.mp3"},
      {u"D:/Mix/Ärzte#1.mp3", u"file:///D:/Mix/%C3%84rzte%231.mp3"},
      {u"\\\\server\\share\\x.mp3", u"file://server/share/x.mp3"},
#else
      {u"/music/a b.mp3", u"file:///music/a%20b.mp3"},
      {u"/mix/Ärzte#1.mp3", u"file:///mix/%C3%84rzte%231.mp3"},
      {u"/m/back\\slash:colon.mp3", u"file:///m/back%5Cslash%3Acolon.mp3"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(FileUrl(c.path), c.url);
}

}  // namespace
}  // namespace tarnq::results
