#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
