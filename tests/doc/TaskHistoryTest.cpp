// The undo history on a document without a window: random changes made through the document's direct task
// operations and recorded, random undos and redos, compared after every step with a model that keeps whole
// snapshots of the list. The rows a change reports are applied to a copy of the old rows and must give the
// document's list, as the view applies them.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskHistory.h"

namespace {

using Subjects = std::vector<std::string>;

Subjects SubjectsOf(const CTarvelquistDoc& document) {
  Subjects subjects;
  for (int i = 0; i < document.GetTaskCount(); ++i) subjects.push_back(document.TaskAt(i).subject.ToUtf8());
  return subjects;
}

std::unique_ptr<TaskItem> NewTask(const std::string& subject) {
  auto task = std::make_unique<TaskItem>();
  task->subject = CString::FromUtf8(subject);
  return task;
}

// The rows the view would show after applying the change to the rows it showed before.
Subjects ShownAfter(Subjects rows, const TaskChange& change, const CTarvelquistDoc& document) {
  for (const int row : change.removed) rows.erase(rows.begin() + row);
  for (const int row : change.inserted) rows.insert(rows.begin() + row, document.TaskAt(row).subject.ToUtf8());
  for (const int row : change.rebuilt) rows[static_cast<std::size_t>(row)] = document.TaskAt(row).subject.ToUtf8();
  return rows;
}

class HistoryRun {
 public:
  explicit HistoryRun(unsigned seed) : m_random(seed) {}

  void Step() {
    const int roll = Below(100);
    if (roll < 20) return Undo();
    if (roll < 30) return Redo();
    const Subjects before = SubjectsOf(m_document);
    if (!Change()) return;
    m_done.push_back(before);
    if (m_done.size() > TaskHistory::kDepth) m_done.erase(m_done.begin());
    m_undone.clear();
  }

  void UndoAllThenRedoAll() {
    const Subjects now = SubjectsOf(m_document);
    const Subjects first = m_done.empty() ? now : m_done.front();
    const Subjects last = m_undone.empty() ? now : m_undone.front();
    while (m_document.History().CanUndo()) Undo();
    EXPECT_EQ(SubjectsOf(m_document), first);
    while (m_document.History().CanRedo()) Redo();
    EXPECT_EQ(SubjectsOf(m_document), last);
  }

  CTarvelquistDoc& Document() { return m_document; }

 private:
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(m_random() % static_cast<unsigned>(n)); }

  // One recorded change of a random kind; false when the list had nothing to change.
  bool Change() {
    TaskHistory& history = m_document.History();
    const int count = m_document.GetTaskCount();
    const int kind = count == 0 ? 1 : Below(5);
    if (kind == 0) {  // edit
      const int index = Below(count);
      std::unique_ptr<TaskItem> before = m_document.TakeTask(index);
      m_document.PutTask(index, NewTask("e" + std::to_string(m_next++)));
      history.RecordEdit(index, std::move(before));
    } else if (kind == 1) {  // insert or paste: a block at one place
      const int at = Below(count + 1);
      std::vector<int> indexes;
      for (int k = 0, n = 1 + Below(4); k < n; ++k) {
        m_document.PutTask(at + k, NewTask("n" + std::to_string(m_next++)));
        indexes.push_back(at + k);
      }
      history.RecordInsert(indexes);
    } else if (kind == 2) {  // delete or cut: any rows
      std::vector<int> indexes;
      for (int i = 0; i < count; ++i) {
        if (Below(count) < 2) indexes.push_back(i);
      }
      if (indexes.empty()) indexes.push_back(Below(count));
      std::vector<std::unique_ptr<TaskItem>> removed(indexes.size());
      for (std::size_t k = indexes.size(); k-- > 0;) removed[k] = m_document.TakeTask(indexes[k]);
      history.RecordRemove(indexes, std::move(removed));
    } else if (kind == 3) {
      if (count < 2) return false;
      const int first = Below(count - 1);
      m_document.ExchangeTasks(first, first + 1);
      history.RecordExchange(first, first + 1);
    } else {
      std::vector<int> order(static_cast<std::size_t>(count));
      std::iota(order.begin(), order.end(), 0);
      std::shuffle(order.begin(), order.end(), m_random);
      m_document.ReorderTasks(order);
      history.RecordReorder(order);
    }
    return true;
  }

  void Undo() { Apply(true); }
  void Redo() { Apply(false); }

  void Apply(bool undo) {
    std::vector<Subjects>& from = undo ? m_done : m_undone;
    std::vector<Subjects>& to = undo ? m_undone : m_done;
    TaskHistory& history = m_document.History();
    ASSERT_EQ(undo ? history.CanUndo() : history.CanRedo(), !from.empty());
    const Subjects shown = SubjectsOf(m_document);
    m_document.SetModifiedFlag(FALSE);
    const auto change = undo ? history.Undo(m_document) : history.Redo(m_document);
    if (from.empty()) {
      ASSERT_FALSE(change);
      return;
    }
    ASSERT_TRUE(change);
    EXPECT_TRUE(m_document.IsModified());
    EXPECT_EQ(SubjectsOf(m_document), from.back());
    EXPECT_EQ(ShownAfter(shown, *change, m_document), from.back());
    for (const int row : change->touched) ASSERT_LT(row, m_document.GetTaskCount());
    to.push_back(shown);
    from.pop_back();
  }

  std::mt19937 m_random;
  CTarvelquistDoc m_document;
  std::vector<Subjects> m_done;
  std::vector<Subjects> m_undone;
  int m_next = 0;
};

TEST(TaskHistory, UndoAndRedoGiveBackEveryListInTurnAsDeepAsTheHistoryReaches) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    HistoryRun run(seed);
    // More steps than the history keeps, in some runs.
    const int steps = seed % 3 == 0 ? 2 * static_cast<int>(TaskHistory::kDepth) + 50 : 120;
    for (int i = 0; i < steps; ++i) {
      run.Step();
      if (::testing::Test::HasFatalFailure()) return;
    }
    run.UndoAllThenRedoAll();
  }
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
  EXPECT_EQ(SubjectsOf(document), Subjects{"a"});
  EXPECT_FALSE(document.IsModified());
  EXPECT_FALSE(document.History().CanUndo());
}

}  // namespace
