// Calendar arithmetic on day numbers and seconds, rounded to the second; numeric date patterns formatted
// directly with the texts of recent days kept, and local times cached per thread for the second last asked.
#include "platform/core/COleDateTime.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/core/FrameworkStrings.h"
#include "platform/core/Locale.h"

namespace {

constexpr long long kMinDay = -657434;   // 1 January 100
constexpr long long kMaxDay = 2958465;   // 31 December 9999
constexpr long long kSecondsPerDay = 86400;
constexpr long long kEpochOffset = 25569;  // day number of 1 January 1970

// Days from 1 January 1970 in the proleptic Gregorian calendar.
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Civil {
  long long year;
  unsigned month;
  unsigned day;
};

constexpr Civil CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

static_assert(DaysFromCivil(1899, 12, 30) == -kEpochOffset);
static_assert(DaysFromCivil(100, 1, 1) + kEpochOffset == kMinDay);
static_assert(DaysFromCivil(9999, 12, 31) + kEpochOffset == kMaxDay);

// Splits a date value into its day number and the second of that day, rounded to the nearest second (a
// rounding up to midnight moves to the next day). False when not finite or outside the range.
bool SplitDate(DATE date, long long& day, long long& second) {
  if (!std::isfinite(date)) return false;
  if (date <= static_cast<double>(kMinDay - 1) || date >= static_cast<double>(kMaxDay + 1)) return false;
  const double whole = std::trunc(date);
  const double fraction = std::fabs(date - whole);
  day = static_cast<long long>(whole);
  second = std::llround(fraction * static_cast<double>(kSecondsPerDay));
  if (second >= kSecondsPerDay) {
    second -= kSecondsPerDay;
    ++day;
  }
  return day >= kMinDay && day <= kMaxDay;
}

// ---- Date text ---------------------------------------------------------------------------------------------

// A short date pattern made only of numeric day, month and year fields and literal separators is formatted
// here directly: one call per list row, so it avoids building strings through QLocale for every row.
struct CompiledPattern {
  enum class Field { literal, day1, day2, month1, month2, year2, year4 };
  struct Token {
    Field field;
    char16_t unit;
  };
  std::u16string pattern;
  bool numeric = false;
  std::vector<Token> tokens;
};

CompiledPattern Compile(const std::u16string& pattern) {
  CompiledPattern compiled;
  compiled.pattern = pattern;
  compiled.numeric = true;
  for (std::size_t i = 0; i < pattern.size();) {
    const char16_t unit = pattern[i];
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == unit) ++run;
    using Field = CompiledPattern::Field;
    const bool letter = (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
    if (!letter && unit != u'\'') {
      for (std::size_t k = 0; k < run; ++k) compiled.tokens.push_back({Field::literal, unit});
    } else if (unit == u'd' && run <= 2) {
      compiled.tokens.push_back({run == 1 ? Field::day1 : Field::day2, 0});
    } else if (unit == u'M' && run <= 2) {
      compiled.tokens.push_back({run == 1 ? Field::month1 : Field::month2, 0});
    } else if (unit == u'y' && (run == 2 || run == 4)) {
      compiled.tokens.push_back({run == 2 ? Field::year2 : Field::year4, 0});
    } else {
      compiled.numeric = false;  // names, quotes, other letters: the locale formats it
      compiled.tokens.clear();
      break;
    }
    i += run;
  }
  return compiled;
}

void AppendNumber(std::u16string& out, unsigned value, unsigned minDigits) {
  char16_t digits[8];
  unsigned count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0 && count < 8);
  while (count < minDigits) digits[count++] = u'0';
  while (count > 0) out += digits[--count];
}

CString NumericDateText(const CompiledPattern& compiled, const Civil& civil) {
  using Field = CompiledPattern::Field;
  std::u16string out;
  out.reserve(compiled.tokens.size() + 6);
  const auto year = static_cast<unsigned>(civil.year);
  for (const auto& token : compiled.tokens) {
    switch (token.field) {
      case Field::literal: out += token.unit; break;
      case Field::day1: AppendNumber(out, civil.day, 1); break;
      case Field::day2: AppendNumber(out, civil.day, 2); break;
      case Field::month1: AppendNumber(out, civil.month, 1); break;
      case Field::month2: AppendNumber(out, civil.month, 2); break;
      case Field::year2: AppendNumber(out, year % 100, 2); break;
      case Field::year4: AppendNumber(out, year, 4); break;
    }
  }
  return CString(std::move(out));
}

CString DateText(const Civil& civil) {
  const platform::LocaleSettings& settings = platform::GetLocaleSettings();
  const CString& pattern = settings.shortDatePattern;
  thread_local CompiledPattern compiled;
  thread_local unsigned compiledRevision = 0;  // no settings have revision 0
  thread_local bool asciiDigits = true;
  if (compiledRevision != settings.revision) {
    compiledRevision = settings.revision;
    compiled = Compile(pattern.str());
    asciiDigits = platform::GetUserQLocale().zeroDigit() == QStringLiteral("0");
  }
  if (compiled.numeric && asciiDigits) return NumericDateText(compiled, civil);
  const QDate date(static_cast<int>(civil.year), static_cast<int>(civil.month), static_cast<int>(civil.day));
  return CString::FromQString(platform::GetUserQLocale().toString(date, pattern.ToQString()));
}

// The date text of a day (a day number as SplitDate gives it). A list asks once per row and its tasks share
// few days, so the texts of the days asked last are kept, for the locale settings they were made with. Callers
// copy the text they are given (into storage they already hold).
const CString& DayText(long long day) {
  struct Entry {
    long long day = 0;
    unsigned revision = 0;  // no settings have revision 0
    CString text;
  };
  // By day number: the days of five and a half years never collide. Made on a thread's first date text.
  thread_local std::array<Entry, 2048> cache;
  const unsigned revision = platform::GetLocaleSettings().revision;
  Entry& entry = cache[static_cast<std::size_t>(day - kMinDay) % cache.size()];
  if (entry.revision != revision || entry.day != day) {
    entry.text = DateText(CivilFromDays(day - kEpochOffset));
    entry.day = day;
    entry.revision = revision;
  }
  return entry.text;
}

// The locale's time with seconds, as the platform writes the time of a date value.
CString TimeText(long long second) {
  const QLocale& locale = platform::GetUserQLocale();
  QString format = locale.timeFormat(QLocale::ShortFormat);
  if (!format.contains(u's')) {
    const qsizetype minutes = format.indexOf(QStringLiteral("mm"));
    if (minutes >= 0) format.insert(minutes + 2, QStringLiteral(":ss"));
  }
  const QTime time(static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
                   static_cast<int>(second % 60));
  return CString::FromQString(locale.toString(time, format));
}

// Local time of a calendar second. Loading a list constructs a task (due date now) per record, so the broken-down
// time of the last second asked is kept per thread: the clock read stays, the time-zone conversion goes.
bool LocalTimeOf(std::time_t now, SYSTEMTIME& time);

bool LocalNow(SYSTEMTIME& time) {
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return false;
  thread_local std::time_t cachedSecond = static_cast<std::time_t>(-1);
  thread_local SYSTEMTIME cachedTime{};
  if (now != cachedSecond) {
    if (!LocalTimeOf(now, cachedTime)) return false;
    cachedSecond = now;
  }
  time = cachedTime;
  return true;
}

bool LocalTimeOf(std::time_t now, SYSTEMTIME& time) {
  std::tm local{};
  if (!localtime_r(&now, &local)) return false;
  if (local.tm_year + 1900 < 0 || local.tm_year + 1900 > 65535) return false;
  time.wYear = static_cast<WORD>(local.tm_year + 1900);
  time.wMonth = static_cast<WORD>(local.tm_mon + 1);
  time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time.wDay = static_cast<WORD>(local.tm_mday);
  time.wHour = static_cast<WORD>(local.tm_hour);
  time.wMinute = static_cast<WORD>(local.tm_min);
  time.wSecond = static_cast<WORD>(local.tm_sec);
  time.wMilliseconds = 0;
  return true;
}

}  // namespace

BOOL SystemTimeToVariantTime(const SYSTEMTIME& time, DATE* date) {
  if (!date) return FALSE;
  if (time.wYear < 100 || time.wYear > 9999) return FALSE;
  if (time.wMonth < 1 || time.wMonth > 12 || time.wDay < 1 || time.wDay > 31) return FALSE;
  if (time.wHour > 23 || time.wMinute > 59 || time.wSecond > 59) return FALSE;
  // Days beyond the month's end run on into the next month, as the platform's conversion does.
  const long long day = DaysFromCivil(time.wYear, time.wMonth, 1) + (time.wDay - 1) + kEpochOffset;
  if (day < kMinDay || day > kMaxDay) return FALSE;
  const double fraction =
      static_cast<double>(time.wHour * 3600 + time.wMinute * 60 + time.wSecond) / kSecondsPerDay;
  *date = day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
  return TRUE;
}

BOOL VariantTimeToSystemTime(DATE date, SYSTEMTIME* time) {
  if (!time) return FALSE;
  long long day = 0;
  long long second = 0;
  if (!SplitDate(date, day, second)) return FALSE;
  const Civil civil = CivilFromDays(day - kEpochOffset);
  time->wYear = static_cast<WORD>(civil.year);
  time->wMonth = static_cast<WORD>(civil.month);
  time->wDay = static_cast<WORD>(civil.day);
  time->wDayOfWeek = static_cast<WORD>(((day + 6) % 7 + 7) % 7);  // day 0 was a Saturday
  time->wHour = static_cast<WORD>(second / 3600);
  time->wMinute = static_cast<WORD>(second / 60 % 60);
  time->wSecond = static_cast<WORD>(second % 60);
  time->wMilliseconds = 0;
  return TRUE;
}

BOOL GetLocalTime(SYSTEMTIME* time) {
  if (!time) return FALSE;
  SYSTEMTIME now;
  if (!LocalNow(now)) return FALSE;
  *time = now;
  return TRUE;
}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const SYSTEMTIME& time) {
  SetDateTime(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

COleDateTime COleDateTime::GetCurrentTime() {
  SYSTEMTIME now;
  if (!LocalNow(now)) return COleDateTime(0.0, invalid);
  // The same second converts to the same value: keep the last conversion.
  thread_local SYSTEMTIME convertedTime{};
  thread_local COleDateTime converted(0.0, invalid);
  thread_local bool haveConverted = false;
  if (!haveConverted || std::memcmp(&now, &convertedTime, sizeof now) != 0) {
    converted = COleDateTime(now);
    convertedTime = now;
    haveConverted = true;
  }
  return converted;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  const auto inWord = [](int value) { return value >= 0 && value <= 0xFFFF; };
  m_dt = 0.0;
  m_status = invalid;
  if (!inWord(year) || !inWord(month) || !inWord(day) || !inWord(hour) || !inWord(minute) || !inWord(second)) {
    return m_status;
  }
  SYSTEMTIME fields;
  fields.wYear = static_cast<WORD>(year);
  fields.wMonth = static_cast<WORD>(month);
  fields.wDay = static_cast<WORD>(day);
  fields.wHour = static_cast<WORD>(hour);
  fields.wMinute = static_cast<WORD>(minute);
  fields.wSecond = static_cast<WORD>(second);
  if (!SystemTimeToVariantTime(fields, &m_dt)) return m_status;
  SYSTEMTIME back;
  if (!VariantTimeToSystemTime(m_dt, &back)) return m_status;
  const bool same = back.wYear == fields.wYear && back.wMonth == fields.wMonth && back.wDay == fields.wDay &&
                    back.wHour == fields.wHour && back.wMinute == fields.wMinute &&
                    back.wSecond == fields.wSecond;
  m_status = same ? valid : invalid;
  return m_status;
}

BOOL COleDateTime::GetAsSystemTime(SYSTEMTIME& time) const {
  if (m_status != valid) return FALSE;
  return VariantTimeToSystemTime(m_dt, &time);
}

CString COleDateTime::Format(DWORD flags, LCID locale) const {
  if (m_status == null) return {};
  if (m_status == invalid) return AfxFrameworkString(AFX_IDS_INVALID_DATETIME);
  CString text;
  if (!VarBstrFromDate(m_dt, locale, flags, &text)) return AfxFrameworkString(AFX_IDS_INVALID_DATETIME);
  return text;
}

BOOL VarBstrFromDate(DATE date, LCID locale, DWORD flags, CString* text) {
  if (!text) return FALSE;
  long long day = 0;
  long long second = 0;
  if (!SplitDate(date, day, second)) return FALSE;
  if (flags & VAR_DATEVALUEONLY) {
    *text = DayText(day);
  } else if (flags & VAR_TIMEVALUEONLY) {
    *text = TimeText(second);
  } else if (second == 0) {
    *text = DayText(day);
  } else if (day == 0) {
    *text = TimeText(second);
  } else {
    *text = DayText(day) + CString(u" ") + TimeText(second);
  }
  return TRUE;
}

std::uint64_t DateBits(DATE value) { return std::bit_cast<std::uint64_t>(value); }

DATE DateFromBits(std::uint64_t bits) { return std::bit_cast<DATE>(bits); }
