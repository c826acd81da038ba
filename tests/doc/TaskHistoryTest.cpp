// The undo history on a document without a window, where the list view's model-based test cannot reach: more
// steps than it keeps, and the events that must drop it. Every kind of step is driven through the real view by
// tests/view/ListModelTest.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskHistory.h"

namespace {

std::vector<std::string> SubjectsOf(const CTarvelquistDoc& document) {
  std::vector<std::string> subjects;
  for (int i = 0; i < document.GetTaskCount(); ++i) subjects.push_back(document.TaskAt(i).subject.ToUtf8());
  return subjects;
}

std::unique_ptr<TaskItem> NewTask(const std::string& subject) {
  auto task = std::make_unique<TaskItem>();
  task->subject = CString::FromUtf8(subject);
  return task;
}

TEST(TaskHistory, KeepsTheLastStepsUpToItsDepth) {
  CTarvelquistDoc document;
  for (int i = 0; i < 3; ++i) document.PutTask(i, NewTask(std::to_string(i)));
  TaskHistory& history = document.History();
  const int extra = 5;
  std::vector<std::string> reachable;
  for (int step = 0; step < static_cast<int>(TaskHistory::kDepth) + extra; ++step) {
    if (step == extra) reachable = SubjectsOf(document);  // the oldest list the history can go back to
    document.ExchangeTasks(step % 2, step % 2 + 1);  // (0 1), then (1 2): the lists go round all six orders
    history.RecordExchange(step % 2, step % 2 + 1);
  }
  const std::vector<std::string> last = SubjectsOf(document);
  std::size_t undone = 0;
  while (history.Undo(document)) ++undone;
  EXPECT_EQ(undone, TaskHistory::kDepth);
  EXPECT_EQ(SubjectsOf(document), reachable);
  while (history.Redo(document)) {}
  EXPECT_EQ(SubjectsOf(document), last);
}

TEST(TaskHistory, NewOpenAndAReloadDropTheStepsAndAStepThatDoesNotFitChangesNothing) {
  CTarvelquistDoc document;
  document.PutTask(0, NewTask("a"));
  document.History().RecordInsert({0});
  document.DeleteContents();  // New and Open
  EXPECT_FALSE(document.History().CanUndo());

  document.PutTask(0, NewTask("a"));
  document.History().RecordInsert({0});
  CTarvelquistDoc reloaded;
  document.SwapContents(reloaded);  // another writer's list
  EXPECT_FALSE(document.History().CanUndo());

  // A step from a longer list than the document holds now is refused whole.
  document.PutTask(0, NewTask("a"));
  document.History().RecordExchange(0, 5);
  document.SetModifiedFlag(FALSE);
  EXPECT_FALSE(document.History().Undo(document));
  EXPECT_EQ(SubjectsOf(document), std::vector<std::string>{"a"});
  EXPECT_FALSE(document.IsModified());
  EXPECT_FALSE(document.History().CanUndo());
}

}  // namespace
