#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/core/CDocument.h"
#include "platform/core/CWinApp.h"
#include "platform/core/Exceptions.h"
#include "platform/core/NativePath.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

using platform::PathFromNative;
using platform::ToNativePath;
using tvqtest::ScopedEnv;
using tvqtest::TempDir;

namespace {

TEST(NativePathTest, EveryByteSurvivesTheTripThroughCString) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const std::string samples[] = {
      all,
      "/tmp/bad\xff.tvq",
      "/home/u/件名.tvq",
      "\xe4\xbb",             // a cut-off sequence
      "\xed\xa0\x80",         // an encoded surrogate is not UTF-8 either
      "\xc0\xaf/\xf8\x88\x80\x80\x80",  // overlong and five-byte forms
  };
  for (const std::string& bytes : samples) {
    const CString text = PathFromNative(bytes);
    EXPECT_EQ(ToNativePath(text), bytes);
  }
  EXPECT_EQ(PathFromNative("/tmp/bad\xff.tvq"), CString(u"/tmp/bad\xdcff.tvq"));
  EXPECT_EQ(PathFromNative("/a/件名"), CString(u"/a/件名"));
  EXPECT_TRUE(platform::HasUndecodableBytes(PathFromNative("x\x80")));
  EXPECT_FALSE(platform::HasUndecodableBytes(PathFromNative("件名")));
  // Messages show the bytes readably.
  EXPECT_EQ(platform::DisplayPath(PathFromNative("/tmp/bad\xff\x80.tvq")), CString(u"/tmp/bad\\xFF\\x80.tvq"));
}

// A message names the file without letting its name act: a line break, ESC, a C1 control or a direction
// override in a name shows as an escape, whatever surrounds it; everything else shows as it is.
TEST(NativePathTest, MessagesShowControlsInNamesAsEscapes) {
  EXPECT_EQ(platform::DisplayPath(CString(u"/a/x\ny\x1b[2J\u202Egpj.tvq")),
            CString(u"/a/x\\u000Ay\\u001B[2J\\u202Egpj.tvq"));
  EXPECT_EQ(platform::DisplayPath(CString(u"/a/件名 (1).tvq")), CString(u"/a/件名 (1).tvq"));
  const CFileException missing(CFileException::fileNotFound, 2, CString(u"/a/\u009B31m.tvq"));
  const CString message = CDocument::SaveLoadExceptionMessage(CString(), &missing, FALSE, 0);
  EXPECT_EQ(message.view().find(u'\u009B'), std::u16string_view::npos) << message.ToUtf8();
  EXPECT_NE(message.view().find(u"\\u009B31m.tvq"), std::u16string_view::npos) << message.ToUtf8();

  std::mt19937 random(7);
  const std::u16string pool = u"a/.件\n\t\x1b\x7f\x85\x9b\u061c\u200e\u200f\u2028\u2029\u202a\u202e\u2066\u2069\xdc80\xdcff";
  for (int round = 0; round < 2000; ++round) {
    std::u16string name;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) name.push_back(pool[random() % pool.size()]);
    const std::u16string shown = platform::DisplayPath(CString(name)).str();
    for (const char16_t unit : shown) {
      ASSERT_TRUE(unit >= 0x20 && unit != 0x7F && !(unit >= 0x80 && unit <= 0x9F)) << round;
      ASSERT_TRUE(unit != 0x061C && unit != 0x200E && unit != 0x200F && unit != 0x2028 && unit != 0x2029) << round;
      ASSERT_FALSE((unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069)) << round;
      ASSERT_FALSE(unit >= 0xDC80 && unit <= 0xDCFF) << round;
    }
    // Names that need no escape are shown as they are.
    if (shown.find(u'\\') == std::u16string::npos) {
      ASSERT_EQ(shown, name) << round;
    }
  }
}

TEST(NativePathTest, AbsolutePathsFoldDotsAndKeepBytes) {
  EXPECT_EQ(platform::AbsolutePath(CString(u"/a/./b//c/../d.tvq")), CString(u"/a/b/d.tvq"));
  EXPECT_EQ(platform::AbsolutePath(CString(u"/../..")), CString(u"/"));
  TempDir dir;
  const std::string folder = dir.File("f\xfe");
  std::filesystem::create_directory(folder);
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  const CString absolute = platform::AbsolutePath(CString(u"sub/../x.tvq"));
  std::filesystem::current_path(cwd);
  EXPECT_EQ(ToNativePath(absolute), folder + "/x.tvq");
  EXPECT_EQ(platform::FileNameOf(CString(u"/a/b.tvq")), CString(u"b.tvq"));
  EXPECT_EQ(platform::FolderOf(CString(u"/a/b.tvq")), CString(u"/a"));
  EXPECT_EQ(platform::FolderOf(CString(u"/b.tvq")), CString(u"/"));
}

TEST(NativePathTest, ANameShownWithReplacementCharactersFindsItsFile) {
  TempDir dir;
  const std::string folder = dir.File("d\xfe");
  std::filesystem::create_directory(folder);
  tvqtest::WriteText(folder + "/bad\xff.tvq", "x");
  const CString shown = CString::FromUtf8(dir.Path()) + CString(u"/d\xfffd/bad\xfffd.tvq");
  EXPECT_EQ(ToNativePath(platform::RecoverLossyPath(shown)), folder + "/bad\xff.tvq");
  // Two files that look the same: nothing to choose by, the name stays as shown.
  tvqtest::WriteText(folder + "/bad\xfe.tvq", "y");
  EXPECT_EQ(platform::RecoverLossyPath(shown), shown);
  const CString plain = CString::FromUtf8(dir.File("plain.tvq"));
  EXPECT_EQ(platform::RecoverLossyPath(plain), plain);
}

TEST(NativePathTest, TheSettingKeepsTheExactBytesAndReadsOldValuesAsBefore) {
  TempDir dir;
  ScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
  CWinApp app(u"Tarvelquist");
  app.SetRegistryKey(CString(u"VORNAKEL"));
  const CString section(u"Recent File List");
  const CString entry(u"File_tvq");
  const CString bad = PathFromNative("/home/u/bad\xff\x01 =;\".tvq");
  ASSERT_TRUE(app.WriteProfileString(section, entry, bad));
  {
    CWinApp fresh(u"Tarvelquist");  // read back by a new object, as the next start would
    fresh.SetRegistryKey(CString(u"VORNAKEL"));
    EXPECT_EQ(ToNativePath(fresh.GetProfileString(section, entry)), "/home/u/bad\xff\x01 =;\".tvq");
  }
  // A value as earlier versions wrote it (UTF-8 text) reads the same as ever.
  tvqtest::WriteText(dir.File("config") + "/VORNAKEL/Tarvelquist.conf",
                     "[Recent%20File%20List]\nFile_tvq=/home/u/\xe4\xbb\xb6\xe5\x90\x8d @x.tvq\n");
  CWinApp later(u"Tarvelquist");
  later.SetRegistryKey(CString(u"VORNAKEL"));
  EXPECT_EQ(later.GetProfileString(section, entry), CString(u"/home/u/件名 @x.tvq"));
}

}  // namespace
