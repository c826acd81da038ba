// The decision per record by which of base, list and server it has and which fields differ, a field-wise merge
// when both sides changed, and the matching of tasks by equal keys in the server's order.
#include "cli/SyncPlan.h"

#include <bit>
#include <map>
#include <tuple>

namespace tvqcli {
namespace {

// The bytes a save writes for the due date: the value's bits and the status.
std::pair<std::uint64_t, std::int32_t> DueKey(const COleDateTime& due) { return {DateBits(due.m_dt), due.m_status}; }

void CopyField(TaskItem& to, const TaskItem& from, unsigned bit) {
  if (bit == kSubjectBit) to.subject = from.subject;
  if (bit == kDueBit) to.dueDate = from.dueDate;
  if (bit == kPriorityBit) to.priority = from.priority;
  if (bit == kMemoBit) to.memo = from.memo;
}

using TaskKey = std::tuple<std::u16string_view, std::pair<std::uint64_t, std::int32_t>, std::u16string_view,
                           std::u16string_view>;
TaskKey KeyOf(const TaskItem& task) {
  return {task.subject.view(), DueKey(task.dueDate), task.priority.view(), task.memo.view()};
}

SyncDecision Keep(const TaskItem& task, ServerAction action) {
  SyncDecision decision;
  decision.inList = true;
  decision.result = CopyTask(task);
  decision.server = action;
  return decision;
}

// Both sides hold a task the base knows: each field takes the side that changed it; the server's when both did.
SyncDecision Merge(const TaskItem& base, const TaskItem& list, const TaskItem& server) {
  const unsigned listFields = DifferentFields(base, list);
  const unsigned serverFields = DifferentFields(base, server);
  SyncDecision decision = Keep(list, ServerAction::none);
  for (unsigned bit = kSubjectBit; bit <= kMemoBit; bit <<= 1) {
    if (serverFields & bit) CopyField(*decision.result, server, bit);
  }
  decision.conflictFields = listFields & serverFields & DifferentFields(list, server);
  if (DifferentFields(*decision.result, server) != 0) decision.server = ServerAction::update;
  return decision;
}

SyncDecision DecideNew(const SyncRecord& record) {
  if (record.list) return Keep(*record.list, record.server ? ServerAction::none : ServerAction::create);
  if (record.server && !record.serverCompleted) return Keep(*record.server, ServerAction::none);
  return {};
}

}  // namespace

std::unique_ptr<TaskItem> CopyTask(const TaskItem& task) {
  auto copy = std::make_unique<TaskItem>();
  copy->CopyFieldsFrom(task);
  return copy;
}

unsigned DifferentFields(const TaskItem& a, const TaskItem& b) {
  unsigned fields = 0;
  if (a.subject != b.subject) fields |= kSubjectBit;
  if (DueKey(a.dueDate) != DueKey(b.dueDate)) fields |= kDueBit;
  if (a.priority != b.priority) fields |= kPriorityBit;
  if (a.memo != b.memo) fields |= kMemoBit;
  return fields;
}

SyncDecision DecideRecord(const SyncRecord& record) {
  if (!record.base) return DecideNew(record);
  const bool listChanged = record.list && DifferentFields(*record.base, *record.list) != 0;
  if (!record.server || record.serverCompleted) {
    SyncDecision decision;
    if (!record.list) return decision;
    // Gone from the server but changed in the list: the change is kept, on both sides.
    if (listChanged) return Keep(*record.list, record.server ? ServerAction::reopen : ServerAction::create);
    decision.removedFromList = true;
    return decision;
  }
  const bool serverChanged = DifferentFields(*record.base, *record.server) != 0;
  if (!record.list) {
    // Deleted from the list but changed on the server: the server's version comes back.
    if (serverChanged) return Keep(*record.server, ServerAction::none);
    SyncDecision decision;
    decision.server = ServerAction::complete;
    decision.result = CopyTask(*record.server);
    decision.completedOnServer = true;
    return decision;
  }
  return Merge(*record.base, *record.list, *record.server);
}

std::vector<int> MatchEqualTasks(const std::vector<const TaskItem*>& listTasks,
                                 const std::vector<const TaskItem*>& serverTasks) {
  std::multimap<TaskKey, int> unmatched;
  for (int i = 0; i < static_cast<int>(serverTasks.size()); ++i) unmatched.emplace(KeyOf(*serverTasks[i]), i);
  std::vector<int> partner(listTasks.size(), -1);
  for (std::size_t i = 0; i < listTasks.size(); ++i) {
    const TaskKey key = KeyOf(*listTasks[i]);
    const auto found = unmatched.lower_bound(key);  // the first of equal keys: the server's order
    if (found == unmatched.end() || found->first != key) continue;
    partner[i] = found->second;
    unmatched.erase(found);
  }
  return partner;
}

std::vector<int> MatchMovedChangedTasks(const std::vector<const TaskItem*>& listTasks,
                                        const std::vector<const TaskItem*>& baseTasks) {
  constexpr std::size_t kMaxComparisons = 4'000'000;
  std::vector<int> partner(listTasks.size(), -1);
  if (listTasks.size() * baseTasks.size() > kMaxComparisons) return partner;
  std::vector<bool> taken(baseTasks.size(), false);
  for (std::size_t i = 0; i < listTasks.size(); ++i) {
    int best = -1;
    for (std::size_t b = 0; b < baseTasks.size(); ++b) {
      if (taken[b] || std::popcount(DifferentFields(*listTasks[i], *baseTasks[b])) != 1) continue;
      const auto distance = [&](std::size_t at) { return at > i ? at - i : i - at; };
      if (best < 0 || distance(b) < distance(static_cast<std::size_t>(best))) best = static_cast<int>(b);
    }
    if (best < 0) continue;
    partner[i] = best;
    taken[static_cast<std::size_t>(best)] = true;
  }
  return partner;
}

bool IsMassRemoval(int removed, int sideCount) { return removed > 5 && removed * 2 > sideCount; }

}  // namespace tvqcli
