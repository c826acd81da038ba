// Two stacks of steps: undo and redo move a step from one to the other, checking first that it still fits the
// list, and clear the history when it does not; the held tasks go back and forth between step and document.
#include "doc/TaskHistory.h"

#include <algorithm>
#include <utility>

#include "doc/CTarvelquistDoc.h"

namespace {

bool Ascending(const std::vector<int>& indexes) {
  return std::adjacent_find(indexes.begin(), indexes.end(), [](int a, int b) { return a >= b; }) == indexes.end();
}

bool Within(const std::vector<int>& indexes, int count) {
  return std::all_of(indexes.begin(), indexes.end(), [count](int index) { return index >= 0 && index < count; });
}

}  // namespace

TaskHistory::TaskHistory() = default;
TaskHistory::~TaskHistory() = default;

void TaskHistory::Push(Step step) {
  m_undone.clear();
  m_done.push_back(std::move(step));
  if (m_done.size() > kDepth) m_done.erase(m_done.begin());
}

void TaskHistory::RecordEdit(int index, std::unique_ptr<TaskItem> before) {
  Step step{Kind::replace, {index}, {}};
  step.held.push_back(std::move(before));
  Push(std::move(step));
}

void TaskHistory::RecordInsert(std::vector<int> indexes) {
  if (!indexes.empty()) Push(Step{Kind::insert, std::move(indexes), {}});
}

void TaskHistory::RecordRemove(std::vector<int> indexes, std::vector<std::unique_ptr<TaskItem>> removed) {
  if (!indexes.empty()) Push(Step{Kind::remove, std::move(indexes), std::move(removed)});
}

void TaskHistory::RecordExchange(int first, int second) { Push(Step{Kind::exchange, {first, second}, {}}); }

void TaskHistory::RecordReorder(std::vector<int> order) { Push(Step{Kind::reorder, std::move(order), {}}); }

void TaskHistory::Clear() {
  m_done.clear();
  m_undone.clear();
}

std::optional<TaskChange> TaskHistory::Undo(CTarvelquistDoc& document) {
  return Move(m_done, m_undone, false, document);
}

std::optional<TaskChange> TaskHistory::Redo(CTarvelquistDoc& document) {
  return Move(m_undone, m_done, true, document);
}

std::optional<TaskChange> TaskHistory::Move(std::vector<Step>& from, std::vector<Step>& to, bool forwards,
                                            CTarvelquistDoc& document) {
  if (from.empty()) return std::nullopt;
  std::optional<TaskChange> change = Apply(from.back(), forwards, document);
  if (!change) {
    Clear();
    return std::nullopt;
  }
  to.push_back(std::move(from.back()));
  from.pop_back();
  return change;
}

bool TaskHistory::Fits(const Step& step, bool forwards, int count) {
  const std::vector<int>& indexes = step.indexes;
  switch (step.kind) {
    case Kind::replace:
      return step.held.size() == 1 && step.held[0] && Within(indexes, count);
    case Kind::exchange:
      return Within(indexes, count);
    case Kind::reorder:
      return static_cast<int>(indexes.size()) == count;
    case Kind::insert:
    case Kind::remove:
      break;
  }
  if (!Ascending(indexes)) return false;
  // Putting tasks back needs them all, at indexes of the longer list; taking needs indexes of this one.
  const bool puts = (step.kind == Kind::insert) == forwards;
  if (!puts) return step.held.empty() && Within(indexes, count);
  const bool allHeld = step.held.size() == indexes.size() &&
                       std::all_of(step.held.begin(), step.held.end(), [](const auto& task) { return task != nullptr; });
  return allHeld && Within(indexes, count + static_cast<int>(indexes.size()));
}

void TaskHistory::PutHeld(Step& step, CTarvelquistDoc& document, TaskChange& change) {
  document.PutTasks(step.indexes, std::move(step.held));
  step.held.clear();
  change.inserted = step.indexes;
  change.touched = step.indexes;
}

void TaskHistory::TakeHeld(Step& step, CTarvelquistDoc& document, TaskChange& change) {
  step.held = document.TakeTasks(step.indexes);
  change.removed.assign(step.indexes.rbegin(), step.indexes.rend());
}

std::optional<TaskChange> TaskHistory::Apply(Step& step, bool forwards, CTarvelquistDoc& document) {
  if (!Fits(step, forwards, document.GetTaskCount())) return std::nullopt;
  TaskChange change;
  switch (step.kind) {
    case Kind::replace: {
      const int index = step.indexes[0];
      std::unique_ptr<TaskItem> other = document.TakeTask(index);
      document.PutTask(index, std::move(step.held[0]));
      step.held[0] = std::move(other);
      change.rebuilt = step.indexes;
      change.touched = step.indexes;
      break;
    }
    case Kind::insert:
    case Kind::remove:
      if ((step.kind == Kind::insert) == forwards) {
        PutHeld(step, document, change);
      } else {
        TakeHeld(step, document, change);
      }
      break;
    case Kind::exchange:
      document.ExchangeTasks(step.indexes[0], step.indexes[1]);
      change.rebuilt = {std::min(step.indexes[0], step.indexes[1]), std::max(step.indexes[0], step.indexes[1])};
      change.touched = change.rebuilt;
      break;
    case Kind::reorder: {
      const std::vector<int>& order = step.indexes;
      std::vector<int> applied = order;
      if (!forwards) {
        for (std::size_t k = 0; k < order.size(); ++k) applied[static_cast<std::size_t>(order[k])] = static_cast<int>(k);
      }
      document.ReorderTasks(applied);
      for (std::size_t k = 0; k < applied.size(); ++k) {
        if (applied[k] != static_cast<int>(k)) change.rebuilt.push_back(static_cast<int>(k));
      }
      change.touched = change.rebuilt;
      break;
    }
  }
  document.SetModifiedFlag(TRUE);
  return change;
}
