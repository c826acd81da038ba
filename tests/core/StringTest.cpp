#include <gtest/gtest.h>

#include <QString>

#include "platform/core/CString.h"
#include "platform/core/CodePage.h"
#include "platform/core/Locale.h"
#include "tests/support/Framework.h"

using tvqtest::ScopedEnv;
using tvqtest::ScopedLocale;

namespace {

const CString kOddText(u"a\0b\xD800z\xDC00", 6);  // NUL, lone high and lone low surrogate

TEST(CStringTest, NulAndUnpairedSurrogatesSurviveCopiesAndQString) {
  ASSERT_EQ(kOddText.GetLength(), 6);
  CString copy = kOddText;
  CString moved = std::move(copy);
  EXPECT_EQ(moved, kOddText);
  EXPECT_EQ(moved.GetAt(1), u'\0');
  EXPECT_EQ(CString::FromQString(kOddText.ToQString()), kOddText);
  EXPECT_EQ((kOddText + kOddText).GetLength(), 12);
}

TEST(CStringTest, ToUtf8ReplacesOnlyUnpairedSurrogates) {
  EXPECT_EQ(kOddText.ToUtf8(), std::string("a\0b\xEF\xBF\xBDz\xEF\xBF\xBD", 10));
  const CString pair(u"\xD83D\xDE00");  // U+1F600
  EXPECT_EQ(pair.ToUtf8(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(CString(u"件名").ToUtf8(), "件名");
}

TEST(CStringTest, FromUtf8DecodesAndReplacesBadBytes) {
  EXPECT_EQ(CString::FromUtf8("件名"), CString(u"件名"));
  EXPECT_EQ(CString::FromUtf8("\xF0\x9F\x98\x80"), CString(u"\xD83D\xDE00"));
  EXPECT_EQ(CString::FromUtf8(std::string_view("a\0b", 3)).GetLength(), 3);
  // A stray continuation byte, an overlong form and an encoded surrogate each become U+FFFD per byte.
  EXPECT_EQ(CString::FromUtf8("x\x80y"), CString(u"x\xFFFDy"));
  EXPECT_EQ(CString::FromUtf8("\xC0\xAF"), CString(u"\xFFFD\xFFFD"));
  EXPECT_EQ(CString::FromUtf8("\xED\xA0\x80!"), CString(u"\xFFFD\xFFFD\xFFFD!"));
  EXPECT_EQ(CString::FromUtf8("\xE4\xBB"), CString(u"\xFFFD\xFFFD"));  // cut at the end
}

TEST(CStringTest, OrdinalComparisonByUnsignedUnit) {
  EXPECT_LT(CString(u"A"), CString(u"a"));
  EXPECT_LT(CString(u"ab"), CString(u"abc"));
  EXPECT_LT(CString(u"\x7F"), CString(u"\xFF61"));
  EXPECT_LT(CString(u"\xD800"), CString(u"\xFFFD"));
  EXPECT_GT(CString(u"b").Compare(CString(u"a")), 0);
  EXPECT_EQ(CString(u"x").Compare(CString(u"x")), 0);
}

TEST(CStringTest, SubstringsAndFindClampLikeTheFramework) {
  const CString text(u"Tarvelquist");
  EXPECT_EQ(text.Left(4), CString(u"Tarv"));
  EXPECT_EQ(text.Left(-1), CString());
  EXPECT_EQ(text.Left(99), text);
  EXPECT_EQ(text.Mid(6), CString(u"quist"));
  EXPECT_EQ(text.Mid(-3, 2), CString(u"Ta"));
  EXPECT_EQ(text.Mid(20), CString());
  EXPECT_EQ(text.Mid(6, 99), CString(u"quist"));
  EXPECT_EQ(text.Right(5), CString(u"quist"));
  EXPECT_EQ(text.Right(0), CString());
  EXPECT_EQ(text.Find(u'q'), 6);
  EXPECT_EQ(text.Find(u'a', 2), -1);
  EXPECT_EQ(text.Find(CString(u"vel")), 3);
  EXPECT_EQ(text.Find(CString(u"T"), 1), -1);
  EXPECT_EQ(kOddText.Find(u'\0'), 1);
}

TEST(CStringTest, FormatMessageReplacesEveryPercentOne) {
  EXPECT_EQ(CString(u"%1 was not found.").FormatMessage1(CString(u"/a/b")), CString(u"/a/b was not found."));
  EXPECT_EQ(CString(u"%1 and %1, %2").FormatMessage1(CString(u"x")), CString(u"x and x, %2"));
  EXPECT_EQ(CString(u"100%").FormatMessage1(CString(u"x")), CString(u"100%"));
}

// ---- code pages ---------------------------------------------------------------------------------------------

struct CodePageCase {
  unsigned codePage;
  std::string bytes;
  std::u16string expected;
};

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, ConvertsLikeTheAnsiConversion) {
  const CodePageCase& c = GetParam();
  EXPECT_EQ(platform::MultiByteToWideChar(c.codePage, c.bytes), CString(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodePageTest,
    ::testing::Values(
        // 932: backslash stays, half-width katakana, a double-byte word, and the program's own texts.
        CodePageCase{932, "\x5C", u"\\"}, CodePageCase{932, "\xDF", u"\xFF9F"},
        CodePageCase{932, "\x8C\x8F\x96\xBC", u"件名"},
        CodePageCase{932, "\x8A\xFA\x8C\xC0\x82\xC8\x82\xB5", u"期限なし"},
        // A byte that decodes to nothing becomes one U+FFFD and the rest still decodes.
        CodePageCase{932, "a\x85" "b\x8C\x8F", u"a\xFFFD" "b件"},
        CodePageCase{932, "\x8C", u"\xFFFD"},  // lead byte cut by the end
        CodePageCase{932, std::string("x\0y", 3), std::u16string(u"x\0y", 3)},
        CodePageCase{1252, "\x80\x9F\xE9", u"\x20AC\x0178\xE9"},
        CodePageCase{1252, "a\x81z", u"a\xFFFDz"},
        CodePageCase{1251, "\xC0\xFF", u"\x0410\x044F"}, CodePageCase{936, "\xC4\xE3", u"\x4F60"},
        CodePageCase{949, "\xB0\xA1", u"\xAC00"}, CodePageCase{950, "\xA4\x40", u"\x4E00"},
        CodePageCase{874, "\xA1", u"\x0E01"}));

TEST(CodePageTest, LongTextDecodesWhole) {
  std::string bytes;
  std::u16string expected;
  for (int i = 0; i < 3000; ++i) {
    bytes += "\x8C\x8F" "A\xFF";  // 0xFF has no character in 932
    expected += u"件A\xFFFD";
  }
  EXPECT_EQ(platform::MultiByteToWideChar(932, bytes), CString(expected));
}

TEST(CodePageTest, AnsiCodePageFollowsTheSettings) {
  {
    ScopedLocale locale("ja_JP");
    EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 932U);
    EXPECT_EQ(CString::FromAnsi("\x8C\x8F\x96\xBC"), CString(u"件名"));
  }
  {
    ScopedLocale locale("ja_JP", "1252");
    EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 1252U);
    EXPECT_EQ(platform::MultiByteToWideChar(CP_ACP, "\x80"), CString(u"\x20AC"));
  }
  for (const char* unsupported : {"65001", "437", "abc", "932x", ""}) {
    ScopedLocale locale("ja_JP", unsupported);
    EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 932U) << unsupported;
  }
  EXPECT_TRUE(platform::IsSupportedAnsiCodePage(1258));
  EXPECT_FALSE(platform::IsSupportedAnsiCodePage(1259));
}

// ---- locale -------------------------------------------------------------------------------------------------

TEST(LocaleTest, UserLocaleComesFromTheEnvironmentInOrder) {
  ScopedLocale restore("ja_JP");  // reloads once the variables below are restored
  ScopedEnv noOverride("TARVELQUIST_LOCALE", std::nullopt);
  struct Case {
    std::optional<std::string> lcAll, lcTime, lang;
    std::string expected;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, std::nullopt, "ja_JP"},
      {std::nullopt, std::nullopt, "C.UTF-8", "ja_JP"},
      {std::nullopt, std::nullopt, "POSIX", "ja_JP"},
      {std::nullopt, std::nullopt, "en_US.UTF-8", "en_US"},
      {std::nullopt, "de_DE@euro", "en_US", "de_DE"},
      {"fr_FR.ISO-8859-1", "de_DE", "en_US", "fr_FR"},
      {"", "", "en_GB", "en_GB"},  // empty counts as unset
  };
  for (const Case& c : cases) {
    ScopedEnv all("LC_ALL", c.lcAll);
    ScopedEnv time("LC_TIME", c.lcTime);
    ScopedEnv lang("LANG", c.lang);
    platform::ReloadLocaleSettings();
    EXPECT_EQ(platform::GetLocaleSettings().userLocale, c.expected);
  }
  {
    ScopedEnv all("LC_ALL", "en_US.UTF-8");
    ScopedEnv override("TARVELQUIST_LOCALE", "ja_JP");
    platform::ReloadLocaleSettings();
    EXPECT_EQ(platform::GetLocaleSettings().userLocale, "ja_JP");
  }
}

TEST(LocaleTest, ShortDatePatternHasAFourDigitYear) {
  struct Case {
    const char* locale;
    const char16_t* pattern;
  };
  for (const Case& c : {Case{"ja_JP", u"yyyy/MM/dd"}, Case{"en_US", u"M/d/yyyy"}, Case{"de_DE", u"dd.MM.yyyy"},
                        Case{"en_GB", u"dd/MM/yyyy"}}) {
    ScopedLocale locale(c.locale);
    EXPECT_EQ(platform::GetLocaleSettings().shortDatePattern, CString(c.pattern)) << c.locale;
    EXPECT_FALSE(platform::GetLocaleSettings().longDatePattern.IsEmpty());
  }
}

TEST(LocaleTest, UnknownLocaleFallsBackToJapanese) {
  ScopedLocale locale("xx_YY");
  EXPECT_EQ(platform::GetLocaleSettings().userLocale, "ja_JP");
  EXPECT_EQ(platform::GetLocaleSettings().shortDatePattern, CString(u"yyyy/MM/dd"));
}

}  // namespace
