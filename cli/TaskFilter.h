// Which tasks tvq list shows (--due, --priority, --match) and which tvq remind announces: the local "today" the
// date words count from, the due day as the list shows it, the priority as the column sort compares it, and text
// compared without regard to case or width.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "doc/TaskItem.h"

namespace tvqcli {

using Day = std::chrono::sys_days;

// The local date now. TVQ_TODAY=YYYY-MM-DD stands in for it, so that tests can fix the day.
// Throws UsageError for a TVQ_TODAY that is not such a date.
Day Today();

// YYYY-MM-DD, as --due and TVQ_TODAY take a day.
std::string IsoDate(Day day);

// The day the list shows for a due date; none for a task the list shows without one ("期限なし") and for a date
// it cannot show ("Invalid DateTime", an empty null date).
std::optional<Day> DueDay(const COleDateTime& due);

// --due: the tasks without a due date, or the dates from first to last (either end may be open).
struct DueFilter {
  bool withoutDate = false;
  std::optional<Day> first;
  std::optional<Day> last;
  bool Matches(const COleDateTime& due) const;
};
// overdue, today, tomorrow, week, none, YYYY-MM-DD or YYYY-MM-DD..YYYY-MM-DD (an end may be left out).
// Throws UsageError saying what is expected.
DueFilter ParseDueFilter(std::string_view text, Day today);

// --priority: the column sort's priority keys from `low` up to `high`, and every key beginning with `high`.
struct PriorityFilter {
  CString low;
  CString high;
  bool Matches(const TaskItem& task) const;
};
// A letter (A), a letter and a digit (B2) or a range of them (A-B, A1-B5), letters and digits as the editor
// offers them. Throws UsageError saying what is expected.
PriorityFilter ParsePriorityFilter(std::string_view text);

// The form --match compares: NFKC (full-width letters and digits become ASCII, half-width katakana full-width),
// then case folding, then katakana as hiragana.
std::u16string FoldForMatch(std::u16string_view text);

// The filters given, all of which a task must pass.
struct TaskFilter {
  std::optional<DueFilter> due;
  std::optional<PriorityFilter> priority;
  std::optional<std::u16string> foldedText;  // subject or memo contains it, both folded
  bool Matches(const TaskItem& task) const;
};

}  // namespace tvqcli
