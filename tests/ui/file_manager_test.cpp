// SPDX-License-Identifier: GPL-3.0-or-later
// File URIs from a path's raw bytes, and the folder a path shows in.
#include "ui/file_manager.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/files.h"

namespace tarnq::ui {
namespace {

struct UriCase {
  std::u16string_view path;
  const char* uri;
};

TEST(FileUri, PercentEncodesTheRawBytes) {
  const UriCase cases[] = {
      {u"/music/a b/song.mp3", "file:///music/a%20b/song.mp3"},
      {u"/music/100%#?.mp3", "file:///music/100%25%23%3F.mp3"},
      {u"/music/\u00c4rger.mp3", "file:///music/%C3%84rger.mp3"},
      // A name byte that is not UTF-8 (0xFF) keeps its value.
      {u"/music/\xDCFF.mp3", "file:///music/%FF.mp3"},
      {u"", ""},
  };
  for (const UriCase& c : cases) {
    EXPECT_EQ(FileUri(c.path), QString::fromLatin1(c.uri));
    EXPECT_EQ(FileUrl(c.path).toString(QUrl::FullyEncoded), QString::fromLatin1(c.uri));
  }
}

TEST(ContainingFolder, CutsTheNameUnlessThePathIsAFolder) {
  testing::Scratch scratch;
  const std::u16string folder = scratch.Path16();
  EXPECT_EQ(ContainingFolder(folder + u"/song.mp3"), folder);
  EXPECT_EQ(ContainingFolder(folder), folder);
  EXPECT_EQ(ContainingFolder(u"/song.mp3"), u"/");
}

}  // namespace
}  // namespace tarnq::ui
