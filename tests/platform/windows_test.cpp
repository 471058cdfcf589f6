// SPDX-License-Identifier: GPL-3.0-or-later
// What only Windows has: names compared ignoring case, device names, long paths, attributes, files
// locked by another program, the Recycle Bin.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <random>

#include "platform/errors.h"
#include "platform/file_ops.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace tarnq::platform {
namespace {

namespace fs = std::filesystem;

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = fs::temp_directory_path() / ("tarnq-win-" + std::to_string(std::random_device()()));
    fs::create_directories(m_root);
  }
  void TearDown() override {
    // Attributes that would stop the clean-up.
    std::error_code error;
    for (fs::recursive_directory_iterator it(m_root, error), end; !error && it != end; it.increment(error))
      SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(m_root, error);
  }
  std::u16string Root() const {
    const std::wstring w = m_root.wstring();
    return std::u16string(reinterpret_cast<const char16_t*>(w.data()), w.size());
  }
  std::u16string P(std::u16string_view name) const { return JoinPath(Root(), name); }
  fs::path m_root;
};

TEST(WindowsPaths, NamesCompareIgnoringCaseAndTheKindOfSeparator) {
  struct Case {
    std::u16string_view a, b;
    bool same;
  } cases[] = {
      {u"C:\\Music\\Abba", u"c:\\music\\ABBA", true},
      {u"C:\\Music\\Abba\\", u"C:/Music/Abba", true},
      {u"C:\\Música", u"C:\\MÚSICA", true},
      {u"C:\\Music\\Abba", u"C:\\Music\\Abbas", false},
      {u"\\\\Server\\Share\\A", u"\\\\server\\share\\a", true},
  };
  for (const Case& c : cases) EXPECT_EQ(SamePath(c.a, c.b), c.same) << Utf16ToUtf8(c.a);
  EXPECT_TRUE(IsInFolder(u"c:\\music\\abba\\song.mp3", u"C:\\Music"));
  EXPECT_FALSE(IsInFolder(u"C:\\Musical\\song.mp3", u"C:\\Music"));
  EXPECT_EQ(FolderOf(u"C:\\song.mp3"), u"C:\\");
  EXPECT_EQ(FileNameOf(u"C:\\Music/song.mp3"), u"song.mp3");
  EXPECT_TRUE(IsAbsolutePath(u"\\\\server\\share\\x"));
  EXPECT_FALSE(IsAbsolutePath(u"\\music\\x"));
}

TEST_F(WindowsFiles, DeviceNamesAndTrailingDotsOrBlanksAreRefused) {
  ASSERT_EQ(WriteFileAtomically(P(u"song.mp3"), "keep"), 0u);
  for (std::u16string_view name : {u"CON", u"nul.txt", u"Lpt1.mp3", u"aux", u"song.", u"song ", u"a?b"}) {
    EXPECT_EQ(WriteFileAtomically(P(name), "x"), err::kInvalidName) << Utf16ToUtf8(name);
    EXPECT_EQ(RenameInFolder(P(u"song.mp3"), name), err::kInvalidName) << Utf16ToUtf8(name);
  }
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(P(u"song.mp3"), bytes), 0u);
  EXPECT_EQ(bytes, "keep");
  EXPECT_EQ(fs::directory_iterator(m_root)->path().filename(), fs::path(L"song.mp3"));
}

TEST_F(WindowsFiles, PathsLongerThanMaxPathWork) {
  std::u16string folder = Root();
  while (folder.size() < 400) folder = JoinPath(folder, u"a rather long folder name for music");
  ASSERT_EQ(CreateFolders(folder), 0u);
  const std::u16string file = JoinPath(folder, u"song.mp3");
  ASSERT_EQ(WriteFileAtomically(file, "long"), 0u);
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(file, bytes), 0u);
  EXPECT_EQ(bytes, "long");
  int seen = 0;
  ASSERT_EQ(ListDirectory(folder, [&](const DirEntry& e) { seen += e.name == u"song.mp3"; return true; }), 0u);
  EXPECT_EQ(seen, 1);
  ASSERT_EQ(RenameInFolder(file, u"renamed.mp3"), 0u);
  EXPECT_EQ(DeleteFilePermanently(JoinPath(folder, u"renamed.mp3")), 0u);
  EXPECT_FALSE(FileExists(JoinPath(folder, u"renamed.mp3")));
  // The folders go too, deepest first (the clean-up of the fixture cannot reach that far).
  for (std::u16string f = folder; f.size() > Root().size(); f = std::u16string(FolderOf(f)))
    EXPECT_TRUE(RemoveDirectoryW(W(u"\\\\?\\" + f))) << GetLastError();
}

TEST_F(WindowsFiles, AttributesAreListedAndAReadOnlyFileIsNotDeleted) {
  ASSERT_EQ(WriteFileAtomically(P(u"ro.mp3"), "ro"), 0u);
  ASSERT_EQ(WriteFileAtomically(P(u"hidden.mp3"), "h"), 0u);
  ASSERT_TRUE(SetFileAttributesW(W(P(u"ro.mp3")), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(W(P(u"hidden.mp3")), FILE_ATTRIBUTE_HIDDEN));
  uint16_t ro = 0, hidden = 0;
  ASSERT_EQ(ListDirectory(Root(), [&](const DirEntry& e) {
              if (e.name == u"ro.mp3") ro = e.attributes;
              if (e.name == u"hidden.mp3") hidden = e.attributes;
              return true;
            }),
            0u);
  EXPECT_TRUE(ro & attr::kReadOnly);
  EXPECT_FALSE(ro & attr::kHidden);
  EXPECT_TRUE(hidden & attr::kHidden);
  EXPECT_EQ(DeleteFilePermanently(P(u"ro.mp3")), err::kAccessDenied);
  EXPECT_TRUE(FileExists(P(u"ro.mp3")));
  // A hidden file rewritten stays hidden.
  ASSERT_EQ(WriteFileAtomically(P(u"hidden.mp3"), "new"), 0u);
  EXPECT_TRUE(GetFileAttributesW(W(P(u"hidden.mp3"))) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(WindowsFiles, AFileLockedByAnotherProgramGivesAClearErrorAndStays) {
  ASSERT_EQ(WriteFileAtomically(P(u"busy.mp3"), "busy"), 0u);
  HANDLE lock = CreateFileW(W(P(u"busy.mp3")), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(DeleteFilePermanently(P(u"busy.mp3")), err::kSharingViolation);
  EXPECT_EQ(WipeFile(P(u"busy.mp3"), nullptr), err::kSharingViolation);
  EXPECT_EQ(RenameInFolder(P(u"busy.mp3"), u"other.mp3"), err::kSharingViolation);
  // The system's own words for its code.
  wchar_t text[512];
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 ERROR_SHARING_VIOLATION, 0, text, 512, nullptr);
  ASSERT_GT(n, 0u);
  std::u16string system(reinterpret_cast<const char16_t*>(text), n);
  while (!system.empty() && (system.back() == u'\n' || system.back() == u'\r' || system.back() == u' ')) system.pop_back();
  EXPECT_EQ(ErrorMessage(err::kSharingViolation), Utf16ToUtf8(system));
  CloseHandle(lock);
  std::string bytes;
  ASSERT_EQ(ReadWholeFile(P(u"busy.mp3"), bytes), 0u);
  EXPECT_EQ(bytes, "busy");
  EXPECT_EQ(DeleteFilePermanently(P(u"busy.mp3")), 0u);
}

TEST_F(WindowsFiles, ChangingOnlyTheLetterCaseRenames) {
  ASSERT_EQ(WriteFileAtomically(P(u"song.mp3"), "x"), 0u);
  ASSERT_EQ(RenameInFolder(P(u"song.mp3"), u"SONG.mp3"), 0u);
  EXPECT_EQ(fs::directory_iterator(m_root)->path().filename(), fs::path(L"SONG.mp3"));
  ASSERT_EQ(WriteFileAtomically(P(u"other.mp3"), "y"), 0u);
  EXPECT_EQ(RenameInFolder(P(u"other.mp3"), u"song.MP3"), err::kAlreadyExists);
}

TEST_F(WindowsFiles, RecycleBinTakesTheFile) {
  ASSERT_EQ(WriteFileAtomically(P(u"to-recycle.mp3"), "audio"), 0u);
  ASSERT_EQ(MoveToTrash(P(u"to-recycle.mp3")), 0u);
  EXPECT_FALSE(FileExists(P(u"to-recycle.mp3")));
  // Under Wine the Recycle Bin is the desktop Trash of $XDG_DATA_HOME, where it can be restored.
  std::u16string data;
  if (GetEnvironment(u"XDG_DATA_HOME", data)) {
    const std::u16string trashed = u"Z:" + data + u"/Trash/files/to-recycle.mp3";
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(trashed, bytes), 0u);
    EXPECT_EQ(bytes, "audio");
  }
  EXPECT_EQ(MoveToTrash(P(u"to-recycle.mp3")), err::kFileNotFound);
}

TEST(WindowsPlaces, PerUserFolderFollowsAppDataAndTheProgramFolderHoldsTheProgram) {
  std::u16string old;
  const bool had = GetEnvironment(u"APPDATA", old);
  SetEnvironmentVariableW(L"APPDATA", L"C:\\Users\\test\\AppData\\Roaming");
  EXPECT_EQ(PerUserFolder(), u"C:\\Users\\test\\AppData\\Roaming\\Quillworks");
  SetEnvironmentVariableW(L"APPDATA", had ? W(old) : nullptr);
  wchar_t module[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::u16string self(reinterpret_cast<const char16_t*>(module), n);
  EXPECT_TRUE(SamePath(ProgramFolder(), FolderOf(self)));
}

TEST(WindowsText, CodePagesAndCaseFollowTheSystem) {
  EXPECT_EQ(DecodeCodePage("\xE4\x80", 1252), u"ä€");
  EXPECT_EQ(DecodeCodePage("\xC6", 1251), u"Ж");
  EXPECT_EQ(EncodeCodePageLossy(u"äЖ", 1252), "\xE4?");
  EXPECT_EQ(UpperUnits(u"straße ä"), u"STRAßE Ä");
  EXPECT_EQ(CompareText(u"apple", u"APPLE"), 0);
  EXPECT_LT(CompareText(u"apple", u"Banana"), 0);
  EXPECT_LT(CompareTextNumeric(u"Track 2", u"Track 10"), 0);
  std::string a, b;
  AppendSortKey(u"apple", a);
  AppendSortKey(u"Banana", b);
  EXPECT_LT(a, b);
}

}  // namespace
}  // namespace tarnq::platform
