// The alignment of two task lists against a plain O(n·m) longest-common-subsequence table and a sort-based
// model of the merge order, over random lists with many repeats (the Myers path) and few (the increasing-run
// path), then named cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <tuple>

#include "doc/TaskAlign.h"
#include "tests/support/TaskLcs.h"

namespace {

using TaskList = std::vector<const TaskItem*>;

// A pool of tasks; neighbours in the pool share some fields, so changed tasks can be paired.
class TaskPool {
 public:
  TaskPool(std::mt19937& random, int size) {
    for (int k = 0; k < size; ++k) {
      auto task = std::make_unique<TaskItem>();
      task->subject = CString(std::u16string(1, static_cast<char16_t>(u'a' + random() % 4)));
      task->dueDate = COleDateTime(39000.0 + static_cast<double>(random() % 2), static_cast<std::int32_t>(random() % 2));
      task->priority = CString(random() % 2 ? u"A1" : u"B2");
      task->memo = CString(random() % 3 ? u"" : u"m");
      m_tasks.push_back(std::move(task));
    }
  }
  TaskList Draw(std::mt19937& random, int count) const {
    TaskList list;
    for (int i = 0; i < count; ++i) list.push_back(m_tasks[random() % m_tasks.size()].get());
    return list;
  }

 private:
  std::vector<std::unique_ptr<TaskItem>> m_tasks;
};

// b as a edited: removals, insertions and moves, so long common runs remain.
TaskList Edited(std::mt19937& random, const TaskList& a, const TaskPool& pool) {
  TaskList b = a;
  const int edits = static_cast<int>(random() % 6);
  for (int e = 0; e < edits; ++e) {
    const auto at = static_cast<std::ptrdiff_t>(random() % (b.size() + 1));
    if (random() % 2 && !b.empty() && at < static_cast<std::ptrdiff_t>(b.size())) {
      b.erase(b.begin() + at);
    } else {
      b.insert(b.begin() + at, pool.Draw(random, 1)[0]);
    }
  }
  return b;
}

// Partners are mutual and in the same order on both sides; returns the number of pairs.
int CheckPairs(const TaskList& a, const TaskList& b, const TaskAlignment& alignment) {
  EXPECT_EQ(alignment.aToB.size(), a.size());
  EXPECT_EQ(alignment.bToA.size(), b.size());
  int pairs = 0;
  int lastB = -1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int j = alignment.aToB[i];
    if (j < 0) continue;
    EXPECT_GT(j, lastB) << "partners cross at a[" << i << "]";
    EXPECT_EQ(alignment.bToA[static_cast<std::size_t>(j)], static_cast<int>(i));
    lastB = j;
    ++pairs;
  }
  EXPECT_EQ(pairs, static_cast<int>(std::count_if(alignment.bToA.begin(), alignment.bToA.end(), [](int i) { return i >= 0; })));
  return pairs;
}

// The merge order as a sort: a's task i at (i, 0, 0); b's unpaired task j after its nearest paired task before
// it, at (partner, 1, j), or at (-1, 1, j) before everything.
TaskList ModelMerge(const TaskList& a, const TaskList& b, const TaskAlignment& alignment) {
  std::vector<std::tuple<int, int, int, const TaskItem*>> keyed;
  for (std::size_t i = 0; i < a.size(); ++i) keyed.emplace_back(static_cast<int>(i), 0, 0, a[i]);
  int anchor = -1;
  for (std::size_t j = 0; j < b.size(); ++j) {
    if (alignment.bToA[j] >= 0) {
      anchor = alignment.bToA[j];
    } else {
      keyed.emplace_back(anchor, 1, static_cast<int>(j), b[j]);
    }
  }
  std::sort(keyed.begin(), keyed.end());
  TaskList merged;
  for (const auto& entry : keyed) merged.push_back(std::get<3>(entry));
  return merged;
}

TEST(TaskAlign, RandomListsMatchTheTableAndTheMergeModel) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 600 && !HasFailure(); ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const TaskPool pool(random, 1 + static_cast<int>(random() % (round % 2 ? 40 : 4)));
    const TaskList a = pool.Draw(random, static_cast<int>(random() % 45));
    const TaskList b = random() % 2 ? Edited(random, a, pool) : pool.Draw(random, static_cast<int>(random() % 45));

    const TaskAlignment equal = AlignEqualTasks(a, b);
    EXPECT_EQ(CheckPairs(a, b, equal), tvqtest::TaskLcsLength(a, b));
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (equal.aToB[i] >= 0) {
        EXPECT_TRUE(TasksEqual(*a[i], *b[static_cast<std::size_t>(equal.aToB[i])]));
      }
    }
    EXPECT_EQ(MergeTaskLists(a, b), ModelMerge(a, b, equal));

    const TaskAlignment changed = AlignChangedTasks(a, b);
    CheckPairs(a, b, changed);
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (equal.aToB[i] >= 0) {
        EXPECT_EQ(changed.aToB[i], equal.aToB[i]) << "equal partners stay";
      }
      if (changed.aToB[i] >= 0) {
        EXPECT_GE(SharedFieldCount(*a[i], *b[static_cast<std::size_t>(changed.aToB[i])]), 2);
      }
    }
  }
}

TEST(TaskAlign, LongListsStayExact) {
  std::mt19937 random(7);
  const TaskPool pool(random, 3000);
  const TaskList a = pool.Draw(random, 1500);
  TaskList b = a;
  std::reverse(b.begin() + 200, b.begin() + 900);  // many distinct tasks moved: the increasing-run path
  EXPECT_EQ(CheckPairs(a, b, AlignEqualTasks(a, b)), tvqtest::TaskLcsLength(a, b));
  const TaskPool few(random, 3);
  const TaskList c = few.Draw(random, 1200);
  const TaskList d = Edited(random, Edited(random, c, few), few);  // repeats everywhere: the Myers path
  EXPECT_EQ(CheckPairs(c, d, AlignEqualTasks(c, d)), tvqtest::TaskLcsLength(c, d));
}

TEST(TaskAlign, EqualMeansTheSameSavedBytes) {
  TaskItem a, b;
  b.CopyFieldsFrom(a);
  EXPECT_TRUE(TasksEqual(a, b));
  b.dueDate.m_dt = -0.0;
  a.dueDate.m_dt = 0.0;
  EXPECT_FALSE(TasksEqual(a, b)) << "-0 and 0 are different bits in the file";
  EXPECT_EQ(SharedFieldCount(a, b), 3);
  b.dueDate = a.dueDate;
  b.dueDate.SetStatus(COleDateTime::invalid);
  EXPECT_FALSE(TasksEqual(a, b));
}

TEST(TaskAlign, ATaskTwiceOnOneSideStaysTwiceAndOnlyTheOtherSidesTasksFollowTheirAnchor) {
  TaskItem x, y, z;
  x.subject = CString(u"x");
  y.subject = CString(u"y");
  z.subject = CString(u"z");
  const TaskList merged = MergeTaskLists({&x, &y, &x}, {&z, &x, &z, &y});
  EXPECT_EQ(merged, (TaskList{&z, &x, &z, &y, &x}));
}

}  // namespace
