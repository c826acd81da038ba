// The task commands on a document: where a new task goes, which task a move exchanges with, edit confirmed and
// cancelled, insert, delete and the exchange, with the modified flag and what workTask holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "tests/doc/DocTestSupport.h"

namespace {

using doctest::U;

// Tasks with the given subjects, each with its own due date, priority and memo; the modified flag cleared.
void Fill(CTarvelquistDoc& doc, const std::vector<std::u16string>& subjects) {
  TaskItem task;
  for (std::size_t i = 0; i < subjects.size(); ++i) {
    task.subject = U(subjects[i]);
    task.dueDate = COleDateTime(39500.0 + static_cast<double>(i) + 0.25);
    task.priority = U(i % 2 == 0 ? u"B2" : u"A");
    task.memo = U(u"memo " + subjects[i]);
    TaskCommands(doc).Insert(doc.GetTaskCount(), task);
  }
  doc.SetModifiedFlag(FALSE);
}

std::vector<std::u16string> Subjects(const CTarvelquistDoc& doc) {
  std::vector<std::u16string> subjects;
  for (int i = 0; i < doc.GetTaskCount(); ++i) subjects.push_back(doc.TaskAt(i).subject.str());
  return subjects;
}

bool SameFields(const TaskItem& a, const TaskItem& b) {
  return a.subject == b.subject && a.dueDate == b.dueDate && a.priority == b.priority && a.memo == b.memo;
}

TEST(TaskCommands, ANewTaskGoesInFrontOfTheSelectedOneElseAtTheEnd) {
  struct Case {
    int selected, count, position;
  };
  for (const Case& c : {Case{0, 0, 0},      // an empty list
                        Case{3, 3, 3},      // nothing selected: the row count
                        Case{0, 3, 0},      // in front of the first task
                        Case{2, 3, 2},      // in front of the last task
                        Case{-1, 3, 3},     // not a row: as nothing selected
                        Case{7, 3, 3}}) {
    EXPECT_EQ(TaskCommands::InsertPosition(c.selected, c.count), c.position) << c.selected << " of " << c.count;
  }
}

TEST(TaskCommands, AMoveExchangesWithTheNeighbourInsideTheList) {
  struct Case {
    TaskMove move;
    int selected, count, partner;
  };
  for (const Case& c : {Case{TaskMove::up, 2, 3, 1}, Case{TaskMove::up, 0, 3, -1}, Case{TaskMove::up, 3, 3, -1},
                        Case{TaskMove::down, 0, 3, 1}, Case{TaskMove::down, 2, 3, -1},
                        Case{TaskMove::down, 3, 3, -1}, Case{TaskMove::up, 0, 1, -1}, Case{TaskMove::down, 0, 1, -1},
                        Case{TaskMove::down, 0, 0, -1}, Case{TaskMove::down, -1, 3, -1}}) {
    EXPECT_EQ(TaskCommands::MovePartner(c.move, c.selected, c.count), c.partner)
        << (c.move == TaskMove::up ? "up " : "down ") << c.selected << " of " << c.count;
  }
}

TEST(TaskCommands, EditFillsTheEditorAndOkStoresItsMembers) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b", u"c"});
  TaskCommands commands(doc);
  TaskEditorMembers editor;
  commands.BeginEdit(1, editor);
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), doc.TaskAt(1)));
  EXPECT_EQ(editor.m_subject, U(u"b"));
  EXPECT_EQ(editor.m_memo, U(u"memo b"));
  EXPECT_EQ(editor.m_dueDate, doc.TaskAt(1).dueDate);
  EXPECT_EQ(editor.m_priorityLetter, 1);  // "A": letter A, digit 1
  EXPECT_EQ(editor.m_priorityDigit, 1);
  EXPECT_FALSE(doc.IsModified());

  editor.m_subject = U(u"changed");
  editor.m_dueDate = NoDueDateValue();
  editor.m_priorityLetter = 3;
  editor.m_priorityDigit = 0;
  commands.EndEdit(1, editor, true);
  const TaskItem& task = doc.TaskAt(1);
  EXPECT_EQ(task.subject, U(u"changed"));
  EXPECT_EQ(task.dueDate, NoDueDateValue());
  EXPECT_EQ(task.priority, U(u"C0"));
  EXPECT_EQ(task.memo, U(u"memo b"));
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), task));
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a", u"changed", u"c"}));
  EXPECT_TRUE(doc.IsModified());
}

TEST(TaskCommands, ACancelledEditStoresTheTaskUnchangedAndMarksTheDocument) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b"});
  TaskItem before;
  before.CopyFieldsFrom(doc.TaskAt(0));
  TaskCommands commands(doc);
  TaskEditorMembers editor;
  commands.BeginEdit(0, editor);
  editor.m_subject = U(u"typed but cancelled");
  editor.m_priorityLetter = 4;
  commands.EndEdit(0, editor, false);
  EXPECT_TRUE(SameFields(doc.TaskAt(0), before)) << "not even the priority is rewritten";
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), before));
  EXPECT_TRUE(doc.IsModified());
}

TEST(TaskCommands, InsertStoresTheConfirmedMembersAtThePosition) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b"});
  TaskEditorMembers editor;
  taskeditor::StartNewTask(editor);
  editor.m_subject = U(u"new");
  TaskCommands(doc).InsertNew(TaskCommands::InsertPosition(0, 2), editor);
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"new", u"a", u"b"}));
  EXPECT_EQ(doc.TaskAt(0).priority, U(u"A0"));  // a new editor's choices
  EXPECT_EQ(doc.TaskAt(0).dueDate, editor.m_dueDate);
  EXPECT_TRUE(doc.TaskAt(0).memo.IsEmpty());
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), doc.TaskAt(0)));
  EXPECT_TRUE(doc.IsModified());
}

TEST(TaskCommands, DeleteRemovesTheTaskAndLeavesWorkTask) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b", u"c"});
  TaskItem held;
  held.CopyFieldsFrom(doc.GetWorkTask());
  TaskCommands(doc).Delete(1);
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a", u"c"}));
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), held));
  EXPECT_TRUE(doc.IsModified());
}

TEST(TaskCommands, SwapExchangesTwoTasksWholeAndLeavesTheOneNowFirstInWorkTask) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b", u"c", u"d"});
  TaskItem odd;
  odd.subject = U(u"odd");
  odd.dueDate = COleDateTime(39000.25, COleDateTime::invalid);
  odd.priority = U(u"");
  odd.memo = U(u"x");
  TaskCommands commands(doc);
  commands.Insert(4, odd);
  doc.SetModifiedFlag(FALSE);
  TaskItem second;
  second.CopyFieldsFrom(doc.TaskAt(1));

  commands.Swap(4, 1);
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a", u"odd", u"c", u"d", u"b"}));
  EXPECT_TRUE(SameFields(doc.TaskAt(1), odd)) << "the invalid status goes with the task";
  EXPECT_TRUE(SameFields(doc.TaskAt(4), second));
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), second)) << "workTask holds the task now at the first index";
  EXPECT_TRUE(doc.IsModified());

  commands.Swap(1, 4);  // and back
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"odd"}));
  EXPECT_TRUE(SameFields(doc.GetWorkTask(), second));
}

TEST(TaskCommands, InsertStoresACopyThroughWorkTaskByTheDocumentsRule) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b"});
  TaskItem task;
  task.subject = U(u"front");
  TaskCommands(doc).Insert(-1, task);  // outside the list: at the front
  task.subject = U(u"later");
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"front", u"a", u"b"}));
  EXPECT_EQ(doc.GetWorkTask().subject, U(u"front"));
  EXPECT_TRUE(doc.IsModified());
}

}  // namespace
