// Tasks through the system clipboard: copied in one window's list and pasted in another's, every field kept to
// the bit; the plain-text and calendar forms; what other programs' clipboards give.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>
#include <string>
#include <vector>

#include "cli/Ics.h"
#include "doc/TaskText.h"
#include "res/resource.h"
#include "tests/view/ViewTestSupport.h"
#include "view/TaskClipboard.h"

namespace viewtest {
namespace {

std::vector<TaskSpec> Tasks(const std::vector<std::u16string>& subjects) {
  std::vector<TaskSpec> tasks;
  for (const auto& subject : subjects) tasks.push_back({CString(subject), Date(2008, 5, 10), u"A1", u""});
  return tasks;
}

bool SameTask(const TaskItem& a, const TaskSpec& b) {
  return a.subject == b.subject && a.priority == b.priority && a.memo == b.memo &&
         a.dueDate.GetStatus() == b.dueDate.GetStatus() && std::memcmp(&a.dueDate.m_dt, &b.dueDate.m_dt, sizeof(double)) == 0;
}

TEST(Clipboard, TasksCopiedInOneListArePastedWholeInAnother) {
  tvqtest::ScopedLocale locale{"ja_JP"};
  const std::vector<TaskSpec> copied = {
      {CString(std::u16string(140, u'長')), NullDate(), u"", u"line one\r\nline\ttwo"},
      {u"skipped", Date(2009, 1, 1), u"B2", u""},
      {u"牛乳を買う", COleDateTime(39578.5 + 1e-9), u"P0", u"memo"},
      {u"no due date", Date(2100, 1, 1), u"C9", u""},
      {u"invalid", InvalidDate(), u"A", u"x"},
  };
  {
    ProgramWindows first;
    first.SetTasks(copied);
    first.Select({0, 2, 3, 4});
    first.Command(ID_EDIT_COPY);
    EXPECT_FALSE(first.Doc().IsModified());
    // The plain form is the list's four columns; controls show as tvq list shows them.
    const QStringList lines = QGuiApplication::clipboard()->text().split(u'\n');
    ASSERT_EQ(lines.size(), 5);  // four lines, each ended
    EXPECT_EQ(lines[0], QString(127, u'長') + QStringLiteral("\t\t\tline one↵line␉two"));
    EXPECT_EQ(lines[1], QStringLiteral("牛乳を買う\t2008/05/10\tP0\tmemo"));
    EXPECT_EQ(lines[2], QStringLiteral("no due date\t期限なし\tC9\t"));
    // The calendar form holds the same tasks, as tvq export writes them.
    const QByteArray calendar = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("text/calendar"));
    const tvqcli::IcsTasks exported = tvqcli::ReadTasksIcs(calendar.toStdString());
    ASSERT_EQ(exported.tasks.size(), 4u);
    EXPECT_EQ(exported.tasks[1].subject, CString(u"牛乳を買う"));
  }
  ProgramWindows second;
  second.SetTasks(Tasks({u"a", u"b", u"c"}));
  second.Select({2, 1});
  second.Command(ID_EDIT_PASTE);
  // In front of the lowest selected row, in their order, selected; one undo takes them all out again.
  EXPECT_EQ(second.DocumentSubjects(), (std::vector<CString>{u"a", copied[0].subject, u"牛乳を買う", u"no due date",
                                                              u"invalid", u"b", u"c"}));
  EXPECT_EQ(second.SelectedRows(), (std::vector<int>{1, 2, 3, 4}));
  std::vector<CString> shown;
  for (const CString& subject : second.DocumentSubjects()) shown.push_back(tasktext::SubjectColumnText(subject));
  EXPECT_EQ(second.Column(0), shown);
  const std::vector<int> copiedRows = {0, 2, 3, 4};
  for (std::size_t k = 0; k < copiedRows.size(); ++k) {
    EXPECT_TRUE(SameTask(second.Doc().TaskAt(1 + static_cast<int>(k)), copied[static_cast<std::size_t>(copiedRows[k])]))
        << "pasted task " << k;
  }
  second.Command(ID_EDIT_UNDO);
  EXPECT_EQ(second.DocumentSubjects(), (std::vector<CString>{u"a", u"b", u"c"}));
}

// A to-do copied in a calendar program: its VTODO becomes a task as tvq reads iCalendar; what has no place in a
// task (the alarm, the categories) is left out, and the plain text beside it is not used.
TEST(Clipboard, AVtodoFromAnotherProgramIsPastedAsATask) {
  tvqtest::ScopedLocale locale{"ja_JP"};
  ProgramWindows program;
  program.SetTasks(Tasks({u"a", u"b"}));
  const std::string calendar =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Mozilla.org/NONSGML Mozilla Calendar V1.1//EN\r\n"
      "BEGIN:VTODO\r\nUID:7d5e1c1e-0b1f-4a52-9d0e-2f3c4b5a6d7e\r\nDTSTAMP:20261201T090000Z\r\n"
      "SUMMARY:Buy a present\r\nDUE;VALUE=DATE:20261224\r\nDESCRIPTION:wrapped\\, with a card\\nand a bow\r\n"
      "PRIORITY:1\r\nCATEGORIES:Family\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\n"
      "DESCRIPTION:reminder\r\nEND:VALARM\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
  platform::SetClipboardForms({{"text/calendar", calendar}, {"text/plain", "Buy a present"}});
  program.Select({1});
  program.Command(ID_EDIT_PASTE);

  ASSERT_EQ(program.Doc().GetTaskCount(), 3);
  const TaskItem& pasted = program.Doc().TaskAt(1);
  EXPECT_EQ(pasted.subject, CString(u"Buy a present"));
  EXPECT_EQ(pasted.memo, CString(u"wrapped, with a card\r\nand a bow"));  // a memo's line break
  EXPECT_EQ(program.Column(1)[1], CString(u"2026/12/24"));
  const tvqcli::IcsTasks read = tvqcli::ReadTasksIcs(calendar);
  ASSERT_EQ(read.tasks.size(), 1u);
  EXPECT_EQ(pasted.priority, read.tasks[0].priority);
  EXPECT_EQ(program.SelectedRows(), std::vector<int>{1});
}

TEST(Clipboard, OtherProgramsTextBecomesTasksAndUnusableOrHugeClipboardsChangeNothing) {
  tvqtest::ScopedLocale locale{"ja_JP"};
  ProgramWindows program;
  program.SetTasks(Tasks({u"a"}));
  const auto paste = [&program](std::vector<platform::ClipboardForm> forms) {
    platform::SetClipboardForms(forms);
    program.Select({});
    program.Command(ID_EDIT_PASTE);
  };

  // Plain text: a task per non-empty line, the rest of a task as the editor stores a new one.
  paste({{"text/plain", "first line\r\n\r\nsecond\tline\nthird"}});
  EXPECT_EQ(program.DocumentSubjects(), (std::vector<CString>{u"a", u"first line", u"second\tline", u"third"}));
  EXPECT_EQ(program.Doc().TaskAt(1).priority, CString(u"A0"));
  EXPECT_EQ(program.SelectedRows(), (std::vector<int>{1, 2, 3}));

  // A broken own form gives way to the plain text beside it.
  paste({{std::string(taskclipboard::kTasksType), "{\"tasks\":[{\"subject\":"}, {"text/plain", "fallback"}});
  EXPECT_EQ(program.DocumentSubjects().back(), CString(u"fallback"));

  const std::vector<CString> before = program.DocumentSubjects();
  std::string huge;
  for (std::size_t i = 0; i <= taskclipboard::kMaxPastedTasks; ++i) huge += "t\n";
  paste({{"text/plain", huge}});
  paste({{"text/plain", "\n\r\n"}});
  paste({{std::string(taskclipboard::kTasksType), "{\"tasks\":[]}"}});
  paste({{"text/calendar", "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nSUMMARY:half"}});
  paste({{"text/calendar", "not a calendar"}});
  paste({{"image/png", "\x89PNG"}});
  EXPECT_EQ(program.DocumentSubjects(), before);
  EXPECT_EQ(program.Column(0), before);
}

}  // namespace
}  // namespace viewtest
