// The column sort on a document: the keys of each column, the document's new order, the modified flag and what
// workTask ends holding.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "doc/TaskSort.h"
#include "doc/TaskText.h"
#include "tests/support/TaskBuilder.h"

namespace {

struct TaskSpec {
  std::u16string subject;
  std::u16string priority;
  std::u16string memo;
  COleDateTime due = NoDueDateValue();
};

COleDateTime Due(int year, int month, int day, int hour = 0, int minute = 0) {
  return COleDateTime(year, month, day, hour, minute, 0);
}

COleDateTime WithStatus(std::int32_t status) { return COleDateTime(45000.5, status); }

// Tasks appended in order, the modified flag cleared afterwards.
void Fill(CTarvelquistDoc& document, const std::vector<TaskSpec>& rows) {
  for (const TaskSpec& row : rows) {
    tvqtest::AppendTask(document, *tvqtest::MakeTask(row.subject, row.due, row.priority, row.memo));
  }
  document.SetModifiedFlag(FALSE);
}

// Each task carries a tag naming it: its memo, or its subject when the memo is the sorted column.
std::u16string TagOf(const TaskItem& task, int column) { return (column == 3 ? task.subject : task.memo).str(); }

std::vector<std::u16string> Tags(const CTarvelquistDoc& document, int column) {
  std::vector<std::u16string> tags;
  for (int index = 0; index < document.GetTaskCount(); ++index) tags.push_back(TagOf(document.TaskAt(index), column));
  return tags;
}

std::vector<bool> TouchedRows(std::initializer_list<int> rows, int count) {
  std::vector<bool> touched(static_cast<std::size_t>(count), false);
  for (const int row : rows) touched[static_cast<std::size_t>(row)] = true;
  return touched;
}

TEST(SortTasks, UnstableExchangeReordersTheDocument) {
  CTarvelquistDoc document;
  Fill(document, {{u"B", u"A1", u"X"}, {u"B", u"A1", u"Y"}, {u"A", u"A1", u"Z"}});

  const ExchangeSortResult result = SortTasks(document, 0);

  EXPECT_EQ(Tags(document, 0), (std::vector<std::u16string>{u"Z", u"Y", u"X"}));
  EXPECT_EQ(result.touched, TouchedRows({0, 2}, 3));  // row 1 keeps its selection
  EXPECT_TRUE(document.IsModified());
  // The last comparison (Y with X) exchanged nothing: the task at the end was the last one loaded.
  EXPECT_FALSE(result.lastComparisonExchanged);
  EXPECT_EQ(document.GetWorkTask().memo, CString(u"X"));
}

struct ColumnCase {
  const char* name;
  int column;
  std::vector<TaskSpec> tasks;
  std::vector<std::u16string> sortedTags;
};

class SortTasksByColumn : public ::testing::TestWithParam<ColumnCase> {};

TEST_P(SortTasksByColumn, TasksComeOutInKeyOrder) {
  const ColumnCase& param = GetParam();
  CTarvelquistDoc document;
  Fill(document, param.tasks);

  SortTasks(document, param.column);

  EXPECT_EQ(Tags(document, param.column), param.sortedTags);
  EXPECT_TRUE(document.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Columns, SortTasksByColumn,
    ::testing::Values(
        // The empty priority takes the empty-value mark and goes last; the one-letter B before P1.
        ColumnCase{"priority", 2,
                   {{u"s", u"P1", u"P1"}, {u"s", u"A2", u"A2"}, {u"s", u"", u"empty"}, {u"s", u"A0", u"A0"},
                    {u"s", u"B", u"B"}},
                   {u"A0", u"A2", u"B", u"P1", u"empty"}},
        ColumnCase{"oneLetterPriorityFirst", 2,
                   {{u"s", u"B0", u"B0"}, {u"s", u"B", u"B"}, {u"s", u"A9", u"A9"}, {u"s", u"A", u"A"}},
                   {u"A", u"A9", u"B", u"B0"}},
        // The empty subject stays empty and comes first; upper case before lower case before kanji.
        ColumnCase{"subject", 0,
                   {{u"b", u"A1", u"b"}, {u"B", u"A1", u"B"}, {u"", u"A1", u"empty"}, {u"件名", u"A1", u"kanji"}},
                   {u"empty", u"B", u"b", u"kanji"}},
        // The empty memo's mark U+FF9F sorts after katakana but before the full-width yen sign U+FFE5.
        ColumnCase{"memo", 3,
                   {{u"yen", u"A1", u"￥"}, {u"empty", u"A1", u""}, {u"kana", u"A1", u"メモ"}, {u"lower", u"A1", u"x"},
                    {u"upper", u"A1", u"X"}},
                   {u"upper", u"lower", u"kana", u"empty", u"yen"}},
        // Date texts (yyyy/MM/dd): the null date's empty text first, the no-due-date year 2100 after the dated
        // tasks, "Invalid DateTime" after every text that begins with a digit.
        ColumnCase{"dueDate", 1,
                   {{u"s", u"A1", u"none", NoDueDateValue()},
                    {u"s", u"A1", u"invalid", WithStatus(COleDateTime::invalid)},
                    {u"s", u"A1", u"2024", Due(2024, 5, 3, 9, 30)},
                    {u"s", u"A1", u"null", WithStatus(COleDateTime::null)},
                    {u"s", u"A1", u"2023", Due(2023, 12, 31)},
                    {u"s", u"A1", u"1999", Due(1999, 1, 2)}},
                   {u"null", u"1999", u"2023", u"2024", u"none", u"invalid"}}),
    [](const ::testing::TestParamInfo<ColumnCase>& info) { return std::string(info.param.name); });

TEST(SortTasks, SameDayDueDatesAreEqualKeys) {
  {
    // Due the same day at different times: never exchanged with each other.
    CTarvelquistDoc document;
    Fill(document, {{u"s", u"A1", u"X", Due(2024, 6, 1, 18)}, {u"s", u"A1", u"Y", Due(2024, 6, 1, 8)},
                    {u"s", u"A1", u"W", Due(2024, 6, 2, 7)}});
    const ExchangeSortResult result = SortTasks(document, 1);
    EXPECT_EQ(Tags(document, 1), (std::vector<std::u16string>{u"X", u"Y", u"W"}));
    EXPECT_FALSE(result.anyExchange);
    EXPECT_FALSE(document.IsModified());
  }
  {
    // An earlier third task carries the first of them past the second.
    CTarvelquistDoc document;
    Fill(document, {{u"s", u"A1", u"X", Due(2024, 6, 1, 18)}, {u"s", u"A1", u"Y", Due(2024, 6, 1, 8)},
                    {u"s", u"A1", u"Z", Due(2024, 5, 31, 23)}});
    SortTasks(document, 1);
    EXPECT_EQ(Tags(document, 1), (std::vector<std::u16string>{u"Z", u"Y", u"X"}));
  }
}

TEST(SortTasks, SecondSortOfTheSameColumnExchangesNothing) {
  CTarvelquistDoc document;
  Fill(document, {{u"c", u"B2", u"1"}, {u"a", u"", u"2"}, {u"b", u"A1", u"3"}, {u"a", u"C3", u"4"}});
  ASSERT_TRUE(SortTasks(document, 0).anyExchange);
  const std::vector<std::u16string> sorted = Tags(document, 0);
  document.SetModifiedFlag(FALSE);

  const ExchangeSortResult again = SortTasks(document, 0);

  EXPECT_FALSE(again.anyExchange);
  EXPECT_EQ(again.touched, std::vector<bool>(4, false));
  EXPECT_EQ(Tags(document, 0), sorted);  // ascending again, not flipped
  EXPECT_FALSE(document.IsModified());
}

TEST(SortTasks, SortWithoutExchangeLeavesAnEarlierModificationInPlace) {
  CTarvelquistDoc document;
  Fill(document, {{u"a", u"A1", u"1"}, {u"b", u"A1", u"2"}});
  document.SetModifiedFlag(TRUE);
  SortTasks(document, 0);
  EXPECT_TRUE(document.IsModified());
}

TEST(SortTasks, FewerThanTwoTasksChangeNothing) {
  for (const int count : {0, 1}) {
    CTarvelquistDoc document;
    // workTask holds a task that is no longer in the list: the last one inserted, then removed.
    std::vector<TaskSpec> rows{{u"kept", u"A1", u"k"}};
    if (count == 1) rows.insert(rows.begin(), {u"only", u"A1", u"1"});
    Fill(document, rows);
    TaskCommands(document).Delete(count);
    document.SetModifiedFlag(FALSE);

    const ExchangeSortResult result = SortTasks(document, 0);

    EXPECT_FALSE(result.anyExchange) << count;
    EXPECT_EQ(result.order.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(document.GetTaskCount(), count);
    EXPECT_FALSE(document.IsModified()) << count;
    EXPECT_EQ(document.GetWorkTask().subject, CString(u"kept")) << count;
  }
}

TEST(SortTasks, ColumnOutsideTheFourMovesNothing) {
  for (const int column : {-1, 4, 1009}) {
    CTarvelquistDoc document;
    Fill(document, {{u"c", u"P9", u"1"}, {u"b", u"B2", u"2"}, {u"a", u"A1", u"3"}});

    const ExchangeSortResult result = SortTasks(document, column);

    EXPECT_FALSE(result.anyExchange) << column;
    EXPECT_EQ(Tags(document, 0), (std::vector<std::u16string>{u"1", u"2", u"3"})) << column;
    EXPECT_FALSE(document.IsModified()) << column;
    EXPECT_EQ(document.GetWorkTask().memo, CString(u"3")) << column;  // the last task loaded
  }
}

TEST(SortTasks, WorkTaskHoldsTheFirstOfTheLastExchangedPair) {
  CTarvelquistDoc document;
  Fill(document, {{u"A", u"A1", u"a"}, {u"C", u"A1", u"c"}, {u"B", u"A1", u"b"}});

  const ExchangeSortResult result = SortTasks(document, 0);

  EXPECT_TRUE(result.lastComparisonExchanged);
  EXPECT_EQ(Tags(document, 0), (std::vector<std::u16string>{u"a", u"b", u"c"}));
  EXPECT_EQ(document.GetWorkTask().memo, CString(u"b"));
  EXPECT_EQ(document.GetWorkTask().subject, CString(u"B"));
}

TEST(SortTasks, DocumentFollowsTheReferenceOrder) {
  // Two hundred tasks with few distinct priorities: the document ends in the reference's order of its tasks.
  std::mt19937 random(99);
  const char16_t* const priorities[] = {u"A1", u"B", u"", u"A1", u"P0", u"C3"};
  std::vector<TaskSpec> rows;
  std::vector<CString> keys;
  for (int index = 0; index < 200; ++index) {
    const char16_t* priority = priorities[random() % 6];
    const std::u16string tag(1, static_cast<char16_t>(0x4E00 + index));  // one kanji per task
    rows.push_back({u"s", priority, tag});
    keys.push_back(*priority ? CString(priority) : tasktext::EmptyValueMark());
  }
  CTarvelquistDoc document;
  Fill(document, rows);
  const ExchangeSortResult reference = ExchangeSortOracle(keys);

  const ExchangeSortResult result = SortTasks(document, 2);

  std::vector<std::u16string> expected;
  for (const int old : reference.order) expected.push_back(rows[static_cast<std::size_t>(old)].memo);
  EXPECT_EQ(Tags(document, 2), expected);
  EXPECT_EQ(result.touched, reference.touched);
  const int last = reference.lastComparisonExchanged ? 198 : 199;
  EXPECT_EQ(document.GetWorkTask().memo, CString(expected[static_cast<std::size_t>(last)]));
}

}  // namespace
