// The VTODO mapping on libical: random tasks (hostile texts, odd due dates and priorities) come back with the
// same bytes; other programs' edits win over our exact copies; foreign items are read with the RFC's meanings and
// what has no place in a task is named; a patch keeps what it does not hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>

#include "cli/Ics.h"
#include "cli/IcsTask.h"
#include "cli/Csv.h"
#include "cli/Json.h"
#include "doc/TaskAlign.h"
#include "doc/TaskText.h"
#include "tests/cli/Hostile.h"

namespace {

using tvqcli::IcalComponentPtr;

IcalComponentPtr Parse(const std::string& text) { return IcalComponentPtr(icalparser_parse_string(text.c_str())); }

COleDateTime RandomDue(std::mt19937& random) {
  switch (random() % 6) {
    case 0:
      return NoDueDateValue();
    case 1:
      return COleDateTime(2000 + static_cast<int>(random() % 40), 1 + static_cast<int>(random() % 12),
                          1 + static_cast<int>(random() % 28), 0, 0, 0);
    case 2:
      return COleDateTime(2100, 1 + static_cast<int>(random() % 12), 3, 4, 5, 6);
    case 3:
      return COleDateTime(DateFromBits((static_cast<std::uint64_t>(random()) << 32) | random()),
                          static_cast<std::int32_t>(random() % 4));
    default:
      return COleDateTime(2000 + static_cast<int>(random() % 40), 1 + static_cast<int>(random() % 12),
                          1 + static_cast<int>(random() % 28), static_cast<int>(random() % 24),
                          static_cast<int>(random() % 60), static_cast<int>(random() % 60));
  }
}

std::u16string RandomPriority(std::mt19937& random) {
  if (random() % 4 == 0) return clitest::HostileText(random, 4);
  return tasktext::PriorityFromChoices(1 + static_cast<int>(random() % 4), static_cast<int>(random() % 10)).str();
}

std::u16string RandomText(std::mt19937& random) {
  static const char16_t* const kPlain[] = {u"", u"件名", u"a\r\nb", u"\"quoted\"", u"x,y;z\\"};
  if (random() % 2) return kPlain[random() % std::size(kPlain)];
  return clitest::HostileText(random, 30);
}

std::string Shown(const TaskItem& task) {
  std::string text;
  for (const CString* field : {&task.subject, &task.priority, &task.memo}) tvqjson::AppendString(text, field->view());
  return text + " " + tvqcli::DueCsvText(task.dueDate);
}

TEST(IcsTask, RandomTasksComeBackWithTheSameBytes) {
  std::mt19937 random(15);
  for (int round = 0; round < 60 && !HasFailure(); ++round) {
    std::vector<std::unique_ptr<TaskItem>> owned;
    std::vector<const TaskItem*> tasks;
    for (int i = static_cast<int>(random() % 8); i > 0; --i) {
      owned.push_back(std::make_unique<TaskItem>());
      owned.back()->subject = CString(RandomText(random));
      owned.back()->dueDate = RandomDue(random);
      owned.back()->priority = CString(RandomPriority(random));
      owned.back()->memo = CString(RandomText(random));
      tasks.push_back(owned.back().get());
    }
    const std::string text = tvqcli::TasksToIcs(tasks);
    EXPECT_EQ(std::count_if(text.begin(), text.end(),
                            [](char c) { return (c >= 0 && c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F; }),
              0)
        << "no control character in a content line";
    const tvqcli::IcsTasks read = tvqcli::ReadTasksIcs(text);
    ASSERT_EQ(read.tasks.size(), tasks.size());
    EXPECT_TRUE(read.ignored.empty()) << icalcomponent_as_ical_string(Parse(text).get());
    for (std::size_t i = 0; i < tasks.size(); ++i) {
      EXPECT_TRUE(TasksEqual(read.tasks[i], *tasks[i]))
          << "round " << round << " task " << i << ": " << Shown(read.tasks[i]) << " for " << Shown(*tasks[i]);
      EXPECT_FALSE(read.completed[i]);
    }
  }
}

TEST(IcsTask, PriorityBandsAndTheirStepsRoundTrip) {
  for (int priority = 0; priority <= 9; ++priority) {
    EXPECT_EQ(tvqcli::IcsPriority(tvqcli::PriorityFromIcs(priority)), priority);
  }
  for (int digit = 0; digit <= 9; ++digit) {
    const int a = tvqcli::IcsPriority(tasktext::PriorityFromChoices(1, digit).view());
    EXPECT_GE(a, 1);
    EXPECT_LE(a, 4);
    EXPECT_EQ(tvqcli::IcsPriority(tasktext::PriorityFromChoices(2, digit).view()), 5);
    const int c = tvqcli::IcsPriority(tasktext::PriorityFromChoices(3, digit).view());
    EXPECT_EQ(c, a + 5) << "A and C take the same step from the digit";
    EXPECT_EQ(tvqcli::IcsPriority(tasktext::PriorityFromChoices(4, digit).view()), 0);
  }
  EXPECT_LT(tvqcli::IcsPriority(u"A1"), tvqcli::IcsPriority(u"A9")) << "a higher digit is a lower priority";
  EXPECT_EQ(tvqcli::IcsPriority(u""), 0);
}


icalcomponent* FirstVtodo(icalcomponent* calendar) {
  return icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT);
}

TEST(IcsTask, AnotherProgramsEditWinsOverOurExactCopy) {
  TaskItem task;
  task.subject = CString(u"line\none");      // a bare LF: kept exactly beside SUMMARY
  task.dueDate = COleDateTime(2024, 5, 6, 7, 8, 9);  // a time of day: kept beside DUE
  task.priority = CString(u"B7");
  task.memo = CString(u"m\x01");
  const IcalComponentPtr calendar = Parse(tvqcli::TasksToIcs({&task}));
  icalcomponent* vtodo = FirstVtodo(calendar.get());
  ASSERT_NE(vtodo, nullptr);
  EXPECT_TRUE(TasksEqual(tvqcli::ReadTaskFromVtodo(vtodo).task, task));

  icalcomponent_set_summary(vtodo, "phone");
  icalcomponent_set_due(vtodo, icaltime_from_string("20240601"));
  icalproperty_set_priority(icalcomponent_get_first_property(vtodo, ICAL_PRIORITY_PROPERTY), 2);
  icalcomponent_set_description(vtodo, "new\nmemo");
  const tvqcli::VtodoTask read = tvqcli::ReadTaskFromVtodo(vtodo);
  EXPECT_EQ(read.task.subject.str(), u"phone");
  EXPECT_EQ(read.task.dueDate, COleDateTime(2024, 6, 1, 0, 0, 0));
  EXPECT_EQ(read.task.priority.str(), tvqcli::PriorityFromIcs(2));
  EXPECT_EQ(read.task.memo.str(), u"new\r\nmemo");
}

class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) m_old = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (m_old.empty()) {
      unsetenv("TZ");
    } else {
      setenv("TZ", m_old.c_str(), 1);
    }
    tzset();
  }

 private:
  std::string m_old;
};

TEST(IcsTask, ForeignItemsAreReadWithTheirMeanings) {
  const ZoneScope zone("Asia/Tokyo");
  const std::string text =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\n"
      "BEGIN:VTODO\r\nUID:1\r\nSUMMARY:utc\r\nDUE:20240101T150000Z\r\nCATEGORIES:home\r\nRRULE:FREQ=WEEKLY\r\n"
      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\nEND:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:2\r\nSUMMARY:berlin\r\nDUE;TZID=Europe/Berlin:20240701T120000\r\nSTATUS:COMPLETED\r\n"
      "END:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:3\r\nSUMMARY:floating\r\nDUE:20240301T101112\r\nPERCENT-COMPLETE:100\r\nPRIORITY:7\r\n"
      "END:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:4\r\nDESCRIPTION:a\\nb\r\nCOMPLETED:20240101T000000Z\r\nEND:VTODO\r\n"
      "BEGIN:VEVENT\r\nUID:5\r\nSUMMARY:event\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  const tvqcli::IcsTasks read = tvqcli::ReadTasksIcs(text);
  ASSERT_EQ(read.tasks.size(), 4u);
  EXPECT_EQ(read.tasks[0].dueDate, COleDateTime(2024, 1, 2, 0, 0, 0)) << "15:00 UTC is midnight in Tokyo";
  EXPECT_EQ(read.tasks[1].dueDate, COleDateTime(2024, 7, 1, 19, 0, 0)) << "noon in Berlin summer is 19:00 in Tokyo";
  EXPECT_EQ(read.tasks[2].dueDate, COleDateTime(2024, 3, 1, 10, 11, 12)) << "floating time as it is";
  EXPECT_EQ(read.tasks[2].priority.str(), tvqcli::PriorityFromIcs(7));
  EXPECT_EQ(read.tasks[3].dueDate, NoDueDateValue());
  EXPECT_EQ(read.tasks[3].subject.str(), u"");
  EXPECT_EQ(read.tasks[3].memo.str(), u"a\r\nb");
  EXPECT_EQ(read.completed, (std::vector<bool>{false, true, true, true}));
  std::vector<std::string> ignored = read.ignored;
  std::sort(ignored.begin(), ignored.end());
  EXPECT_EQ(ignored, (std::vector<std::string>{"CATEGORIES", "RRULE", "VALARM", "VEVENT"}));
}

// One phone's item (UID 1) with these content lines, parsed.
IcalComponentPtr PhoneItem(const std::string& lines) {
  return Parse("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\nBEGIN:VTODO\r\nUID:1\r\n" + lines +
               "END:VTODO\r\nEND:VCALENDAR\r\n");
}

TEST(IcsTask, APatchKeepsWhatTheTaskDoesNotHold) {
  const IcalComponentPtr calendar = PhoneItem(
      "SUMMARY:old\r\nDUE;TZID=Europe/Berlin:20240701T120000\r\nCATEGORIES:home\r\nX-OTHER-APP:kept\r\n"
      "STATUS:NEEDS-ACTION\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\n");
  icalcomponent* vtodo = FirstVtodo(calendar.get());
  TaskItem task;
  task.subject = CString(u"new");
  task.dueDate = NoDueDateValue();
  tvqcli::WriteTaskToVtodo(vtodo, task, 42);
  const tvqcli::VtodoTask read = tvqcli::ReadTaskFromVtodo(vtodo);
  EXPECT_TRUE(TasksEqual(read.task, task));
  EXPECT_EQ(read.sortOrder, 42);
  EXPECT_EQ(icalcomponent_get_first_property(vtodo, ICAL_DUE_PROPERTY), nullptr);
  EXPECT_NE(icalcomponent_get_first_property(vtodo, ICAL_CATEGORIES_PROPERTY), nullptr);
  EXPECT_NE(icalcomponent_get_first_component(vtodo, ICAL_VALARM_COMPONENT), nullptr);
  EXPECT_STREQ(icalcomponent_get_uid(vtodo), "1");
  EXPECT_NE(std::string(icalcomponent_as_ical_string(vtodo)).find("X-OTHER-APP:kept"), std::string::npos);
}

TEST(IcsTask, AFieldTheListDidNotChangeKeepsTheOtherProgramsForm) {
  const IcalComponentPtr calendar = PhoneItem(
      "SUMMARY:old\r\nDUE;TZID=Europe/Berlin:20240701T120000\r\nPRIORITY:2\r\nDESCRIPTION;LANGUAGE=de:Notiz\r\n");
  icalcomponent* vtodo = FirstVtodo(calendar.get());
  TaskItem task;
  task.CopyFieldsFrom(tvqcli::ReadTaskFromVtodo(vtodo).task);
  task.subject = CString(u"renamed on the list");
  tvqcli::WriteTaskToVtodo(vtodo, task, std::nullopt);
  EXPECT_TRUE(TasksEqual(tvqcli::ReadTaskFromVtodo(vtodo).task, task));
  const std::string written = icalcomponent_as_ical_string(vtodo);
  for (const char* kept : {"DUE;TZID=Europe/Berlin:20240701T120000\r\n", "PRIORITY:2\r\n", "DESCRIPTION;LANGUAGE=de:Notiz\r\n"}) {
    EXPECT_NE(written.find(kept), std::string::npos) << kept << " in\n" << written;
  }
  EXPECT_EQ(written.find("X-TARVELQUIST-"), std::string::npos) << "nothing to keep exactly beside unchanged fields";
}

TEST(IcsTask, TextThatIsNotICalendarIsRefused) {
  for (const char* text : {"", "hello", "BEGIN:VEVENT\r\nEND:VEVENT\r\n", "\x01\x02\x03\x04"}) {
    EXPECT_THROW(tvqcli::ReadTasksIcs(text), tvqcli::IcsError) << text;
  }
  EXPECT_EQ(tvqcli::ReadTasksIcs("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n").tasks.size(), 0u);
  const tvqcli::IcsTasks unknown =
      tvqcli::ReadTasksIcs("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nSUMMARY:a\r\nEND:VTODO\r\n"
                           "BEGIN:VTO2\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
  EXPECT_FALSE(unknown.ignored.empty()) << "a component of no known kind is named too";
}

}  // namespace
