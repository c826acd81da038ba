#include <gtest/gtest.h>

#include <string>

#include "cli/Display.h"
#include "cli/Ics.h"
#include "cli/Json.h"

namespace {

using tvqcli::CodePointWidth;
using tvqcli::CutToWidth;
using tvqcli::Table;

TEST(Display, WidthsFollowEastAsianWidth) {
  EXPECT_EQ(CodePointWidth(U'a'), 1);
  EXPECT_EQ(CodePointWidth(U'\u4EF6'), 2);    // kanji
  EXPECT_EQ(CodePointWidth(U'\u30E1'), 2);    // katakana
  EXPECT_EQ(CodePointWidth(U'\uFF71'), 1);    // halfwidth katakana
  EXPECT_EQ(CodePointWidth(U'\uFF21'), 2);    // fullwidth A
  EXPECT_EQ(CodePointWidth(U'\u0301'), 0);    // combining accent
  EXPECT_EQ(CodePointWidth(U'\u3099'), 0);    // combining voiced mark
  EXPECT_EQ(CodePointWidth(U'\U0001F600'), 2);
  EXPECT_EQ(CodePointWidth(U'\u21B5'), 1);
}

TEST(Display, ShownTextMarksBreaksAndControls) {
  EXPECT_EQ(tvqcli::ShownText(u"a\r\nb\nc\rd"), U"a\u21B5b\u21B5c\u21B5d");
  EXPECT_EQ(tvqcli::ShownText(std::u16string(u"\t") + u'\0' + u"\x7F"), U"\u2409\u2400\u2421");
  EXPECT_EQ(tvqcli::ShownText(u"\xD800x\U0001F600"), U"\uFFFDx\U0001F600");
}

TEST(Display, CuttingNeverSplitsAWideCharacterAndEndsInAnEllipsis) {
  EXPECT_EQ(CutToWidth(U"abc", 3), U"abc");
  EXPECT_EQ(CutToWidth(U"abcd", 3), U"ab\u2026");
  EXPECT_EQ(CutToWidth(U"\u4EF6\u540D\u4EF6", 4), U"\u4EF6\u2026");  // 3 columns: the second kanji does not fit
  EXPECT_EQ(CutToWidth(U"\u4EF6\u540D\u4EF6", 5), U"\u4EF6\u540D\u2026");
}

TEST(Display, TablePadsByWidthAndSharesTheRoom) {
  Table table(3);
  for (const char16_t* text : {u"#", u"\u4EF6\u540D", u"m", u"10", u"ab", u"0123456789abcdef"}) table.Add(text);
  EXPECT_EQ(table.Format({true, false, false}, {false, true, true}, 0),
            " #  \xE4\xBB\xB6\xE5\x90\x8D  m\n10  ab    0123456789abcdef\n");
  EXPECT_EQ(table.Format({true, false, false}, {false, true, true}, 16),
            " #  \xE4\xBB\xB6\xE5\x90\x8D  m\n10  ab    01234\xE2\x80\xA6\n");
}

TEST(Ics, FoldsAt75OctetsWithoutSplittingACharacter) {
  std::string line = "SUMMARY:";
  for (int i = 0; i < 60; ++i) line += "\xE4\xBB\xB6";  // three octets each
  std::string out;
  tvqcli::AppendFolded(out, line);
  std::string unfolded;
  std::size_t start = 0;
  for (std::size_t end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string physical = out.substr(start, end - start);
    EXPECT_LE(physical.size(), 75u);
    std::u16string text;
    EXPECT_TRUE(tvqjson::Utf8ToUtf16(physical.substr(start == 0 ? 0 : 1), text)) << "split inside a character";
    unfolded += start == 0 ? physical : physical.substr(1);
    if (start != 0) {
      EXPECT_EQ(physical[0], ' ');
    }
  }
  EXPECT_EQ(unfolded, line);
}

TEST(Ics, TextValuesAreEscaped) {
  EXPECT_EQ(tvqcli::EscapeText(u"a,b;c\\d\r\ne\nf\x01g\tH"), "a\\,b\\;c\\\\d\\ne\\nfg\tH");
}

}  // namespace
