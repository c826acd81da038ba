// The undo and redo steps of one document's list. A step keeps only what it changed: the other version of an
// edited task, the tasks that are out of the list, two indexes of a move, the permutation of a sort. Undo and
// redo apply a step through the document's direct task operations (workTask is left alone) and say which rows
// the list has to show anew. A new step drops what could be redone; beyond kDepth steps the oldest goes.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class CTarvelquistDoc;
class TaskItem;

// What one undo or redo did to the list, in the order the rows follow it.
struct TaskChange {
  std::vector<int> removed;   // rows deleted, highest first (indexes before the change)
  std::vector<int> inserted;  // rows inserted, lowest first (indexes after the change)
  std::vector<int> rebuilt;   // rows whose task changed in place
  std::vector<int> touched;   // the rows the step touched that are still there: the selection afterwards
};

class TaskHistory {
 public:
  static constexpr std::size_t kDepth = 128;

  TaskHistory();
  ~TaskHistory();
  TaskHistory(const TaskHistory&) = delete;
  TaskHistory& operator=(const TaskHistory&) = delete;

  // Recording, after the change was made to the document:
  // task `index` was replaced; `before` is the task it held.
  void RecordEdit(int index, std::unique_ptr<TaskItem> before);
  // tasks were put into the list at these indexes (ascending, as they are now).
  void RecordInsert(std::vector<int> indexes);
  // these tasks were taken out of the list from these indexes (ascending, as they were), in that order.
  void RecordRemove(std::vector<int> indexes, std::vector<std::unique_ptr<TaskItem>> removed);
  // tasks `first` and `second` were exchanged.
  void RecordExchange(int first, int second);
  // the tasks were put in this order: order[k] is the old index of the task now at k.
  void RecordReorder(std::vector<int> order);

  bool CanUndo() const { return !m_done.empty(); }
  bool CanRedo() const { return !m_undone.empty(); }
  std::size_t UndoCount() const { return m_done.size(); }
  // Applies the last step backwards (or the last undone step forwards) and marks the document modified.
  // Nothing to apply, or a step that does not fit the document's list (then the whole history is dropped):
  // nothing changes and nullopt.
  std::optional<TaskChange> Undo(CTarvelquistDoc& document);
  std::optional<TaskChange> Redo(CTarvelquistDoc& document);
  void Clear();

 private:
  enum class Kind { replace, insert, remove, exchange, reorder };
  struct Step {
    Kind kind;
    std::vector<int> indexes;                      // the order of a reorder
    std::vector<std::unique_ptr<TaskItem>> held;   // tasks out of the list while the step is in this state
  };

  void Push(Step step);
  // Applies the last step of `from` and moves it to `to`.
  std::optional<TaskChange> Move(std::vector<Step>& from, std::vector<Step>& to, bool forwards,
                                 CTarvelquistDoc& document);
  // Applies the step: forwards as it was recorded, or backwards.
  static std::optional<TaskChange> Apply(Step& step, bool forwards, CTarvelquistDoc& document);
  static bool Fits(const Step& step, bool forwards, int count);
  static void PutHeld(Step& step, CTarvelquistDoc& document, TaskChange& change);
  static void TakeHeld(Step& step, CTarvelquistDoc& document, TaskChange& change);

  std::vector<Step> m_done;
  std::vector<Step> m_undone;
};
