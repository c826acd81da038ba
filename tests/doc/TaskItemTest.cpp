#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "doc/TaskItem.h"

namespace {

double NowValue() { return COleDateTime::GetCurrentTime().m_dt; }

TEST(TaskItem, NewTaskHasTheDefaultsAndTheTimeToTheSecond) {
  const double before = NowValue();
  const TaskItem task;
  const double after = NowValue();
  EXPECT_EQ(task.subject, CString(u"\u4EF6\u540D"));
  EXPECT_EQ(task.priority, CString(u"A"));
  EXPECT_TRUE(task.memo.IsEmpty());
  EXPECT_EQ(task.dueDate.GetStatus(), COleDateTime::valid);
  EXPECT_GE(task.dueDate.m_dt, before);
  EXPECT_LE(task.dueDate.m_dt, after);
  // Whole seconds: the time of day is a whole number of seconds.
  const double seconds = (task.dueDate.m_dt - std::floor(task.dueDate.m_dt)) * 86400.0;
  EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
}

TEST(TaskItem, NoDueDateIsFirstJanuary2100) {
  const COleDateTime value = NoDueDateValue();
  EXPECT_EQ(value.m_dt, 73051.0);
  EXPECT_EQ(value.GetStatus(), COleDateTime::valid);
}

TEST(TaskItem, CopyingTakesAllFourFieldsWithTheStatus) {
  TaskItem source;
  source.subject = CString(u"s");
  source.priority = CString(u"P0");
  source.memo = CString(u"m\nline");
  source.dueDate = COleDateTime(39578.5, COleDateTime::invalid);
  TaskItem copy;
  copy.CopyFieldsFrom(source);
  EXPECT_EQ(copy.subject, source.subject);
  EXPECT_EQ(copy.priority, source.priority);
  EXPECT_EQ(copy.memo, source.memo);
  EXPECT_EQ(copy.dueDate.m_dt, 39578.5);
  EXPECT_EQ(copy.dueDate.GetStatus(), COleDateTime::invalid);
}

// Tasks come from shared blocks: made and dropped in random order, on two threads, and handed from one thread
// to the other to be dropped there, every live task keeps its own memory and fields.
TEST(TaskItem, PooledTasksNeverShareTheirMemory) {
  std::mt19937 random(20081207);
  std::map<TaskItem*, std::u16string> expected;
  std::vector<std::unique_ptr<TaskItem>> live;
  const auto check = [&] {
    for (const auto& task : live) ASSERT_EQ(task->subject.str(), expected.at(task.get()));
  };
  for (int step = 0; step < 20000; ++step) {
    if (live.empty() || random() % 3 != 0) {
      auto task = std::make_unique<TaskItem>(TaskItem::FieldsFollow{});
      const std::u16string subject(1 + random() % 30, static_cast<char16_t>(u'a' + step % 26));
      task->subject = CString(subject);
      ASSERT_TRUE(expected.emplace(task.get(), subject).second) << "a slot was handed out twice";
      live.push_back(std::move(task));
    } else {
      const std::size_t at = random() % live.size();
      expected.erase(live[at].get());
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(at));
    }
    if (step % 1000 == 0) check();
  }
  check();
  // Another thread makes its own and drops some of ours; ours stay whole.
  const auto half = live.begin() + static_cast<std::ptrdiff_t>(live.size() / 2);
  std::vector<std::unique_ptr<TaskItem>> handed(std::make_move_iterator(half), std::make_move_iterator(live.end()));
  live.erase(half, live.end());
  for (const auto& task : handed) expected.erase(task.get());
  std::thread other([&handed] {
    std::vector<std::unique_ptr<TaskItem>> own;
    for (int i = 0; i < 3000; ++i) own.push_back(std::make_unique<TaskItem>());
    handed.clear();
  });
  other.join();
  check();
  EXPECT_TRUE(handed.empty());
}

}  // namespace
