// The column sort through a tap on the real header: order of the document and the rows, rows rebuilt only where
// tasks were exchanged, the modified flag and workTask.
#include <gtest/gtest.h>

#include <random>

#include "doc/TaskSort.h"
#include "doc/TaskText.h"
#include "tests/view/ViewTestSupport.h"

namespace viewtest {
namespace {

class SortTest : public ::testing::Test {
 protected:
  tvqtest::ScopedLocale locale{"ja_JP"};
  ProgramWindows program;

  // Tasks told apart by their memo.
  void SetSubjects(const std::vector<std::pair<const char16_t*, const char16_t*>>& subjectAndMemo) {
    std::vector<TaskSpec> tasks;
    for (const auto& [subject, memo] : subjectAndMemo) tasks.push_back({subject, Date(2008, 5, 10), u"A1", memo});
    program.SetTasks(tasks);
  }
  void ExpectRowsShowTheDocument() {
    for (int i = 0; i < program.Doc().GetTaskCount(); ++i) {
      const TaskItem& task = program.Doc().TaskAt(i);
      EXPECT_EQ(program.List().GetItemText(i, 0), tasktext::SubjectColumnText(task.subject)) << "row " << i;
      EXPECT_EQ(program.List().GetItemText(i, 1), tasktext::DueColumnText(task.dueDate)) << "row " << i;
      EXPECT_EQ(program.List().GetItemText(i, 2), task.priority) << "row " << i;
      EXPECT_EQ(program.List().GetItemText(i, 3), task.memo) << "row " << i;
    }
  }
};

TEST_F(SortTest, EqualKeysAreNotKeptInPlace) {
  SetSubjects({{u"B", u"X"}, {u"B", u"Y"}, {u"A", u"Z"}});
  program.TapHeader(0);
  EXPECT_EQ(program.DocumentMemos(), (std::vector<CString>{u"Z", u"Y", u"X"}));
  EXPECT_EQ(program.Column(3), program.DocumentMemos());
  EXPECT_TRUE(program.Doc().IsModified());
}

TEST_F(SortTest, SubjectsSortByCodeUnitWithTheEmptyOneFirst) {
  SetSubjects({{u"b", u""}, {u"B", u""}, {u"", u""}, {u"件名", u""}});
  program.TapHeader(0);
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"", u"B", u"b", u"件名"}));
  ExpectRowsShowTheDocument();
}

TEST_F(SortTest, PrioritiesSortWithTheEmptyOneLast) {
  std::vector<TaskSpec> tasks;
  for (const char16_t* priority : {u"P1", u"A2", u"", u"A0", u"B"}) {
    tasks.push_back({priority, Date(2008, 5, 10), priority, u""});
  }
  program.SetTasks(tasks);
  program.TapHeader(2);
  EXPECT_EQ(program.Column(2), (std::vector<CString>{u"A0", u"A2", u"B", u"P1", u""}));
  ExpectRowsShowTheDocument();
}

TEST_F(SortTest, MemosSortWithTheEmptyOneLast) {
  SetSubjects({{u"1", u""}, {u"2", u"zebra"}, {u"3", u"Apple"}, {u"4", u"メモ"}});
  program.TapHeader(3);
  EXPECT_EQ(program.DocumentMemos(), (std::vector<CString>{u"Apple", u"zebra", u"メモ", u""}));
}

TEST_F(SortTest, DueDatesSortByTheirTextNullFirstAndInvalidAfterNoDueDate) {
  program.SetTasks({{u"invalid", InvalidDate(), u"A1", u""},
                    {u"none", Date(2100, 1, 1), u"A1", u""},
                    {u"dated", Date(2008, 3, 15, 14, 30), u"A1", u""},
                    {u"null", NullDate(), u"A1", u""},
                    {u"earlier", Date(2007, 12, 31), u"A1", u""}});
  program.TapHeader(1);
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"null", u"earlier", u"dated", u"none", u"invalid"}));
  EXPECT_EQ(program.Column(1),
            (std::vector<CString>{u"", u"2007/12/31", u"2008/03/15", u"期限なし", u"Invalid DateTime"}));
}

TEST_F(SortTest, TasksDueOnTheSameDayAreEqualKeys) {
  program.SetTasks({{u"late", Date(2008, 3, 15, 18, 0), u"A1", u""},
                    {u"early", Date(2008, 3, 15, 8, 0), u"A1", u""},
                    {u"next year", Date(2009, 1, 1), u"A1", u""}});
  program.TapHeader(1);
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"late", u"early", u"next year"}));
  EXPECT_FALSE(program.Doc().IsModified());
}

TEST_F(SortTest, ZeroOrOneTaskAndASecondTapChangeNothing) {
  program.TapHeader(0);
  EXPECT_FALSE(program.Doc().IsModified());
  SetSubjects({{u"only", u""}});
  program.TapHeader(0);
  EXPECT_FALSE(program.Doc().IsModified());

  SetSubjects({{u"c", u""}, {u"a", u""}, {u"b", u""}});
  program.TapHeader(0);
  EXPECT_TRUE(program.Doc().IsModified());
  program.Doc().SetModifiedFlag(FALSE);
  program.TapRow(0);
  program.TapRow(2, true);
  program.TapHeader(0);  // ascending again, never descending
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"a", u"b", u"c"}));
  EXPECT_FALSE(program.Doc().IsModified());
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{0, 2}));
}

TEST_F(SortTest, OnlyExchangedRowsAreRebuiltAndLoseTheirSelection) {
  SetSubjects({{u"A", u""}, {u"C", u""}, {u"B", u""}, {u"D", u""}});
  program.Select({0, 1, 2, 3});
  program.TapHeader(0);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"A", u"B", u"C", u"D"}));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{0, 3}));
  // The last comparison (rows 2 and 3) exchanged nothing: workTask holds the last task.
  EXPECT_EQ(program.Doc().GetWorkTask().subject, CString(u"D"));
}

TEST_F(SortTest, WorkTaskEndsWithTheTaskTheLastExchangeLeftThere) {
  SetSubjects({{u"A", u""}, {u"C", u""}, {u"B", u""}});
  program.TapHeader(0);
  // The last comparison exchanged rows 1 and 2: workTask holds the task now at row 1.
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"A", u"B", u"C"}));
  EXPECT_EQ(program.Doc().GetWorkTask().subject, CString(u"B"));
}

TEST_F(SortTest, SortedOrderIsWhatTheFileKeeps) {
  SetSubjects({{u"c", u"3"}, {u"a", u"1"}, {u"b", u"2"}});
  program.TapHeader(0);
  const CString path = CString::FromUtf8(TempFolder() + "/sorted.tvq");
  ASSERT_TRUE(program.Doc().OnSaveDocument(path));
  ASSERT_NE(program.Template().OpenDocumentFile(&path, TRUE), nullptr);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"b", u"c"}));
  EXPECT_EQ(program.DocumentMemos(), (std::vector<CString>{u"1", u"2", u"3"}));
}

// Against the exchange sort run as written, on lists full of equal keys: the same order, the same rows losing
// their selection, the same modified flag.
TEST_F(SortTest, AgreesWithTheExchangeSortRunAsWritten) {
  std::mt19937 random(1234);
  for (int round = 0; round < 60; ++round) {
    const int n = static_cast<int>(random() % 12);
    std::vector<TaskSpec> tasks;
    for (int i = 0; i < n; ++i) {
      const char16_t letter = static_cast<char16_t>(u'a' + random() % 3);
      tasks.push_back({CString(1, letter), Date(2008, 5, 10), u"A1", CString::FromUtf8(std::to_string(i))});
    }
    program.SetTasks(tasks);
    std::vector<int> selected;
    for (int i = 0; i < n; ++i) {
      if (random() % 2) selected.push_back(i);
    }
    program.Select(selected);
    std::vector<CString> keys;
    for (const TaskSpec& task : tasks) keys.push_back(task.subject);
    const ExchangeSortResult oracle = ExchangeSortOracle(keys);

    program.TapHeader(0);

    std::vector<CString> expectedMemos;
    for (int k : oracle.order) expectedMemos.push_back(tasks[static_cast<std::size_t>(k)].memo);
    ASSERT_EQ(program.DocumentMemos(), expectedMemos) << "round " << round;
    ASSERT_EQ(program.Column(3), expectedMemos) << "round " << round;
    std::vector<int> expectedSelected;
    for (int row : selected) {
      if (!oracle.touched[static_cast<std::size_t>(row)]) expectedSelected.push_back(row);
    }
    ASSERT_EQ(program.SelectedRows(), expectedSelected) << "round " << round;
    ASSERT_EQ(program.Doc().IsModified() != FALSE, oracle.anyExchange) << "round " << round;
  }
}

}  // namespace
}  // namespace viewtest
