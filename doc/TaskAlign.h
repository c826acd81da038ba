// The alignment of two task lists, shared by tvq merge and tvq sync: which task of one list is which task of the
// other when tasks carry no identity of their own.
//
// Two tasks are equal when a save would write the same bytes for them (all four fields, the due date by its bits
// and status). Equal tasks are aligned like the lines of a diff: the longest common subsequence, so a task that
// moved counts once as removed and once as added. A task twice in a list is two tasks.
#pragma once

#include <vector>

#include "doc/TaskItem.h"

struct TaskAlignment {
  std::vector<int> aToB;  // per task of a: its partner's index in b, or -1
  std::vector<int> bToA;  // per task of b: its partner's index in a, or -1
};

// The same bytes in a save: subject, due date (bits and status), priority and memo.
bool TasksEqual(const TaskItem& a, const TaskItem& b);
// How many of the four fields are equal (0..4).
int SharedFieldCount(const TaskItem& a, const TaskItem& b);

// A longest common subsequence of equal tasks; partners appear in the same order on both sides.
// Fast at 100,000 tasks: equal prefixes and suffixes are taken first, tasks only one side has are set aside,
// and the rest is aligned by increasing subsequences of matches (few repeated tasks) or by Myers' diff (many).
TaskAlignment AlignEqualTasks(const std::vector<const TaskItem*>& a, const std::vector<const TaskItem*>& b);

// AlignEqualTasks, then between each two neighbouring equal partners the tasks left over on both sides are paired
// in order as one task changed, when they share at least two fields (the nearest best candidate first).
TaskAlignment AlignChangedTasks(const std::vector<const TaskItem*>& a, const std::vector<const TaskItem*>& b);

// Everything of both lists, nothing twice: a's tasks in a's order, and each task only b has right after the
// nearest task before it in b that both have (at the front when there is none), in b's order.
std::vector<const TaskItem*> MergeTaskLists(const std::vector<const TaskItem*>& a,
                                            const std::vector<const TaskItem*>& b);
// The same with the alignment already made.
std::vector<const TaskItem*> MergeTaskLists(const std::vector<const TaskItem*>& a,
                                            const std::vector<const TaskItem*>& b, const TaskAlignment& alignment);
