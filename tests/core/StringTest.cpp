#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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

// Formatting with arguments that hold markers equals formatting with private placeholders and putting the
// arguments in afterwards: no argument's text is ever read as a marker.
TEST(CStringTest, FormatMessageNeverExpandsMarkersInsideArguments) {
  std::mt19937 random(11);
  const std::u16string pool = u"%%12a9";
  const auto make = [&](int length) {
    std::u16string text;
    for (int i = 0; i < length; ++i) text.push_back(pool[random() % pool.size()]);
    return CString(text);
  };
  const auto putIn = [](std::u16string text, char16_t placeholder, const CString& argument) {
    for (std::size_t at = text.find(placeholder); at != std::u16string::npos;
         at = text.find(placeholder, at + argument.str().size())) {
      text.replace(at, 1, argument.str());
    }
    return text;
  };
  for (int round = 0; round < 3000; ++round) {
    const CString text = make(static_cast<int>(random() % 10));
    const CString first = make(static_cast<int>(random() % 5));
    const CString second = make(static_cast<int>(random() % 5));
    const CString one = text.FormatMessage1(CString(u"\uE000"));
    EXPECT_EQ(text.FormatMessage1(first).str(), putIn(one.str(), u'\uE000', first)) << round;
    const std::u16string two = text.FormatMessage2(CString(u"\uE000"), CString(u"\uE001")).str();
    EXPECT_EQ(text.FormatMessage2(first, second).str(), putIn(putIn(two, u'\uE000', first), u'\uE001', second))
        << round;
  }
  EXPECT_EQ(CString(u"%1 / %2 / %3").FormatMessage2(CString(u"%2"), CString(u"%1")), CString(u"%2 / %1 / %3"));
}

// ---- code pages ---------------------------------------------------------------------------------------------

struct CodePageCase {
  unsigned codePage;
  std::string bytes;
  std::u16string expected;
};

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, ConvertsAsThePlatformDoes) {
  const CodePageCase& c = GetParam();
  EXPECT_EQ(platform::MultiByteToWideChar(c.codePage, c.bytes), CString(c.expected));
}

// Microsoft's mappings (the code page tables and best-fit files of unicode.org) and the platform's handling
// of bytes that start no character.
INSTANTIATE_TEST_SUITE_P(
    SingleByte, CodePageTest,
    ::testing::Values(
        CodePageCase{1252, "\x80\x9F\xE9", u"\x20AC\x0178\xE9"},
        // The five bytes without a character give the C1 controls of the same value.
        CodePageCase{1252, "a\x81\x8D\x8F\x90\x9Dz", u"a\x0081\x008D\x008F\x0090\x009Dz"},
        // 1258: the program's empty-value mark 0xDF is sharp s; the combining tone marks; the dong sign.
        CodePageCase{1258, "\xDF\xCC\xD2\xDE\xEC\xF2\xFE\x8A", u"\x00DF\x0300\x0309\x0303\x0301\x0323\x20AB\x008A"},
        CodePageCase{1253, "\xA2\xAA\xD2\xFF\x81", u"\x0386\xF8F9\xF8FA\xF8FB\x0081"},
        CodePageCase{1255, "\xA4\xCA\xD9\xDF\xFB\xFC\xFD\xFF", u"\x20AA\x05BA\xF88D\xF893\xF894\xF895\x200E\xF896"},
        CodePageCase{1257, "\xA1\xA5\x8E\xFF", u"\xF8FC\xF8FD\x02C7\x02D9"},
        CodePageCase{874, "\xA1\xDB\xFF\x81\xA0", u"\x0E01\xF8C1\xF8C8\x0081\x00A0"},
        CodePageCase{1250, "\x8A\xFF", u"\x0160\x02D9"}, CodePageCase{1251, "\xC0\xFF\x98", u"\x0410\x044F\x0098"},
        CodePageCase{1254, "\xD0\xFD", u"\x011E\x0131"}, CodePageCase{1256, "\x81\xFF", u"\x067E\x06D2"}));

INSTANTIATE_TEST_SUITE_P(
    Japanese, CodePageTest,
    ::testing::Values(
        // Backslash and tilde stay ASCII; half-width katakana; the program's own texts.
        CodePageCase{932, "\x5C\x7E\xA1\xDF", u"\\~\xFF61\xFF9F"},
        CodePageCase{932, "\x8A\xFA\x8C\xC0\x82\xC8\x82\xB5", u"期限なし"},
        // The single bytes that are no lead bytes: 0x80, 0xA0 and 0xFD-0xFF.
        CodePageCase{932, "\x80\xA0\xFD\xFE\xFF", u"\x0080\xF8F0\xF8F1\xF8F2\xF8F3"},
        // Microsoft's own pairs: full-width reverse solidus, tilde, parallel, minus, cent, not; the NEC and IBM
        // extensions; the first user-defined character.
        CodePageCase{932, "\x81\x5F\x81\x60\x81\x61\x81\x7C\x81\x91\x81\xCA", u"\xFF3C\xFF5E\x2225\xFF0D\xFFE0\xFFE2"},
        CodePageCase{932, "\x87\x40\xED\x40\xFA\x40\xF0\x40", u"\x2460\x7E8A\x2170\xE000"},
        // An unmapped pair, and a lead byte before a byte that cannot be a trail byte, each give one katakana
        // middle dot for the two bytes; a lead byte before a NUL or at the end gives one for itself.
        CodePageCase{932, "a\x85\x40" "b", u"a\x30FB" "b"}, CodePageCase{932, "\x81\x20z", u"\x30FBz"},
        CodePageCase{932, std::string("\x8C\0y", 3), std::u16string(u"\x30FB\0y", 3)},
        CodePageCase{932, "\x8C", u"\x30FB"}, CodePageCase{932, "\x8C\x8F\x8C", u"件\x30FB"},
        CodePageCase{932, std::string("x\0y", 3), std::u16string(u"x\0y", 3)},
        // Valid and invalid pairs mixed: every character lands in its place.
        CodePageCase{932, "a\x8C\x8F\x85\x40" "b\x81\x20\x8C\x8F\xA1", u"a件\x30FB" "b\x30FB件\xFF61"}));

INSTANTIATE_TEST_SUITE_P(
    Chinese, CodePageTest,
    ::testing::Values(CodePageCase{936, "\xC4\xE3\x80\xFF\xAA\xA1", u"\x4F60\x20AC\xF8F5\xE000"},
                      CodePageCase{936, "a\xC4", u"a?"}, CodePageCase{936, "\xC4\x20", u"?"},
                      CodePageCase{950, "\xA4\x40\xA1\x45\xF9\xF9\x80\xFF", u"\x4E00\x2027\x2550\x0080\xF8F8"},
                      CodePageCase{950, "\xA4\x7F" "b\xA4", u"?b?"}));

INSTANTIATE_TEST_SUITE_P(
    Korean, CodePageTest,
    ::testing::Values(CodePageCase{949, "\xB0\xA1\x81\x41\xC9\xA1\x80\xFF", u"\xAC00\xAC02\xE000\x0080\xF8F7"},
                      CodePageCase{949, "\x81\x5B\xB0", u"??"}));

TEST(CodePageTest, EverySingleByteIsOneCharacterInTheSingleBytePages) {
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte) bytes += static_cast<char>(byte);
  for (const unsigned codePage : {874U, 1250U, 1251U, 1252U, 1253U, 1254U, 1255U, 1256U, 1257U, 1258U}) {
    const CString text = platform::MultiByteToWideChar(codePage, bytes);
    ASSERT_EQ(text.GetLength(), 255) << codePage;
    for (int i = 0; i < text.GetLength(); ++i) EXPECT_NE(text[i], u'\xFFFD') << codePage << " byte " << i + 1;
    for (int byte = 1; byte < 0x80; ++byte) EXPECT_EQ(text[byte - 1], static_cast<char16_t>(byte)) << codePage;
  }
}

TEST(CodePageTest, AnyBytesInTheDoubleBytePagesGiveCharactersOrTheDefaultNeverAReplacement) {
  std::mt19937 random(932);
  std::string bytes(20000, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() % 256);
  std::replace(bytes.begin(), bytes.end(), '\x1A', 'x');  // the byte of U+001A itself
  std::replace(bytes.begin(), bytes.end(), '\0', 'y');    // and of U+0000: no pair may decode to it
  for (const unsigned codePage : {932U, 936U, 949U, 950U}) {
    const CString text = platform::MultiByteToWideChar(codePage, bytes);
    EXPECT_GE(text.GetLength(), static_cast<int>(bytes.size() / 2)) << codePage;
    EXPECT_LE(text.GetLength(), static_cast<int>(bytes.size())) << codePage;
    for (int i = 0; i < text.GetLength(); ++i) {
      ASSERT_NE(text[i], u'\xFFFD') << codePage << " at " << i;
      ASSERT_NE(text[i], u'\x1A') << codePage << " at " << i;
      ASSERT_NE(text[i], u'\0') << codePage << " at " << i;
    }
  }
}

TEST(CodePageTest, LongTextDecodesWhole) {
  std::string bytes;
  std::u16string expected;
  for (int i = 0; i < 3000; ++i) {
    bytes += "\x8C\x8F" "A\xFF\x85\x40";
    expected += u"件A\xF8F3\x30FB";
  }
  EXPECT_EQ(platform::MultiByteToWideChar(932, bytes), CString(expected));
}

TEST(CodePageTest, AnsiCodePageFollowsTheSettings) {
  {
    ScopedLocale locale("ja_JP");
    EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 932U);
    EXPECT_EQ(platform::FromAnsi("\x8C\x8F\x96\xBC"), CString(u"件名"));
  }
  {
    ScopedLocale locale("ja_JP", "1252");
    EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 1252U);
    EXPECT_EQ(platform::FromAnsi("\x80"), CString(u"\x20AC"));
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
  ScopedEnv noOverride(tvqtest::LocaleVariable("LOCALE").c_str(), std::nullopt);
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
    ScopedEnv override(tvqtest::LocaleVariable("LOCALE").c_str(), "ja_JP");
    platform::ReloadLocaleSettings();
    EXPECT_EQ(platform::GetLocaleSettings().userLocale, "ja_JP");
  }
}

TEST(LocaleTest, TheOverrideVariablesAreNamedByTheProgram) {
  ScopedLocale restore("ja_JP", "1252");  // reloads with the program's names once the rest is restored
  ScopedEnv all("LC_ALL", "en_US.UTF-8");
  ScopedEnv otherLocale("OTHERAPP_LOCALE", "de_DE");
  ScopedEnv otherCodePage("OTHERAPP_ACP", "1251");
  // Named for another program: the program's own variables no longer count, the other's do at once.
  platform::SetLocaleVariablePrefix("OTHERAPP");
  EXPECT_EQ(platform::GetLocaleSettings().userLocale, "de_DE");
  EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 1251U);
  // Without a name only the standard variables count.
  platform::SetLocaleVariablePrefix("");
  EXPECT_EQ(platform::GetLocaleSettings().userLocale, "en_US");
  EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 932U);
  tvqtest::UseTheProgramsLocaleVariables();
  EXPECT_EQ(platform::GetLocaleSettings().userLocale, "ja_JP");
  EXPECT_EQ(platform::GetLocaleSettings().ansiCodePage, 1252U);
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
