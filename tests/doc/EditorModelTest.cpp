// The task editor's model: its start values for a new and an existing task, the "期限なし" box, the date
// picker's rules, and what OK stores.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>

#include "doc/TaskEditor.h"
#include "tests/doc/DocTestSupport.h"

inline void PrintTo(const COleDateTime& date, std::ostream* out) {
  *out << date.m_dt << " (status " << date.m_status << ')';
}

namespace {

using doctest::U;
using tvqtest::ScopedLocale;

constexpr double kSecond = 1.0 / 86400.0;

COleDateTime Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return COleDateTime(year, month, day, hour, minute, second);
}

bool IsWholeSecond(const COleDateTime& date) {
  const double seconds = (date.m_dt - std::floor(date.m_dt)) * 86400.0;
  return std::abs(seconds - std::round(seconds)) < 1e-4;
}

std::unique_ptr<TaskItem> Task(std::u16string_view subject, const COleDateTime& due, std::u16string_view priority,
                               std::u16string_view memo) {
  auto task = std::make_unique<TaskItem>();
  task->subject = U(subject);
  task->dueDate = due;
  task->priority = U(priority);
  task->memo = U(memo);
  return task;
}

TEST(EditorModel, ANewEditorHoldsItsOwnStartValues) {
  const double before = COleDateTime::GetCurrentTime().m_dt;
  const TaskEditorMembers editor;
  EXPECT_EQ(editor.m_dueDate.GetStatus(), COleDateTime::valid);
  EXPECT_GE(editor.m_dueDate.m_dt, before);
  EXPECT_LE(editor.m_dueDate.m_dt, COleDateTime::GetCurrentTime().m_dt);
  EXPECT_TRUE(IsWholeSecond(editor.m_dueDate));
  EXPECT_TRUE(editor.m_subject.IsEmpty());
  EXPECT_TRUE(editor.m_memo.IsEmpty());
  EXPECT_EQ(editor.m_priorityLetter, 1);
  EXPECT_EQ(editor.m_priorityDigit, 0);
  EXPECT_EQ(editor.m_noDueDate, FALSE);
}

TEST(EditorModel, TheInsertFlowSetsOnlyTheDueDateToNow) {
  TaskEditorMembers editor;
  editor.m_dueDate = COleDateTime(12.5, COleDateTime::invalid);
  editor.m_subject = U(u"kept");
  editor.m_priorityLetter = 3;
  const double before = COleDateTime::GetCurrentTime().m_dt;
  taskeditor::StartNewTask(editor);
  EXPECT_EQ(editor.m_dueDate.GetStatus(), COleDateTime::valid);
  EXPECT_GE(editor.m_dueDate.m_dt, before);
  EXPECT_LE(editor.m_dueDate.m_dt, COleDateTime::GetCurrentTime().m_dt);
  EXPECT_EQ(editor.m_subject, U(u"kept"));
  EXPECT_EQ(editor.m_priorityLetter, 3);
}

TEST(EditorModel, TheEditFlowTakesTheTaskWholeAndTheChoicesFromThePriority) {
  ScopedLocale locale("ja_JP");
  TaskEditorMembers editor;
  taskeditor::StartFromTask(editor, *Task(u"subject", COleDateTime(39578.123456789, 7), u"P0", u"line\r\nline"));
  EXPECT_EQ(editor.m_subject, U(u"subject"));
  EXPECT_EQ(editor.m_memo, U(u"line\r\nline"));
  EXPECT_EQ(editor.m_dueDate, COleDateTime(39578.123456789, 7));  // value and status as they are
  EXPECT_EQ(editor.m_priorityLetter, 4);
  EXPECT_EQ(editor.m_priorityDigit, 0);
  EXPECT_EQ(editor.m_noDueDate, FALSE);

  for (const auto& [priority, letter, digit] :
       {std::tuple{u"A", 1, 1}, std::tuple{u"b3", 1, 3}, std::tuple{u"", 1, 1}, std::tuple{u"C9", 3, 9}}) {
    taskeditor::StartFromTask(editor, *Task(u"", Date(2008, 5, 10), priority, u""));
    EXPECT_EQ(editor.m_priorityLetter, letter) << CString(priority).ToUtf8();
    EXPECT_EQ(editor.m_priorityDigit, digit) << CString(priority).ToUtf8();
  }
}

struct BoxCase {
  const char* locale;
  COleDateTime due;
  BOOL ticked;
};

void PrintTo(const BoxCase& c, std::ostream* out) {
  *out << c.locale << ' ';
  PrintTo(c.due, out);
}

class EditorModelBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(EditorModelBox, TheBoxIsTickedOnlyForADateTextBeginningWith2100) {
  ScopedLocale locale(GetParam().locale);
  TaskEditorMembers editor;
  taskeditor::StartFromTask(editor, *Task(u"t", GetParam().due, u"A1", u""));
  EXPECT_EQ(editor.m_noDueDate, GetParam().ticked);
}

INSTANTIATE_TEST_SUITE_P(ByText, EditorModelBox,
                         ::testing::Values(BoxCase{"ja_JP", NoDueDateValue(), TRUE},
                                           BoxCase{"ja_JP", Date(2100, 12, 31, 23), TRUE},
                                           BoxCase{"ja_JP", COleDateTime(73051.0, 5), TRUE},
                                           BoxCase{"ja_JP", Date(2099, 12, 31, 23, 59, 59), FALSE},
                                           BoxCase{"ja_JP", COleDateTime(73051.0, COleDateTime::invalid), FALSE},
                                           BoxCase{"ja_JP", COleDateTime(73051.0, COleDateTime::null), FALSE},
                                           BoxCase{"en_US", NoDueDateValue(), FALSE}));

TEST(EditorModel, OkStoresTheMembersAndTheChoicesAsTwoCharacters) {
  TaskEditorMembers editor;
  editor.m_subject = U(u"s");
  editor.m_memo = U(u"m");
  editor.m_dueDate = COleDateTime(45000.25, COleDateTime::null);
  TaskItem task;
  for (const auto& [letter, digit, text] : {std::tuple{3, 7, u"C7"}, std::tuple{4, 0, u"P0"}, std::tuple{7, 0, u"A0"},
                                            std::tuple{2, 12, u"B1"}, std::tuple{-3, -1, u"A1"}}) {
    editor.m_priorityLetter = letter;
    editor.m_priorityDigit = digit;
    taskeditor::Confirm(editor, task);
    EXPECT_EQ(task.priority, U(text)) << letter << ", " << digit;
  }
  EXPECT_EQ(task.subject, U(u"s"));
  EXPECT_EQ(task.memo, U(u"m"));
  EXPECT_EQ(task.dueDate, COleDateTime(45000.25, COleDateTime::null));
}

TEST(EditorModel, TheBoxSetsTheNoDueDateValueAndClearingItKeepsThatDate) {
  TaskEditorMembers editor;
  editor.m_dueDate = Date(2024, 5, 6, 10, 11, 12);
  EXPECT_TRUE(taskeditor::ApplyNoDueDateBox(editor)) << "a clear box leaves the picker enabled";
  EXPECT_EQ(editor.m_dueDate, Date(2024, 5, 6, 10, 11, 12));

  taskeditor::SetNoDueDate(editor, true);
  EXPECT_EQ(editor.m_noDueDate, TRUE);
  EXPECT_EQ(editor.m_dueDate, NoDueDateValue());
  EXPECT_FALSE(taskeditor::ApplyNoDueDateBox(editor)) << "a ticked box disables the picker";

  taskeditor::SetNoDueDate(editor, false);
  EXPECT_EQ(editor.m_noDueDate, FALSE);
  EXPECT_EQ(editor.m_dueDate, NoDueDateValue());
}

struct PickerCase {
  const char* name;
  COleDateTime requested;
  bool shows;          // false: refused, the picker keeps what it showed
  COleDateTime value;  // when shown
};

void PrintTo(const PickerCase& c, std::ostream* out) { *out << c.name; }

class EditorModelPicker : public ::testing::TestWithParam<PickerCase> {};

TEST_P(EditorModelPicker, ShowsValidDatesInItsRangeToTheSecondAndRefusesTheRest) {
  const PickerCase& c = GetParam();
  const COleDateTime shown = Date(2024, 5, 6, 10, 11, 12);
  const COleDateTime result = taskeditor::PickerValue(c.requested, shown);
  if (!c.shows) {
    EXPECT_EQ(result, shown);
    return;
  }
  EXPECT_EQ(result, c.value);
  EXPECT_TRUE(IsWholeSecond(result));
}

INSTANTIATE_TEST_SUITE_P(
    Values, EditorModelPicker,
    ::testing::Values(
        PickerCase{"WholeSeconds", Date(2008, 5, 10, 12, 30, 15), true, Date(2008, 5, 10, 12, 30, 15)},
        PickerCase{"RoundsDown", COleDateTime(Date(2008, 5, 10, 12).m_dt + 0.4 * kSecond), true, Date(2008, 5, 10, 12)},
        PickerCase{"RoundsUp", COleDateTime(Date(2008, 5, 10, 12).m_dt + 0.6 * kSecond), true,
                   Date(2008, 5, 10, 12, 0, 1)},
        PickerCase{"NoDueDate", NoDueDateValue(), true, NoDueDateValue()},
        PickerCase{"Invalid", COleDateTime(39578.5, COleDateTime::invalid), false, {}},
        PickerCase{"Null", COleDateTime(39578.5, COleDateTime::null), false, {}},
        PickerCase{"OtherStatus", COleDateTime(39578.5, 7), false, {}},
        PickerCase{"FirstDay", Date(100, 1, 1), true, Date(100, 1, 1)},
        PickerCase{"LastSecond", Date(9999, 12, 31, 23, 59, 59), true, Date(9999, 12, 31, 23, 59, 59)},
        PickerCase{"BeforeTheFirstDay", COleDateTime(Date(100, 1, 1).m_dt - 1.0), false, {}},
        PickerCase{"AfterTheLastDay", COleDateTime(Date(9999, 12, 31).m_dt + 1.0), false, {}},
        PickerCase{"NotANumber", COleDateTime(std::numeric_limits<double>::quiet_NaN()), false, {}}),
    [](const ::testing::TestParamInfo<PickerCase>& info) { return std::string(info.param.name); });

TEST(EditorModel, PickingADayKeepsThePickersTimeOfDay) {
  EXPECT_EQ(taskeditor::PickDay(Date(2024, 5, 6, 10, 11, 12), 2025, 2, 3), Date(2025, 2, 3, 10, 11, 12));
  EXPECT_EQ(taskeditor::PickDay(NoDueDateValue(), 2024, 2, 29), Date(2024, 2, 29));
}

TEST(EditorModel, OpeningPassesTheDueDateThroughThePickerThenTheBox) {
  ScopedLocale locale("ja_JP");
  const COleDateTime pickerNow = Date(2024, 5, 6, 10, 11, 12);
  TaskEditorMembers editor;
  editor.m_priorityLetter = 7;  // the choices are not exchanged: they stay as given
  editor.m_priorityDigit = 12;

  editor.m_dueDate = COleDateTime(39578.5, COleDateTime::invalid);
  taskeditor::Open(editor, pickerNow);
  EXPECT_EQ(editor.m_dueDate, pickerNow) << "a date the picker cannot show becomes what it shows";

  editor.m_dueDate = COleDateTime(Date(2008, 5, 10, 12).m_dt + 0.4 * kSecond);
  taskeditor::Open(editor, pickerNow);
  EXPECT_EQ(editor.m_dueDate, Date(2008, 5, 10, 12));

  editor.m_dueDate = Date(2100, 12, 31, 23);
  editor.m_noDueDate = TRUE;
  taskeditor::Open(editor, pickerNow);
  EXPECT_EQ(editor.m_dueDate, NoDueDateValue());
  EXPECT_EQ(editor.m_priorityLetter, 7);
  EXPECT_EQ(editor.m_priorityDigit, 12);
}

// A task opened and confirmed at once, as tvq edit without options and the window's OK without a change.
struct RoundTripCase {
  const char* name;
  const char* locale;
  COleDateTime due;
  std::u16string priority;
  COleDateTime storedDue;
  std::u16string storedPriority;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) { *out << c.name; }

class EditorModelRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

const COleDateTime kPickerNow = Date(2024, 5, 6, 10, 11, 12);

TEST_P(EditorModelRoundTrip, OpenedAndConfirmedAtOnce) {
  const RoundTripCase& c = GetParam();
  ScopedLocale locale(c.locale);
  const std::unique_ptr<TaskItem> stored = Task(u"subject", c.due, c.priority, u"memo");
  TaskItem& task = *stored;
  TaskEditorMembers editor;
  taskeditor::StartFromTask(editor, task);
  taskeditor::Open(editor, kPickerNow);
  taskeditor::Confirm(editor, task);
  EXPECT_EQ(task.dueDate, c.storedDue);
  EXPECT_EQ(task.priority, U(c.storedPriority));
  EXPECT_EQ(task.subject, U(u"subject"));
  EXPECT_EQ(task.memo, U(u"memo"));
}

INSTANTIATE_TEST_SUITE_P(
    Tasks, EditorModelRoundTrip,
    ::testing::Values(
        RoundTripCase{"OneLetterPriority", "ja_JP", Date(2008, 5, 10, 12), u"A", Date(2008, 5, 10, 12), u"A1"},
        RoundTripCase{"LowerCaseLetter", "ja_JP", Date(2008, 5, 10, 12), u"b3", Date(2008, 5, 10, 12), u"A3"},
        RoundTripCase{"EmptyPriority", "ja_JP", Date(2008, 5, 10, 12), u"", Date(2008, 5, 10, 12), u"A1"},
        RoundTripCase{"LateIn2100", "ja_JP", Date(2100, 12, 31, 23), u"P0", NoDueDateValue(), u"P0"},
        RoundTripCase{"LateIn2100MonthFirst", "en_US", Date(2100, 12, 31, 23), u"P0", Date(2100, 12, 31, 23), u"P0"},
        RoundTripCase{"InvalidDate", "ja_JP", COleDateTime(39000.25, COleDateTime::invalid), u"C9", kPickerNow, u"C9"},
        RoundTripCase{"PartOfASecond", "ja_JP", COleDateTime(Date(2008, 5, 10, 12).m_dt + 0.6 * kSecond), u"B2",
                      Date(2008, 5, 10, 12, 0, 1), u"B2"}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

}  // namespace
