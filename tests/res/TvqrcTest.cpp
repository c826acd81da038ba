// The resource compiler on small scripts: what it writes, read back through the module and the parsers,
// and the errors it reports with their lines.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/DialogTemplate.h"
#include "platform/core/MenuTemplate.h"
#include "platform/core/Resource.h"
#include "platform/core/WinStyles.h"
#include "tests/support/Files.h"

namespace fs = std::filesystem;

namespace {

struct Compiled {
  int status = -1;
  std::string errors;
  std::vector<BYTE> image;
};

class TvqrcRun : public testing::Test {
 protected:
  void WriteFile(const std::string& name, const std::string& bytes) { tvqtest::WriteText(m_dir / name, bytes); }

  Compiled Compile(const std::string& script) {
    WriteFile("script.rc", script);
    const fs::path res = m_dir / "out.res";
    const fs::path errors = m_dir / "errors.txt";
    const std::string command = std::string("\"") + TVQRC_PATH + "\" -I \"" + TVQ_SOURCE_ROOT + "\" -o \"" +
                                res.string() + "\" \"" + (m_dir / "script.rc").string() + "\" 2> \"" +
                                errors.string() + "\"";
    Compiled result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.errors = tvqtest::ReadText(errors);
    result.image = tvqtest::ReadFileBytes(res);
    return result;
  }

  tvqtest::TempDir m_dir;
};

constexpr const char* kScript = R"(#include "platform/core/WinStyles.h"
#define BASE 0x10
LANGUAGE 0x09, 0x01

STRINGTABLE
BEGIN
    15 "fifteen"
    BASE "sixteen"
    BASE + 1, "seventeen"
    31 "quote "" tab\t smile \x263A 日本"
END

2 DIALOG 1, 2, 30, 40
STYLE WS_POPUP | DS_SETFONT
CAPTION "ab"
FONT 8, "Odd"
{
    PUSHBUTTON "x", 5, 1, 1, 10, 10, NOT WS_TABSTOP | BS_PUSHLIKE
    CONTROL "yyy", 6, "static", SS_ICON, 1, 2, 3, 4, WS_EX_CLIENTEDGE
    CONTROL "", 7, "custom", NOT WS_VISIBLE, 1, 2, 3, (2 + 2) * 2
    EDITTEXT 8, 0, 0, 5, 5
}

3 MENU
BEGIN
    MENUITEM "a", 10, GRAYED
    POPUP "b"
    BEGIN
        MENUITEM "c", 11, CHECKED
        MENUITEM SEPARATOR
    END
END

4 RCDATA
BEGIN
    1, 0x12345678L, L"hi", -1
END

5 mytype BEGIN 2 END
"named" 300 BEGIN 3 END
)";

TEST_F(TvqrcRun, CompilesEachStatementIntoItsStandardLayout) {
  const Compiled compiled = Compile(kScript);
  ASSERT_EQ(compiled.status, 0) << compiled.errors;
  const CResourceModule module(compiled.image);
  for (const auto& entry : module.Entries()) {
    EXPECT_EQ(entry.language, 0x0409);
    EXPECT_EQ((entry.data.data() - compiled.image.data()) % 4, 0);  // data starts on a DWORD
  }

  CString text;
  EXPECT_TRUE(module.LoadString(15, text));
  EXPECT_EQ(text, CString(u"fifteen"));
  EXPECT_TRUE(module.LoadString(17, text));
  EXPECT_EQ(text, CString(u"seventeen"));
  EXPECT_TRUE(module.LoadString(31, text));
  EXPECT_EQ(text, CString(u"quote \" tab\t smile \u263A 日本"));
  EXPECT_TRUE(module.Find(RT_STRING, 1));
  EXPECT_TRUE(module.Find(RT_STRING, 2));
  EXPECT_FALSE(module.Find(RT_STRING, 3));

  const auto dialog = platform::ParseDialogTemplate(*module.Find(RT_DIALOG, 2));
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->style, WS_POPUP | DS_SETFONT);
  EXPECT_EQ(dialog->x, 1);
  EXPECT_EQ(dialog->cy, 40);
  EXPECT_EQ(dialog->title, u"ab");
  EXPECT_EQ(dialog->pointSize, 8);
  ASSERT_EQ(dialog->items.size(), 4u);
  EXPECT_EQ(dialog->items[0].style, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_PUSHLIKE);
  EXPECT_EQ(dialog->items[1].windowClass, (platform::NameOrOrdinal{true, kClassStatic, {}}));
  EXPECT_EQ(dialog->items[1].style, WS_CHILD | WS_VISIBLE | SS_ICON);
  EXPECT_EQ(dialog->items[1].exStyle, WS_EX_CLIENTEDGE);
  EXPECT_EQ(dialog->items[2].windowClass, (platform::NameOrOrdinal{false, 0, u"custom"}));
  EXPECT_EQ(dialog->items[2].style, WS_CHILD);
  EXPECT_EQ(dialog->items[2].cy, 8);
  EXPECT_EQ(dialog->items[3].style, WS_CHILD | WS_VISIBLE | ES_LEFT | WS_BORDER | WS_TABSTOP);

  const auto menu = platform::ParseMenuTemplate(*module.Find(RT_MENU, 3));
  ASSERT_TRUE(menu);
  ASSERT_EQ(menu->items.size(), 2u);
  EXPECT_EQ(menu->items[0].flags, platform::MF_GRAYED);
  EXPECT_EQ(menu->items[1].children.size(), 2u);
  EXPECT_EQ(menu->items[1].children[0].flags, platform::MF_CHECKED);
  EXPECT_TRUE(menu->items[1].children[1].IsSeparator());

  const auto data = module.Find(RT_RCDATA, 4);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::vector<BYTE>(data->begin(), data->end()),
            (std::vector<BYTE>{1, 0, 0x78, 0x56, 0x34, 0x12, 'h', 0, 'i', 0, 0xFF, 0xFF}));
  EXPECT_TRUE(module.Find(u"MYTYPE", 5));
  EXPECT_TRUE(module.Find(300, u"Named"));
}

struct BadScript {
  const char* name;
  const char* script;
  int line;
  const char* message;
  friend void PrintTo(const BadScript& b, std::ostream* os) { *os << b.name; }
};

class TvqrcErrors : public TvqrcRun, public testing::WithParamInterface<BadScript> {};

TEST_P(TvqrcErrors, ReportTheLineAndFailWithoutOutput) {
  const BadScript& bad = GetParam();
  const Compiled compiled = Compile(bad.script);
  EXPECT_EQ(compiled.status, 1);
  EXPECT_NE(compiled.errors.find("script.rc:" + std::to_string(bad.line) + ": error: "), std::string::npos)
      << compiled.errors;
  EXPECT_NE(compiled.errors.find(bad.message), std::string::npos) << compiled.errors;
  EXPECT_TRUE(compiled.image.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, TvqrcErrors,
    testing::Values(
        BadScript{"UndefinedSymbol", "// ids\n1 RCDATA\nBEGIN NO_SUCH_ID END\n", 3, "undefined symbol NO_SUCH_ID"},
        BadScript{"UnterminatedString", "STRINGTABLE BEGIN\n1 \"abc\nEND\n", 2, "unterminated string"},
        BadScript{"DuplicateString", "STRINGTABLE BEGIN\n1 \"a\"\n1 \"b\"\nEND\n", 3, "defined twice"},
        BadScript{"DuplicateResource", "1 RCDATA { 1 }\n\n1 RCDATA { 2 }\n", 3, "first at line 1"},
        BadScript{"MissingEnd", "1 DIALOG 0, 0, 10, 10\nBEGIN\nLTEXT \"a\", 1, 0, 0, 1, 1\n", 4, "missing END"},
        BadScript{"CoordinateOutOfRange", "\n1 DIALOG 0, 0, 40000, 10\nBEGIN END\n", 2, "out of range"},
        BadScript{"UnsupportedDirective", "1 RCDATA { 1 }\n#if 1\n", 2, "unsupported directive"},
        BadScript{"MissingFile", "\n\n1 BITMAP \"not-there.bmp\"\n", 3, "cannot find"},
        BadScript{"LowerCaseVirtualKey", "1 ACCELERATORS\nBEGIN\n\"n\", 5, VIRTKEY, CONTROL\nEND\n", 3,
                  "upper case"},
        BadScript{"ControlWithoutVirtKey", "1 ACCELERATORS\nBEGIN\n\"N\", 5, CONTROL\nEND\n", 3, "need VIRTKEY"},
        BadScript{"NarrowDataString", "1 RCDATA\nBEGIN\n\"abc\"\nEND\n", 3, "L\"...\""},
        BadScript{"UnknownControl", "1 DIALOG 0, 0, 9, 9\nBEGIN\nSLIDER 1, 0, 0, 1, 1\nEND\n", 3,
                  "unknown control statement SLIDER"},
        BadScript{"EmptyPopup", "1 MENU\nBEGIN\nPOPUP \"a\"\nBEGIN\nEND\nEND\n", 4, "at least one item"},
        BadScript{"BadUtf8", "STRINGTABLE BEGIN 1 \"\xC3\x28\" END\n", 1, "invalid UTF-8"},
        BadScript{"DialogEx", "1 DIALOGEX 0, 0, 9, 9\nBEGIN END\n", 1, "not supported"},
        BadScript{"SelfReference", "#define LOOP LOOP + 1\n1 RCDATA { LOOP }\n", 2, "refers to itself"}),
    [](const testing::TestParamInfo<BadScript>& info) { return std::string(info.param.name); });

TEST_F(TvqrcRun, RejectsAnIconFileThatIsNotOne) {
  WriteFile("bad.ico", std::string("\x00\x00\x02\x00\x01\x00", 6));
  const Compiled compiled = Compile("\n1 ICON \"bad.ico\"\n");
  EXPECT_EQ(compiled.status, 1);
  EXPECT_NE(compiled.errors.find(":2: error: not an icon file"), std::string::npos) << compiled.errors;
}

}  // namespace
