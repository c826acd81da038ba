#include <gtest/gtest.h>

#include <string>

#include "doc/TaskText.h"
#include "tests/doc/DocTestSupport.h"

namespace {

using doctest::U;
using tvqtest::ScopedLocale;

TEST(TaskText, BuiltInTextsComeFromCodePage932) {
  EXPECT_EQ(tasktext::SubjectDefault(), U(u"\u4EF6\u540D"));
  EXPECT_EQ(tasktext::NoDueDateLabel(), U(u"\u671F\u9650\u306A\u3057"));
  EXPECT_EQ(tasktext::NoDueDateYear(), U(u"2100"));
  EXPECT_EQ(tasktext::EmptyValueMark(), U(u"\uFF9F"));
  EXPECT_EQ(tasktext::ColumnHeader(0), U(u"\u4EF6\u540D"));
  EXPECT_EQ(tasktext::ColumnHeader(1), U(u"\u671F\u9650"));
  EXPECT_EQ(tasktext::ColumnHeader(2), U(u"!"));
  EXPECT_EQ(tasktext::ColumnHeader(3), U(u"\u30E1\u30E2"));
  EXPECT_TRUE(tasktext::ColumnHeader(4).IsEmpty());
}

TEST(TaskText, BuiltInTextsFollowAChangedAnsiCodePage) {
  {
    ScopedLocale western("ja_JP", "1252");
    EXPECT_EQ(tasktext::EmptyValueMark(), U(u"\u00DF"));
  }
  {
    // The empty-value mark never vanishes: empty memos and priorities sort after every text that begins
    // below it, in Vietnamese as in the others.
    ScopedLocale vietnamese("ja_JP", "1258");
    EXPECT_EQ(tasktext::EmptyValueMark(), U(u"\u00DF"));
    TaskItem empty;
    empty.memo = CString();
    TaskItem written;
    written.memo = U(u"zz");
    EXPECT_GT(tasktext::SortKey(empty, 3).Compare(tasktext::SortKey(written, 3)), 0);
  }
  for (const char* codePage : {"874", "936", "949", "950", "1250", "1251", "1253", "1254", "1255", "1256", "1257"}) {
    ScopedLocale other("ja_JP", codePage);
    EXPECT_EQ(tasktext::EmptyValueMark().GetLength(), 1) << codePage;
  }
  EXPECT_EQ(tasktext::EmptyValueMark(), U(u"\uFF9F"));
}

struct DueCase {
  const char* locale;
  COleDateTime date;
  std::u16string dateText;
  std::u16string columnText;
};

class TaskTextDue : public ::testing::TestWithParam<DueCase> {};

TEST_P(TaskTextDue, DateTextAndDueColumn) {
  ScopedLocale locale(GetParam().locale);
  EXPECT_EQ(tasktext::DateText(GetParam().date), U(GetParam().dateText));
  EXPECT_EQ(tasktext::DueColumnText(GetParam().date), U(GetParam().columnText));
  EXPECT_EQ(tasktext::IsNoDueDateText(tasktext::DateText(GetParam().date)),
            GetParam().columnText == u"\u671F\u9650\u306A\u3057");
}

const std::u16string kNoDue = u"\u671F\u9650\u306A\u3057";

INSTANTIATE_TEST_SUITE_P(
    Locales, TaskTextDue,
    ::testing::Values(DueCase{"ja_JP", COleDateTime(2008, 3, 15, 14, 30, 0), u"2008/03/15", u"2008/03/15"},
                      DueCase{"ja_JP", NoDueDateValue(), u"2100/01/01", kNoDue},
                      DueCase{"ja_JP", COleDateTime(2100, 12, 31, 23, 0, 0), u"2100/12/31", kNoDue},
                      DueCase{"ja_JP", COleDateTime(2101, 1, 1, 0, 0, 0), u"2101/01/01", u"2101/01/01"},
                      DueCase{"en_US", COleDateTime(2008, 3, 15, 14, 30, 0), u"3/15/2008", u"3/15/2008"},
                      DueCase{"en_US", NoDueDateValue(), u"1/1/2100", u"1/1/2100"},
                      DueCase{"ja_JP", COleDateTime(39578.5, COleDateTime::null), u"", u""},
                      DueCase{"ja_JP", COleDateTime(39578.5, COleDateTime::invalid), u"Invalid DateTime",
                              u"Invalid DateTime"}));

TEST(TaskText, NoDueDateTestLooksAtTheFirstFourCharacters) {
  EXPECT_TRUE(tasktext::IsNoDueDateText(U(u"2100")));
  EXPECT_TRUE(tasktext::IsNoDueDateText(U(u"2100-anything")));
  EXPECT_FALSE(tasktext::IsNoDueDateText(U(u"210")));
  EXPECT_FALSE(tasktext::IsNoDueDateText(U(u"")));
  EXPECT_FALSE(tasktext::IsNoDueDateText(U(u" 2100")));
}

TEST(TaskText, SubjectColumnKeeps127UnitsAndNeverSplitsAPair) {
  const std::u16string exact(127, u'a');
  EXPECT_EQ(tasktext::SubjectColumnText(U(exact)), U(exact));
  EXPECT_EQ(tasktext::SubjectColumnText(U(exact + u"b")), U(exact));
  std::u16string paired(126, u'a');
  paired += u"\U0001F600z";  // a pair at units 126 and 127
  EXPECT_EQ(tasktext::SubjectColumnText(U(paired)), U(std::u16string(126, u'a')));
  std::u16string lone(126, u'a');
  lone += u"\xD800z";  // a lone high surrogate at 126 is kept as it is
  EXPECT_EQ(tasktext::SubjectColumnText(U(lone)).GetLength(), 127);
  EXPECT_TRUE(tasktext::SubjectColumnText(U(u"")).IsEmpty());
}

struct PriorityCase {
  std::u16string text;
  int letter;
  int digit;
  std::u16string storedBack;
};

class TaskTextPriority : public ::testing::TestWithParam<PriorityCase> {};

TEST_P(TaskTextPriority, TextToChoicesAndBack) {
  const PriorityCase& c = GetParam();
  EXPECT_EQ(tasktext::PriorityLetterChoice(U(c.text)), c.letter);
  EXPECT_EQ(tasktext::PriorityDigitChoice(U(c.text)), c.digit);
  EXPECT_EQ(tasktext::PriorityFromChoices(c.letter, c.digit), U(c.storedBack));
}

INSTANTIATE_TEST_SUITE_P(Mapping, TaskTextPriority,
                         ::testing::Values(PriorityCase{u"A", 1, 1, u"A1"}, PriorityCase{u"P0", 4, 0, u"P0"},
                                           PriorityCase{u"b3", 1, 3, u"A3"}, PriorityCase{u"", 1, 1, u"A1"},
                                           PriorityCase{u"C9", 3, 9, u"C9"}, PriorityCase{u"B", 2, 1, u"B1"},
                                           PriorityCase{u"Px7", 4, 7, u"P7"}, PriorityCase{u"\uFF21\uFF11", 1, 1, u"A1"}));

TEST(TaskText, ChoicesOutsideTheirRowsGiveAAndOne) {
  EXPECT_EQ(tasktext::PriorityFromChoices(0, 10), U(u"A1"));
  EXPECT_EQ(tasktext::PriorityFromChoices(5, -1), U(u"A1"));
  EXPECT_EQ(tasktext::PriorityFromChoices(2, 5), U(u"B5"));
}

TEST(TaskText, SortKeysPerColumn) {
  TaskItem task;
  task.subject = U(u"");
  task.dueDate = COleDateTime(2100, 1, 1, 0, 0, 0);
  task.priority = U(u"");
  task.memo = U(u"");
  EXPECT_EQ(tasktext::SortKey(task, 0), U(u""));
  EXPECT_EQ(tasktext::SortKey(task, 1), U(u"2100/01/01"));  // the date text, not the label
  EXPECT_EQ(tasktext::SortKey(task, 2), U(u"\uFF9F"));
  EXPECT_EQ(tasktext::SortKey(task, 3), U(u"\uFF9F"));
  EXPECT_EQ(tasktext::SortKey(task, 4), U(u""));
  EXPECT_EQ(tasktext::SortKey(task, -1), U(u""));
  task.priority = U(u"B2");
  task.memo = U(u"m");
  EXPECT_EQ(tasktext::SortKey(task, 2), U(u"B2"));
  EXPECT_EQ(tasktext::SortKey(task, 3), U(u"m"));
}

}  // namespace
