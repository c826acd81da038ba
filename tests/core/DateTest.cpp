#include <gtest/gtest.h>

#include <QDate>
#include <QLocale>

#include <cmath>
#include <ctime>
#include <limits>

#include "platform/core/COleDateTime.h"
#include "platform/core/Locale.h"
#include "tests/support/Framework.h"

using tvqtest::ScopedLocale;

namespace {

SYSTEMTIME Fields(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(mo);
  t.wDay = static_cast<WORD>(d);
  t.wHour = static_cast<WORD>(h);
  t.wMinute = static_cast<WORD>(mi);
  t.wSecond = static_cast<WORD>(s);
  return t;
}

struct Conversion {
  SYSTEMTIME fields;
  double value;
};

class DateConversionTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(DateConversionTest, ConvertsBothWays) {
  const Conversion& c = GetParam();
  DATE value = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(c.fields, &value));
  EXPECT_EQ(value, c.value);
  SYSTEMTIME back;
  ASSERT_TRUE(VariantTimeToSystemTime(c.value, &back));
  EXPECT_EQ(back.wYear, c.fields.wYear);
  EXPECT_EQ(back.wMonth, c.fields.wMonth);
  EXPECT_EQ(back.wDay, c.fields.wDay);
  EXPECT_EQ(back.wHour, c.fields.wHour);
  EXPECT_EQ(back.wMinute, c.fields.wMinute);
  EXPECT_EQ(back.wSecond, c.fields.wSecond);
}

INSTANTIATE_TEST_SUITE_P(
    KnownDates, DateConversionTest,
    ::testing::Values(Conversion{Fields(1899, 12, 30), 0.0}, Conversion{Fields(1900, 1, 1), 2.0},
                      Conversion{Fields(2008, 5, 10, 12), 39578.5}, Conversion{Fields(2100, 1, 1), 73051.0},
                      Conversion{Fields(1899, 12, 29, 6), -1.25}, Conversion{Fields(1899, 12, 29, 18), -1.75},
                      Conversion{Fields(1800, 1, 1), -36522.0}, Conversion{Fields(100, 1, 1), -657434.0},
                      Conversion{Fields(9999, 12, 31), 2958465.0}, Conversion{Fields(2000, 2, 29, 6), 36585.25}));

TEST(DateTest, DayOfWeekIsFilledIn) {
  SYSTEMTIME t;
  ASSERT_TRUE(VariantTimeToSystemTime(39578.5, &t));  // Saturday 10 May 2008
  EXPECT_EQ(t.wDayOfWeek, 6);
  ASSERT_TRUE(VariantTimeToSystemTime(-1.25, &t));  // Friday 29 December 1899
  EXPECT_EQ(t.wDayOfWeek, 5);
}

TEST(DateTest, RangeEndsAndFieldsOutsideThem) {
  DATE value = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(Fields(9999, 12, 31, 23, 59, 59), &value));
  EXPECT_NEAR(value, 2958465.0 + 86399.0 / 86400.0, 1e-9);
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(99, 12, 31), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(10000, 1, 1), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 13, 1), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 0, 1), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 1, 0), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 1, 32), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 1, 1, 24), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 1, 1, 0, 60), &value));
  EXPECT_FALSE(SystemTimeToVariantTime(Fields(2008, 1, 1, 0, 0, 60), &value));

  SYSTEMTIME t;
  EXPECT_TRUE(VariantTimeToSystemTime(-657434.5, &t));  // 1 January 100, 12:00
  EXPECT_EQ(t.wYear, 100);
  EXPECT_EQ(t.wHour, 12);
  EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &t));
  EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &t));
  EXPECT_FALSE(VariantTimeToSystemTime(std::numeric_limits<double>::quiet_NaN(), &t));
  EXPECT_FALSE(VariantTimeToSystemTime(std::numeric_limits<double>::infinity(), &t));
  EXPECT_FALSE(VariantTimeToSystemTime(-std::numeric_limits<double>::infinity(), &t));
}

TEST(DateTest, DayOverflowRunsIntoTheNextMonth) {
  DATE april31 = 0;
  DATE may1 = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(Fields(2008, 4, 31), &april31));
  ASSERT_TRUE(SystemTimeToVariantTime(Fields(2008, 5, 1), &may1));
  EXPECT_EQ(april31, may1);
}

TEST(DateTest, ConversionBackRoundsToTheNearestSecondWithCarry) {
  SYSTEMTIME t;
  const double halfSecond = 0.5 / 86400.0;
  // 12:00:00.6 -> 12:00:01
  ASSERT_TRUE(VariantTimeToSystemTime(39578.5 + 1.2 * halfSecond, &t));
  EXPECT_EQ(t.wSecond, 1);
  // 12:00:00.4 -> 12:00:00
  ASSERT_TRUE(VariantTimeToSystemTime(39578.5 + 0.8 * halfSecond, &t));
  EXPECT_EQ(t.wSecond, 0);
  // 23:59:59.7 on 31 December 2007 -> 1 January 2008 00:00:00
  ASSERT_TRUE(VariantTimeToSystemTime(39448.0 - 0.6 * halfSecond, &t));
  EXPECT_EQ(t.wYear, 2008);
  EXPECT_EQ(t.wMonth, 1);
  EXPECT_EQ(t.wDay, 1);
  EXPECT_EQ(t.wHour, 0);
  EXPECT_EQ(t.wSecond, 0);
  // Negative dates carry forward too: 29 December 1899 23:59:59.8 -> 30 December 1899 00:00:00.
  ASSERT_TRUE(VariantTimeToSystemTime(-1.0 - (1.0 - 0.4 * halfSecond), &t));
  EXPECT_EQ(t.wDay, 30);
  EXPECT_EQ(t.wHour, 0);
  // The last second of the range rounds beyond it.
  EXPECT_FALSE(VariantTimeToSystemTime(2958466.0 - 0.5 * halfSecond, &t));
}

TEST(COleDateTimeTest, ValidityRuleRejectsDatesThatDoNotConvertBack) {
  EXPECT_EQ(COleDateTime(2008, 2, 30, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2007, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2008, 4, 31, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2008, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::valid);
  EXPECT_EQ(COleDateTime(2008, 1, 1, 24, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(10000, 1, 1, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(-1, 1, 1, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  const COleDateTime noDueDate(2100, 1, 1, 0, 0, 0);
  EXPECT_EQ(noDueDate.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(noDueDate.m_dt, 73051.0);
  EXPECT_EQ(DateBits(noDueDate.m_dt), 0x40F1D5B000000000ULL);
  COleDateTime date;
  EXPECT_EQ(date.SetDate(2008, 5, 10), COleDateTime::valid);
  EXPECT_EQ(date.m_dt, 39578.0);
}

TEST(COleDateTimeTest, CurrentTimeIsTheLocalTimeToTheSecond) {
  const std::time_t before = std::time(nullptr);
  const COleDateTime now = COleDateTime::GetCurrentTime();
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(now.GetStatus(), COleDateTime::valid);
  SYSTEMTIME fields;
  ASSERT_TRUE(now.GetAsSystemTime(fields));
  bool matched = false;
  for (std::time_t t = before; t <= after; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    matched = matched || (fields.wYear == local.tm_year + 1900 && fields.wMonth == local.tm_mon + 1 &&
                          fields.wDay == local.tm_mday && fields.wHour == local.tm_hour &&
                          fields.wMinute == local.tm_min && fields.wSecond == local.tm_sec);
  }
  EXPECT_TRUE(matched);
  // Whole seconds: the value converts back to exactly the same value.
  DATE again = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(fields, &again));
  EXPECT_EQ(again, now.m_dt);
  SYSTEMTIME local;
  ASSERT_TRUE(GetLocalTime(&local));
  EXPECT_EQ(local.wMilliseconds, 0);
  EXPECT_GE(local.wYear, 2020);
}

TEST(COleDateTimeTest, GetAsSystemTimeNeedsAValidStatus) {
  SYSTEMTIME t;
  EXPECT_FALSE(COleDateTime(39578.5, COleDateTime::invalid).GetAsSystemTime(t));
  EXPECT_FALSE(COleDateTime(1e9).GetAsSystemTime(t));
  EXPECT_TRUE(COleDateTime(39578.5).GetAsSystemTime(t));
}

TEST(DateBitsTest, NanPayloadSurvives) {
  const std::uint64_t payload = 0x7FF4000000C0FFEEULL;
  EXPECT_EQ(DateBits(DateFromBits(payload)), payload);
  EXPECT_EQ(DateBits(DateFromBits(0xFFF8000000000001ULL)), 0xFFF8000000000001ULL);
  EXPECT_EQ(DateBits(39578.5), 0x40E3535000000000ULL);
}

// ---- date texts ---------------------------------------------------------------------------------------------

struct TextCase {
  const char* locale;
  double value;
  std::int32_t status;
  const char16_t* expected;
};

class DateTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DateTextTest, DateOnlyTextByStatus) {
  const TextCase& c = GetParam();
  ScopedLocale locale(c.locale);
  EXPECT_EQ(COleDateTime(c.value, c.status).Format(VAR_DATEVALUEONLY, LANG_USER_DEFAULT), CString(c.expected));
}

const double kMarch15At1430 = 39522.0 + 14.5 / 24.0;

INSTANTIATE_TEST_SUITE_P(
    Statuses, DateTextTest,
    ::testing::Values(TextCase{"ja_JP", kMarch15At1430, 0, u"2008/03/15"},
                      TextCase{"en_US", kMarch15At1430, 0, u"3/15/2008"},
                      TextCase{"de_DE", kMarch15At1430, 0, u"15.03.2008"},
                      TextCase{"ja_JP", 73051.0, 0, u"2100/01/01"}, TextCase{"en_US", 73051.0, 0, u"1/1/2100"},
                      TextCase{"ja_JP", -1.25, 0, u"1899/12/29"}, TextCase{"ja_JP", -657434.0, 0, u"0100/01/01"},
                      TextCase{"ja_JP", 2958465.5, 0, u"9999/12/31"},
                      TextCase{"ja_JP", kMarch15At1430, 2, u""},
                      TextCase{"ja_JP", kMarch15At1430, 1, u"Invalid DateTime"},
                      // Any other status formats the value.
                      TextCase{"ja_JP", kMarch15At1430, 7, u"2008/03/15"},
                      TextCase{"ja_JP", kMarch15At1430, -1, u"2008/03/15"},
                      TextCase{"ja_JP", 2958466.0, 0, u"Invalid DateTime"},
                      TextCase{"ja_JP", -657435.0, 0, u"Invalid DateTime"},
                      TextCase{"ja_JP", std::numeric_limits<double>::quiet_NaN(), 0, u"Invalid DateTime"},
                      TextCase{"ja_JP", std::numeric_limits<double>::infinity(), 0, u"Invalid DateTime"},
                      // Rounding to the second happens before the day is taken.
                      TextCase{"ja_JP", 39523.0 - 0.1 / 86400.0, 0, u"2008/03/16"}));

TEST(DateTextTest, VarBstrFromDateFailsOutsideTheRange) {
  CString text(u"unchanged");
  EXPECT_FALSE(VarBstrFromDate(std::numeric_limits<double>::quiet_NaN(), LANG_USER_DEFAULT, VAR_DATEVALUEONLY, &text));
  EXPECT_FALSE(VarBstrFromDate(3e6, LANG_USER_DEFAULT, VAR_DATEVALUEONLY, &text));
  EXPECT_EQ(text, CString(u"unchanged"));
}

TEST(DateTextTest, WithoutDateOnlyTheTimeIsShownUnlessMidnight) {
  ScopedLocale locale("ja_JP");
  EXPECT_EQ(COleDateTime(kMarch15At1430).Format(), CString(u"2008/03/15 14:30:00"));
  EXPECT_EQ(COleDateTime(39522.0).Format(), CString(u"2008/03/15"));
  EXPECT_EQ(COleDateTime(0.75).Format(), CString(u"18:00:00"));
  EXPECT_EQ(COleDateTime(kMarch15At1430).Format(VAR_TIMEVALUEONLY), CString(u"14:30:00"));
  ScopedLocale us("en_US");
  EXPECT_EQ(COleDateTime(kMarch15At1430).Format(), CString(u"3/15/2008 2:30:00 PM"));
}

// The direct formatting of numeric patterns must give exactly what the locale itself gives.
TEST(DateTextTest, NumericFastPathMatchesTheLocale) {
  for (const char* name : {"ja_JP", "en_US", "de_DE", "fr_FR", "zh_CN", "en_GB"}) {
    ScopedLocale locale(name);
    const QLocale& qlocale = platform::GetUserQLocale();
    const QString pattern = platform::GetLocaleSettings().shortDatePattern.ToQString();
    for (double value = -657434.0; value < 2958466.0; value += 9973.37) {
      SYSTEMTIME t;
      ASSERT_TRUE(VariantTimeToSystemTime(value, &t));
      const QDate date(t.wYear, t.wMonth, t.wDay);
      EXPECT_EQ(COleDateTime(value).Format(VAR_DATEVALUEONLY).ToQString(), qlocale.toString(date, pattern))
          << name << " " << value;
    }
  }
}

TEST(DateTextTest, WidenedYearKeepsTheLocaleSeparators) {
  ScopedLocale locale("ko_KR");  // "yy. M. d." widened to a four-digit year
  EXPECT_EQ(platform::GetLocaleSettings().shortDatePattern, CString(u"yyyy. M. d."));
  EXPECT_EQ(COleDateTime(kMarch15At1430).Format(VAR_DATEVALUEONLY), CString(u"2008. 3. 15."));
}

}  // namespace
