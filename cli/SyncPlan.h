// The three-way decision of tvq sync, per task, without the network: what the list held at the last sync (the
// base), what it holds now, and what the server holds now decide what each side gets. Pure, so that the rules
// are tested on their own and a 412 answer can be decided again with the item as fetched anew.
#pragma once

#include <memory>
#include <vector>

#include "doc/TaskItem.h"

namespace tvqcli {

// The four fields as bits, in the order a task holds them.
enum TaskFieldBit : unsigned { kSubjectBit = 1, kDueBit = 2, kPriorityBit = 4, kMemoBit = 8 };
// The fields in which two tasks differ, compared as a save writes them (the due date by its bits and status).
unsigned DifferentFields(const TaskItem& a, const TaskItem& b);
// An owned copy of the task's four fields.
std::unique_ptr<TaskItem> CopyTask(const TaskItem& task);

// One task as the three sides know it. A null side does not hold it.
struct SyncRecord {
  int stateItem = -1;               // the state's item, -1 for one new since the last sync
  const TaskItem* base = nullptr;   // at the last sync
  const TaskItem* list = nullptr;   // in the file now
  int listIndex = -1;
  const TaskItem* server = nullptr; // on the server now (open or completed); null when removed or never sent
  bool serverCompleted = false;
};

enum class ServerAction {
  none,
  create,    // a new item with a new UID
  update,    // patch the item's fields
  complete,  // mark the item completed (it left the list)
  reopen,    // patch the fields and take the completion back (changed in the list after being completed)
};

struct SyncDecision {
  ServerAction server = ServerAction::none;
  bool inList = false;                // the task is in the list after the run
  std::unique_ptr<TaskItem> result;   // its fields after the run, on both sides (set when inList or written)
  unsigned conflictFields = 0;        // changed on both sides to different values: the server's version won
  bool removedFromList = false;       // the list loses it (the server deleted or completed it)
  bool completedOnServer = false;     // the server's open item is completed (the list deleted it)
};

SyncDecision DecideRecord(const SyncRecord& record);

// The list's new tasks paired with the server's new items whose four fields are equal, each used once, in the
// list's order: a first sync, a second device or a run after a kill matches instead of doubling. Returns, for
// each of `listTasks`, the index in `serverTasks` or -1.
std::vector<int> MatchEqualTasks(const std::vector<const TaskItem*>& listTasks,
                                 const std::vector<const TaskItem*>& serverTasks);

// Tasks left over after the alignment and the equal pairs, paired when one changed in a single field and moved
// (past the neighbours the alignment pairs between): for each of `listTasks` in order, the nearest of `baseTasks`
// still free that shares three fields, else -1. Nothing is paired when both sides are very large.
std::vector<int> MatchMovedChangedTasks(const std::vector<const TaskItem*>& listTasks,
                                        const std::vector<const TaskItem*>& baseTasks);

// A run must stop (unless forced) when it would delete or complete more than half of a side's tasks and more
// than five.
bool IsMassRemoval(int removed, int sideCount);

}  // namespace tvqcli
