// The document's task operations: select, insert, replace, remove and reorder, workTask and the modified flag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/core/CWinApp.h"
#include "tests/doc/DocTestSupport.h"

namespace {

using doctest::FailingFactory;
using doctest::U;

// A document holding tasks with the given subjects (inserted at the end, modified flag then cleared).
void Fill(CTarvelquistDoc& doc, const std::vector<std::u16string>& subjects) {
  TaskItem task;
  for (const auto& subject : subjects) {
    task.subject = U(subject);
    TaskCommands(doc).Insert(doc.GetTaskCount(), task);
  }
  doc.SetModifiedFlag(FALSE);
}

// Leaves workTask holding `task` and the list and its flag as they were: the task goes in through workTask and
// out again.
void HoldInWorkTask(CTarvelquistDoc& doc, const TaskItem& task) {
  const BOOL modified = doc.IsModified();
  TaskCommands commands(doc);
  commands.Insert(0, task);
  commands.Delete(0);
  doc.SetModifiedFlag(modified);
}

std::vector<std::u16string> Subjects(const CTarvelquistDoc& doc) {
  std::vector<std::u16string> subjects;
  for (int i = 0; i < doc.GetTaskCount(); ++i) subjects.push_back(doc.TaskAt(i).subject.str());
  return subjects;
}

TEST(Document, RuntimeClassCreatesTheDocument) {
  const CRuntimeClass* cls = RUNTIME_CLASS(CTarvelquistDoc);
  EXPECT_STREQ(cls->m_lpszClassName, "CTarvelquistDoc");
  EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(CDocument));
  auto doc = AfxCreateObject<CTarvelquistDoc>(cls);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetTaskCount(), 0);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->GetWorkTask().subject, CString(u"\u4EF6\u540D"));
}

TEST(Document, MessageMapIsEmptyAndChainedToTheDocumentBase) {
  CTarvelquistDoc doc;
  CDocument base;
  const AFX_MSGMAP* map = static_cast<const CCmdTarget&>(doc).GetMessageMap();
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->lpEntries[0].nMessage, 0u);
  EXPECT_EQ(map->pfnGetBaseMap(), static_cast<const CCmdTarget&>(base).GetMessageMap());
}

TEST(Document, SelectOutsideTheListGivesANewTasksDefaults) {
  CTarvelquistDoc doc;
  TaskItem other;
  other.subject = U(u"x");
  other.priority = U(u"C9");
  other.memo = U(u"memo");
  other.dueDate = COleDateTime(1.0, COleDateTime::null);
  for (const int index : {0, -1, 3}) {
    HoldInWorkTask(doc, other);
    const double before = COleDateTime::GetCurrentTime().m_dt;
    doc.SelectTask(index);
    EXPECT_EQ(doc.GetWorkTask().subject, CString(u"\u4EF6\u540D")) << index;
    EXPECT_EQ(doc.GetWorkTask().priority, U(u"A"));
    EXPECT_TRUE(doc.GetWorkTask().memo.IsEmpty());
    EXPECT_EQ(doc.GetWorkTask().dueDate.GetStatus(), COleDateTime::valid);
    EXPECT_GE(doc.GetWorkTask().dueDate.m_dt, before);
  }
  EXPECT_FALSE(doc.IsModified());
}

struct InsertCase {
  int index;
  std::vector<std::u16string> expected;
};

class DocumentInsert : public ::testing::TestWithParam<InsertCase> {};

TEST_P(DocumentInsert, PutsTheCopyWhereTheIndexSays) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b", u"c"});
  TaskItem task;
  task.subject = U(u"new");
  TaskCommands(doc).Insert(GetParam().index, task);
  EXPECT_EQ(Subjects(doc), GetParam().expected);
  EXPECT_TRUE(doc.IsModified());
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, DocumentInsert,
    ::testing::Values(InsertCase{0, {u"new", u"a", u"b", u"c"}}, InsertCase{1, {u"a", u"new", u"b", u"c"}},
                      InsertCase{3, {u"a", u"b", u"c", u"new"}}, InsertCase{-1, {u"new", u"a", u"b", u"c"}},
                      InsertCase{5, {u"new", u"a", u"b", u"c"}}));

TEST(Document, InsertCopiesWorkTaskAndSharesNothingWithIt) {
  CTarvelquistDoc doc;
  TaskItem first;
  first.subject = U(u"s");
  first.dueDate = COleDateTime(12.25, 7);
  first.priority = U(u"B2");
  first.memo = U(u"m");
  TaskCommands(doc).Insert(0, first);
  TaskItem second;
  second.subject = U(u"changed");
  TaskCommands(doc).Insert(1, second);  // workTask changes
  const TaskItem& task = doc.TaskAt(0);
  EXPECT_EQ(task.subject, U(u"s"));
  EXPECT_EQ(task.dueDate, COleDateTime(12.25, 7));
  EXPECT_EQ(task.priority, U(u"B2"));
  EXPECT_EQ(task.memo, U(u"m"));
}

TEST(Document, SelectThenReplaceKeepsTheTaskAndSetsModified) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b"});
  doc.SelectTask(1);
  EXPECT_FALSE(doc.IsModified());
  doc.ReplaceTask(1);
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_TRUE(doc.IsModified());
}

TEST(Document, RemovingTheOnlyTaskLeavesAnEmptyDocumentThatTakesTasksAgain) {
  CTarvelquistDoc doc;
  Fill(doc, {u"only"});
  doc.RemoveTask(0);
  EXPECT_EQ(doc.GetTaskCount(), 0);
  EXPECT_TRUE(doc.IsModified());
  doc.InsertTask(0);
  EXPECT_EQ(doc.GetTaskCount(), 1);
}

TEST(Document, RemoveMovesTheLaterTasksDown) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b", u"c"});
  doc.RemoveTask(1);
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a", u"c"}));
}

TEST(Document, NewDocumentEmptiesEverythingButWorkTask) {
  CTarvelquistDoc doc;
  Fill(doc, {u"1", u"2", u"3", u"4", u"5"});
  doc.SetPathName(U(u"/tmp/somewhere.tvq"));
  doc.SetModifiedFlag(TRUE);
  TaskItem kept;
  kept.subject = U(u"kept");
  HoldInWorkTask(doc, kept);
  EXPECT_EQ(doc.OnNewDocument(), TRUE);
  EXPECT_EQ(doc.GetTaskCount(), 0);
  EXPECT_TRUE(doc.GetPathName().IsEmpty());
  EXPECT_FALSE(doc.IsModified());
  EXPECT_EQ(doc.GetWorkTask().subject, U(u"kept"));
}

TEST(Document, ReorderPutsTasksInTheGivenOrderAndLeavesTheFlag) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a", u"b", u"c"});
  doc.ReorderTasks({2, 0, 1});
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"c", u"a", u"b"}));
  EXPECT_FALSE(doc.IsModified());
  // Anything that is not a permutation of the indexes leaves the list alone.
  doc.ReorderTasks({0, 0, 1});
  doc.ReorderTasks({0, 1});
  doc.ReorderTasks({0, 1, 3});
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"c", u"a", u"b"}));
}

TEST(Document, InsertWithoutMemoryThrowsTheMemoryExceptionAndChangesNothing) {
  CTarvelquistDoc doc;
  Fill(doc, {u"a"});
  FailingFactory failing(0);
  EXPECT_THROW(doc.InsertTask(0), CMemoryException);
  EXPECT_THROW(doc.ReplaceTask(0), CMemoryException);
  EXPECT_EQ(Subjects(doc), (std::vector<std::u16string>{u"a"}));
  EXPECT_FALSE(doc.IsModified());
}

}  // namespace
