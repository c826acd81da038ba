// The task commands and the list's double-tap and Enter, through the frame's routing and the real list.
#include <gtest/gtest.h>

#include "doc/TaskText.h"
#include "editor/CTarvelquistIns.h"
#include "res/resource.h"
#include "tests/view/ViewTestSupport.h"

namespace viewtest {
namespace {

std::vector<TaskSpec> Named(const std::vector<const char16_t*>& subjects) {
  std::vector<TaskSpec> tasks;
  for (const char16_t* subject : subjects) tasks.push_back({subject, Date(2008, 5, 10, 12, 0), u"A1", u""});
  return tasks;
}

// A new task confirmed with this subject.
EditorScript::Answer NewSubject(const char16_t* subject) {
  return [subject](CTarvelquistIns& editor) {
    editor.m_subject = subject;
    return IDOK;
  };
}

class CommandTest : public ::testing::Test {
 protected:
  tvqtest::ScopedLocale locale{"ja_JP"};
  ProgramWindows program;
};

TEST_F(CommandTest, OnAnEmptyListOnlyTheDoubleTapActs) {
  EditorScript editor(NewSubject(u"first"));
  for (UINT id : {ID_TASK_EDIT, ID_TASK_DELETE, ID_TASK_UP, ID_TASK_DOWN}) program.Command(id);
  program.PressKey(Qt::Key_Return);
  EXPECT_TRUE(editor.Runs().empty());
  EXPECT_FALSE(program.Doc().IsModified());

  program.DoubleTap(program.EmptySpacePoint());
  ASSERT_EQ(editor.Runs().size(), 1u);
  EXPECT_EQ(editor.Runs()[0].subject, CString());  // the insert flow sets only the due date
  EXPECT_EQ(editor.Runs()[0].dueDate.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"first"}));
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"first"}));
  EXPECT_TRUE(program.Doc().IsModified());
}

TEST_F(CommandTest, WithNothingSelectedInsertAndDoubleTapAppendAndEnterDoesNothing) {
  program.SetTasks(Named({u"a", u"b"}));
  {
    EditorScript editor(CancelAtOnce);
    program.Command(ID_TASK_INSERT);  // cancelled: nothing changes
    EXPECT_EQ(editor.Runs().size(), 1u);
  }
  EXPECT_FALSE(program.Doc().IsModified());
  EditorScript editor(NewSubject(u"c"));
  program.PressKey(Qt::Key_Return);
  EXPECT_TRUE(editor.Runs().empty());
  program.TapToolbarButton(ID_TASK_INSERT);
  program.DoubleTap(program.EmptySpacePoint());
  EXPECT_EQ(editor.Runs().size(), 2u);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"b", u"c", u"c"}));
  EXPECT_EQ(program.DocumentSubjects(), program.Column(0));
}

TEST_F(CommandTest, InsertWithRowZeroSelectedGoesInFrontAndTheOldRowStaysSelected) {
  program.SetTasks(Named({u"a", u"b"}));
  program.TapRow(0);
  EditorScript editor(NewSubject(u"new"));
  program.Command(ID_TASK_INSERT);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"new", u"a", u"b"}));
  EXPECT_EQ(program.DocumentSubjects(), program.Column(0));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{1}));
}

struct EdgeMove {
  int tasks;
  int selected;
  UINT command;
};

void PrintTo(const EdgeMove& c, std::ostream* out) {
  *out << c.tasks << " tasks, row " << c.selected << ", command " << c.command;
}

class MoveAtTheEdgeTest : public CommandTest, public ::testing::WithParamInterface<EdgeMove> {};

TEST_P(MoveAtTheEdgeTest, DoesNothing) {
  const EdgeMove& c = GetParam();
  std::vector<const char16_t*> names = {u"a", u"b", u"c"};
  names.resize(static_cast<std::size_t>(c.tasks));
  program.SetTasks(Named(names));
  program.TapRow(c.selected);
  const std::vector<CString> before = program.Column(0);
  program.Command(c.command);
  EXPECT_EQ(program.Column(0), before);
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{c.selected}));
  EXPECT_FALSE(program.Doc().IsModified());
}

INSTANTIATE_TEST_SUITE_P(FirstLastAndSingle, MoveAtTheEdgeTest,
                         ::testing::Values(EdgeMove{3, 0, ID_TASK_UP}, EdgeMove{3, 2, ID_TASK_DOWN},
                                           EdgeMove{1, 0, ID_TASK_UP}, EdgeMove{1, 0, ID_TASK_DOWN}));

TEST_F(CommandTest, WithRowsOneAndThreeSelectedEveryCommandActsOnTheLowest) {
  program.SetTasks(Named({u"a", u"b", u"c", u"d", u"e"}));
  program.TapRow(1);
  program.TapRow(3, true);
  {
    EditorScript editor(CancelAtOnce);
    program.Command(ID_TASK_EDIT);
    ASSERT_EQ(editor.Runs().size(), 1u);
    EXPECT_EQ(editor.Runs()[0].subject, CString(u"b"));
  }
  // The cancelled edit rebuilt row 1: only row 3 is selected now. Select row 1 again and move down.
  program.TapRow(1, true);
  program.TapToolbarButton(ID_TASK_DOWN);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"c", u"b", u"d", u"e"}));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{3}));
  program.Command(ID_TASK_DOWN);  // now row 3 moves
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"c", u"b", u"e", u"d"}));
  EXPECT_TRUE(program.SelectedRows().empty());
  program.Command(ID_TASK_DOWN);  // nothing selected any more
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"a", u"c", u"b", u"e", u"d"}));
}

TEST_F(CommandTest, DeleteTakesTheLowestSelectedRowAndTheOtherStaysSelected) {
  program.SetTasks(Named({u"a", u"b", u"c", u"d"}));
  program.TapRow(1);
  program.TapRow(3, true);
  EditorScript editor(ConfirmAsShown);
  program.TapToolbarButton(ID_TASK_DELETE);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"c", u"d"}));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{2}));
  program.Command(ID_TASK_DELETE);
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"a", u"c"}));
  EXPECT_TRUE(program.SelectedRows().empty());
  EXPECT_TRUE(editor.Runs().empty());  // no question asked
  EXPECT_TRUE(program.Doc().IsModified());
}

TEST_F(CommandTest, MoveUpExchangesWithTheRowAboveAndUnselectsBoth) {
  program.SetTasks(Named({u"a", u"b", u"c"}));
  program.TapRow(2);
  program.Command(ID_TASK_UP);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"c", u"b"}));
  EXPECT_EQ(program.DocumentSubjects(), program.Column(0));
  EXPECT_TRUE(program.SelectedRows().empty());
  EXPECT_EQ(program.Doc().GetWorkTask().subject, CString(u"b"));  // the task now at the selected row's index
  program.Command(ID_TASK_UP);
  EXPECT_EQ(program.Column(0), (std::vector<CString>{u"a", u"c", u"b"}));
}

TEST_F(CommandTest, CancelledEditRebuildsTheRowUnselectedAndMarksTheDocument) {
  program.SetTasks({{u"task", Date(2008, 5, 10, 12, 0), u"B2", u"memo\r\nmore"}});
  const std::vector<CString> before = {program.List().GetItemText(0, 0), program.List().GetItemText(0, 1),
                                       program.List().GetItemText(0, 2), program.List().GetItemText(0, 3)};
  program.TapRow(0);
  EditorScript editor([](CTarvelquistIns& e) {
    e.m_subject = u"typed but cancelled";
    return IDCANCEL;
  });
  program.PressKey(Qt::Key_Return);
  ASSERT_EQ(editor.Runs().size(), 1u);
  const std::vector<CString> after = {program.List().GetItemText(0, 0), program.List().GetItemText(0, 1),
                                      program.List().GetItemText(0, 2), program.List().GetItemText(0, 3)};
  EXPECT_EQ(after, before);
  EXPECT_TRUE(program.SelectedRows().empty());
  EXPECT_TRUE(program.Doc().IsModified());
  EXPECT_EQ(program.Doc().TaskAt(0).subject, CString(u"task"));
}

TEST_F(CommandTest, ConfirmedEditStoresTheMembersAndRebuildsTheRow) {
  program.SetTasks(Named({u"a", u"b"}));
  program.TapRow(1);
  EditorScript editor([](CTarvelquistIns& e) {
    e.m_subject = u"changed";
    e.m_memo = u"note";
    e.m_dueDate = Date(2100, 1, 1);
    e.m_priorityLetter = 3;
    e.m_priorityDigit = 7;
    return IDOK;
  });
  program.DoubleTap(program.RowPoint(1));
  const TaskItem& task = program.Doc().TaskAt(1);
  EXPECT_EQ(task.subject, CString(u"changed"));
  EXPECT_EQ(task.priority, CString(u"C7"));
  EXPECT_EQ(task.memo, CString(u"note"));
  EXPECT_EQ(task.dueDate, Date(2100, 1, 1));
  EXPECT_EQ(program.Column(1)[1], CString(u"期限なし"));
  EXPECT_EQ(program.Column(2)[1], CString(u"C7"));
  EXPECT_TRUE(program.SelectedRows().empty());
}

struct PriorityCase {
  const char16_t* stored;
  int letter;
  int digit;
  const char16_t* storedBack;
};

void PrintTo(const PriorityCase& c, std::ostream* out) { PrintTo(CString(c.stored), out); }

class PriorityMappingTest : public CommandTest, public ::testing::WithParamInterface<PriorityCase> {};

TEST_P(PriorityMappingTest, OpensWithTheChoicesAndStoresTwoCharacters) {
  const PriorityCase& c = GetParam();
  program.SetTasks({{u"t", Date(2008, 5, 10), c.stored, u""}});
  program.TapRow(0);
  EditorScript editor(ConfirmAsShown);
  program.Command(ID_TASK_EDIT);
  ASSERT_EQ(editor.Runs().size(), 1u);
  EXPECT_EQ(editor.Runs()[0].letter, c.letter);
  EXPECT_EQ(editor.Runs()[0].digit, c.digit);
  EXPECT_EQ(program.Doc().TaskAt(0).priority, CString(c.storedBack));
  EXPECT_EQ(program.List().GetItemText(0, 2), CString(c.storedBack));
}

// The mapping itself is the editor model's (doc tests); here the choices reach the real editor and come back
// into the document and the row.
INSTANTIATE_TEST_SUITE_P(Texts, PriorityMappingTest,
                         ::testing::Values(PriorityCase{u"A", 1, 1, u"A1"}, PriorityCase{u"P0", 4, 0, u"P0"}));

struct NoDueCase {
  const char* locale;
  COleDateTime due;
  BOOL expected;
};

void PrintTo(const NoDueCase& c, std::ostream* out) {
  *out << c.locale << ' ';
  PrintTo(c.due, out);
}

class NoDueDateTextTest : public ::testing::TestWithParam<NoDueCase> {};

TEST_P(NoDueDateTextTest, EditorOpensTickedOnlyForADateTextBeginningWith2100) {
  const NoDueCase& c = GetParam();
  tvqtest::ScopedLocale locale(c.locale);
  ProgramWindows program;
  program.SetTasks({{u"t", c.due, u"A1", u""}});
  program.TapRow(0);
  EditorScript editor(CancelAtOnce);
  program.Command(ID_TASK_EDIT);
  ASSERT_EQ(editor.Runs().size(), 1u);
  EXPECT_EQ(editor.Runs()[0].noDueDate, c.expected);
}

// Which dates tick the box is the editor model's rule (doc tests); here the box reaches the real editor.
INSTANTIATE_TEST_SUITE_P(ByText, NoDueDateTextTest,
                         ::testing::Values(NoDueCase{"ja_JP", Date(2100, 12, 31, 23, 0), TRUE},
                                           NoDueCase{"ja_JP", Date(2099, 12, 31), FALSE}));

}  // namespace
}  // namespace viewtest
