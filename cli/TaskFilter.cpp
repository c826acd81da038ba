// The --due words turned into a range of days from today, the priorities the editor offers, and matching by
// a fold: case and katakana fast for plain text, NFKC and case folding through Qt for the rest.
#include "cli/TaskFilter.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

#include "cli/Errors.h"
#include "cli/TaskEdit.h"
#include "doc/TaskText.h"

namespace tvqcli {
namespace {

using std::chrono::days;

constexpr int kPriorityColumn = 2;  // the column sort's key of the "!" column

Day MakeDay(int year, int month, int day) {
  return Day(std::chrono::year(year) / std::chrono::month(static_cast<unsigned>(month)) /
             std::chrono::day(static_cast<unsigned>(day)));
}

std::optional<Day> DateOf(std::string_view text) {
  int year = 0;
  int month = 0;
  int day = 0;
  if (!ParseIsoDate(text, year, month, day)) return std::nullopt;
  return MakeDay(year, month, day);
}

// The words of --due as days from today; an empty end is open.
struct DueWord {
  std::string_view name;
  std::optional<int> first;
  std::optional<int> last;
};
constexpr std::array<DueWord, 4> kDueWords = {{
    {"overdue", std::nullopt, -1},
    {"today", 0, 0},
    {"tomorrow", 1, 1},
    {"week", 0, 6},
}};

[[noreturn]] void BadDue(std::string_view text) {
  throw UsageError(
      "--due takes overdue, today, tomorrow, week, none, a date YYYY-MM-DD or a range "
      "YYYY-MM-DD..YYYY-MM-DD with either end left out, not '" +
      std::string(text) + "'");
}

// One end of a range: empty is open.
std::optional<Day> RangeEnd(std::string_view end, std::string_view whole) {
  if (end.empty()) return std::nullopt;
  const std::optional<Day> day = DateOf(end);
  if (!day) BadDue(whole);
  return day;
}

[[noreturn]] void BadPriority(std::string_view text) {
  throw UsageError(
      "--priority takes a letter (A), a letter and a digit (B2) or a range (A-B, A1-B5) of the "
      "letters A, B, C, P and the digits 0 to 9, not '" +
      std::string(text) + "'");
}

// A letter or a letter and digit that the editor offers: the first unit, or the whole, of one of its priorities.
bool IsEditorPriority(std::u16string_view item) {
  for (int letter = 1; letter <= 4; ++letter) {
    for (int digit = 0; digit <= 9; ++digit) {
      const CString text = tasktext::PriorityFromChoices(letter, digit);
      if (text.view() == item || text.view().substr(0, 1) == item) return true;
    }
  }
  return false;
}

CString PriorityItem(std::string_view item, std::string_view whole) {
  const std::u16string units(item.begin(), item.end());  // ASCII only passes the check below
  if (item.empty() || item.size() > 2 || !IsEditorPriority(units)) BadPriority(whole);
  return CString(units);
}

constexpr bool IsKatakana(char16_t unit) {
  // ァ..ヶ and the iteration marks ヽ ヾ have hiragana 0x60 below them.
  return (unit >= u'\u30A1' && unit <= u'\u30F6') || unit == u'\u30FD' || unit == u'\u30FE';
}

// Characters that NFKC leaves alone and that have no case other than ASCII's (no combining marks, no
// compatibility forms): printable ASCII, hiragana, katakana and the long vowel mark, CJK ideographs.
constexpr bool IsPlainForMatch(char16_t unit) {
  return (unit >= 0x20 && unit < 0x7F) || (unit >= u'\u3041' && unit <= u'\u3096') ||
         (unit >= u'\u30A1' && unit <= u'\u30FC') || (unit >= u'\u4E00' && unit <= u'\u9FFF');
}

constexpr char16_t FoldPlain(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 0x20);
  return IsKatakana(unit) ? static_cast<char16_t>(unit - 0x60) : unit;
}

bool Contains(const CString& text, const std::u16string& folded) {
  return FoldForMatch(text.view()).find(folded) != std::u16string::npos;
}

}  // namespace

Day Today() {
  if (const char* fixed = std::getenv("TVQ_TODAY"); fixed && *fixed) {
    const std::optional<Day> day = DateOf(fixed);
    if (!day) throw UsageError("TVQ_TODAY must be a date YYYY-MM-DD");
    return *day;
  }
  SYSTEMTIME now{};
  if (!GetLocalTime(&now)) throw InputError("cannot read the local date");
  return MakeDay(now.wYear, now.wMonth, now.wDay);
}

std::string IsoDate(Day day) {
  const std::chrono::year_month_day date(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()));
  return text;
}

std::optional<Day> DueDay(const COleDateTime& due) {
  SYSTEMTIME fields{};
  if (!due.GetAsSystemTime(fields)) return std::nullopt;
  if (tasktext::IsNoDueDateText(tasktext::DateText(due))) return std::nullopt;
  return MakeDay(fields.wYear, fields.wMonth, fields.wDay);
}

bool DueFilter::Matches(const COleDateTime& due) const {
  if (withoutDate) return tasktext::IsNoDueDateText(tasktext::DateText(due));
  const std::optional<Day> day = DueDay(due);
  return day && (!first || *day >= *first) && (!last || *day <= *last);
}

DueFilter ParseDueFilter(std::string_view text, Day today) {
  DueFilter filter;
  if (text == "none") {
    filter.withoutDate = true;
    return filter;
  }
  for (const DueWord& word : kDueWords) {
    if (word.name != text) continue;
    if (word.first) filter.first = today + days(*word.first);
    if (word.last) filter.last = today + days(*word.last);
    return filter;
  }
  const std::size_t dots = text.find("..");
  if (dots == std::string_view::npos) {
    filter.first = filter.last = DateOf(text);
    if (!filter.first) BadDue(text);
    return filter;
  }
  filter.first = RangeEnd(text.substr(0, dots), text);
  filter.last = RangeEnd(text.substr(dots + 2), text);
  if (filter.first && filter.last && *filter.first > *filter.last) {
    throw UsageError("--due " + std::string(text) + ": the range's first date comes after its last");
  }
  return filter;
}

bool PriorityFilter::Matches(const TaskItem& task) const {
  const CString key = tasktext::SortKey(task, kPriorityColumn);
  return key.Compare(low) >= 0 && (key.Compare(high) <= 0 || key.view().starts_with(high.view()));
}

PriorityFilter ParsePriorityFilter(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    const CString item = PriorityItem(text, text);
    return {item, item};
  }
  PriorityFilter filter{PriorityItem(text.substr(0, dash), text), PriorityItem(text.substr(dash + 1), text)};
  if (filter.low.Compare(filter.high) > 0) {
    throw UsageError("--priority " + std::string(text) + ": the range's first priority comes after its last");
  }
  return filter;
}

std::u16string FoldForMatch(std::u16string_view text) {
  std::u16string folded(text);
  if (std::all_of(text.begin(), text.end(), IsPlainForMatch)) {
    // Printable ASCII, kana and kanji are their own NFKC: only case and katakana are left to fold.
    for (char16_t& unit : folded) unit = FoldPlain(unit);
    return folded;
  }
  const QString source = QString::fromRawData(reinterpret_cast<const QChar*>(text.data()),
                                              static_cast<qsizetype>(text.size()));
  folded = source.normalized(QString::NormalizationForm_KC).toCaseFolded().toStdU16String();
  for (char16_t& unit : folded) {
    if (IsKatakana(unit)) unit = static_cast<char16_t>(unit - 0x60);
  }
  return folded;
}

bool TaskFilter::Matches(const TaskItem& task) const {
  if (due && !due->Matches(task.dueDate)) return false;
  if (priority && !priority->Matches(task)) return false;
  if (foldedText && !Contains(task.subject, *foldedText) && !Contains(task.memo, *foldedText)) return false;
  return true;
}

}  // namespace tvqcli
