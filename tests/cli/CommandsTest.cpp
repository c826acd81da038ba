// Each tvq command on a file of three tasks: the bytes it leaves against a file of the expected tasks, or against
// the window's own column sort run in-process. The rules behind add and edit are the editor model's, tested
// with it; here they are checked end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "doc/TaskSort.h"
#include "tests/cli/TaskFiles.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

namespace {

using clitest::MakeFile;
using clitest::RunTvq;
using clitest::TaskFields;
using tvqtest::ReadText;
using tvqtest::TempDir;
using tvqtest::WriteText;

const COleDateTime kMay10(2008, 5, 10, 12, 0, 0);
const std::u16string kNoDue = u"\u671F\u9650\u306A\u3057";

void Save(CTarvelquistDoc& doc, const std::string& path) {
  tvqtest::MessageRecorder messages;  // not shown
  ASSERT_TRUE(doc.OnSaveDocument(CString::FromUtf8(path)));
}

// The bytes the window's code gives after running `operation` on the file's document.
std::string WindowBytes(const std::string& path, const std::function<void(CTarvelquistDoc&)>& operation) {
  CTarvelquistDoc doc;
  {
    tvqtest::MessageRecorder messages;  // not shown
    EXPECT_TRUE(doc.OnOpenDocument(CString::FromUtf8(path)));
  }
  operation(doc);
  TempDir dir;
  Save(doc, dir.File("window.tvq"));
  return ReadText(dir.File("window.tvq"));
}

std::vector<TaskFields> ThreeTasks() {
  return {{u"b", kMay10, u"A", u"memo, with \"quotes\"\r\nand a second line"},
          {u"A", COleDateTime(2100, 12, 31, 23, 0, 0), u"P0", u""},
          {u"\u4EF6\u540D", COleDateTime(39000.25, COleDateTime::invalid), u"b3", u"x"}};
}

// Terminal columns of a UTF-8 line of this test's texts: the kana and kanji here take two columns, the marks
// (U+2000 to U+2FFF: the line-break mark and the ellipsis) and ASCII one.
int DisplayWidth(const std::string& line) {
  int width = 0;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    width += (length == 3 && lead != 0xE2) ? 2 : 1;
    i += length;
  }
  return width;
}

class TvqCommands : public ::testing::Test {
 protected:
  TvqCommands() {
    file = dir.File("tasks.tvq");
    MakeFile(file, ThreeTasks());
    original = ReadText(file);
  }
  TempDir dir;
  std::string file;
  std::string original;
};

TEST_F(TvqCommands, AddWithoutOptionsIsANewTaskConfirmedAtOnce) {
  const double before = COleDateTime::GetCurrentTime().m_dt;
  ASSERT_EQ(RunTvq({"add", file}).exitCode, 0);
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(file)));
  ASSERT_EQ(doc.GetTaskCount(), 4);
  const TaskItem& added = doc.TaskAt(3);
  EXPECT_TRUE(added.subject.IsEmpty());
  EXPECT_TRUE(added.memo.IsEmpty());
  EXPECT_EQ(added.priority, CString(u"A0"));
  EXPECT_EQ(added.dueDate.GetStatus(), COleDateTime::valid);
  EXPECT_GE(added.dueDate.m_dt, before);
  EXPECT_LE(added.dueDate.m_dt, COleDateTime::GetCurrentTime().m_dt);
}

struct AddCase {
  std::vector<std::string> options;
  int position;
  TaskFields task;
};

class TvqAdd : public TvqCommands, public ::testing::WithParamInterface<AddCase> {};

TEST_P(TvqAdd, InsertsWhereTheWindowWould) {
  std::vector<std::string> args{"add", file};
  args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
  const auto result = RunTvq(args);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<TaskFields> tasks = ThreeTasks();
  tasks.insert(tasks.begin() + GetParam().position, GetParam().task);
  TempDir other;
  MakeFile(other.File("expected.tvq"), tasks);
  EXPECT_EQ(ReadText(file), ReadText(other.File("expected.tvq")));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, TvqAdd,
    ::testing::Values(
        AddCase{{"--due", "none"}, 3, {u"", NoDueDateValue(), u"A0", u""}},
        AddCase{{"--at", "1", "--due", "none", "--subject", "\xE4\xBB\xB6", "--priority", "C9", "--memo", "m\nn"},
                0,
                {u"\u4EF6", NoDueDateValue(), u"C9", u"m\nn"}},
        AddCase{{"--at=2", "--due=none", "--priority=P0"}, 1, {u"", NoDueDateValue(), u"P0", u""}},
        AddCase{{"--at", "4", "--due", "none", "--", }, 3, {u"", NoDueDateValue(), u"A0", u""}}));

TEST_F(TvqCommands, AddPicksADayAndKeepsTheTimeOfDay) {
  ASSERT_EQ(RunTvq({"add", file, "--due", "2024-02-29"}).exitCode, 0);
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(file)));
  const COleDateTime due = doc.TaskAt(3).dueDate;
  SYSTEMTIME time;
  ASSERT_TRUE(due.GetAsSystemTime(time));
  EXPECT_EQ(time.wYear, 2024);
  EXPECT_EQ(time.wMonth, 2);
  EXPECT_EQ(time.wDay, 29);
  SYSTEMTIME now;
  ASSERT_TRUE(GetLocalTime(&now));
  EXPECT_LE(std::abs((time.wHour * 3600 + time.wMinute * 60 + time.wSecond) -
                     (now.wHour * 3600 + now.wMinute * 60 + now.wSecond)),
            5);
}

TEST_F(TvqCommands, AddMakesAMissingFile) {
  const std::string fresh = dir.File("fresh.tvq");
  ASSERT_EQ(RunTvq({"add", fresh, "--due", "none", "--subject", "a"}).exitCode, 0);
  MakeFile(dir.File("expected.tvq"), {{u"a", NoDueDateValue(), u"A0", u""}});
  EXPECT_EQ(ReadText(fresh), ReadText(dir.File("expected.tvq")));
}

TEST_F(TvqCommands, EditStoresWhatTheEditorGivesBack) {
  // Task 1: the one-letter "A" comes back as A1. Task 2: a 2100 date the list shows as no due date comes back
  // as 1 January 2100 00:00. Task 3: an invalid date comes back as the time the picker showed (now), b3 as A3.
  for (const char* number : {"1", "2"}) ASSERT_EQ(RunTvq({"edit", file, number}).exitCode, 0);
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(file)));
  EXPECT_EQ(doc.TaskAt(0).priority, CString(u"A1"));
  EXPECT_EQ(doc.TaskAt(0).dueDate, kMay10);
  EXPECT_EQ(doc.TaskAt(1).dueDate, NoDueDateValue());
  EXPECT_EQ(doc.TaskAt(1).priority, CString(u"P0"));

  const double before = COleDateTime::GetCurrentTime().m_dt;
  ASSERT_EQ(RunTvq({"edit", file, "3"}).exitCode, 0);
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(file)));
  EXPECT_EQ(doc.TaskAt(2).priority, CString(u"A3"));
  EXPECT_EQ(doc.TaskAt(2).dueDate.GetStatus(), COleDateTime::valid);
  EXPECT_GE(doc.TaskAt(2).dueDate.m_dt, before);
}

TEST_F(TvqCommands, EditWithAMonthFirstDateKeepsA2100Date) {
  ASSERT_EQ(RunTvq({"edit", file, "2"}, {}, {{"TARVELQUIST_LOCALE", "en_US"}}).exitCode, 0);
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(file)));
  EXPECT_EQ(doc.TaskAt(1).dueDate, COleDateTime(2100, 12, 31, 23, 0, 0));
}

TEST_F(TvqCommands, EditChangesTheGivenFieldsLikeTheWindow) {
  ASSERT_EQ(RunTvq({"edit", file, "1", "--subject", "new", "--due", "2009-01-02", "--priority", "B7", "--memo", ""})
                .exitCode,
            0);
  const std::string window = WindowBytes(dir.File("tasks.tvq"), [](CTarvelquistDoc&) {});
  EXPECT_EQ(ReadText(file), window) << "the file reads and saves back unchanged";
  std::vector<TaskFields> tasks = ThreeTasks();
  tasks[0] = {u"new", COleDateTime(2009, 1, 2, 12, 0, 0), u"B7", u""};
  MakeFile(dir.File("expected.tvq"), tasks);
  EXPECT_EQ(ReadText(file), ReadText(dir.File("expected.tvq")));
  ASSERT_EQ(RunTvq({"edit", file, "1", "--due", "none"}).exitCode, 0);
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(CString::FromUtf8(file)));
  EXPECT_EQ(doc.TaskAt(0).dueDate, NoDueDateValue());
}

TEST_F(TvqCommands, RmAndMvGiveTheExpectedLists) {
  const std::vector<TaskFields> three = ThreeTasks();
  ASSERT_EQ(RunTvq({"mv", file, "3", "up"}).exitCode, 0);
  MakeFile(dir.File("moved.tvq"), {three[0], three[2], three[1]});
  EXPECT_EQ(ReadText(file), ReadText(dir.File("moved.tvq")));
  ASSERT_EQ(RunTvq({"mv", file, "2", "down"}).exitCode, 0);
  EXPECT_EQ(ReadText(file), original);
  ASSERT_EQ(RunTvq({"rm", file, "2"}).exitCode, 0);
  MakeFile(dir.File("removed.tvq"), {three[0], three[2]});
  EXPECT_EQ(ReadText(file), ReadText(dir.File("removed.tvq")));
}

TEST_F(TvqCommands, MovesPastTheEndsChangeNothing) {
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  EXPECT_EQ(RunTvq({"mv", file, "1", "up"}).exitCode, 0);
  EXPECT_EQ(RunTvq({"mv", file, "3", "down"}).exitCode, 0);
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the file was not saved again";
  EXPECT_EQ(ReadText(file), original);
}

TEST_F(TvqCommands, SortIsTheWindowsColumnSort) {
  const char* const columns[] = {"subject", "due", "priority", "memo"};
  for (int column = 0; column < 4; ++column) {
    MakeFile(file, ThreeTasks());
    const std::string expected = WindowBytes(file, [column](CTarvelquistDoc& doc) { SortTasks(doc, column); });
    const auto result = RunTvq({"sort", file, columns[column]});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadText(file), expected) << columns[column];
  }
  EXPECT_NE(ReadText(file), original);
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  EXPECT_EQ(RunTvq({"sort", file, "memo"}).exitCode, 0);
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "a sorted list is not saved again";
}

TEST_F(TvqCommands, ListShowsTheWindowsColumns) {
  const auto listed = RunTvq({"list", file, "--wide"});
  ASSERT_EQ(listed.exitCode, 0);
  const std::string expected =
      "#  \xE4\xBB\xB6\xE5\x90\x8D  \xE6\x9C\x9F\xE9\x99\x90              !   \xE3\x83\xA1\xE3\x83\xA2\n"
      "1  b     2008/05/10        A   memo, with \"quotes\"\xE2\x86\xB5" "and a second line\n"
      "2  A     \xE6\x9C\x9F\xE9\x99\x90\xE3\x81\xAA\xE3\x81\x97          P0\n"
      "3  \xE4\xBB\xB6\xE5\x90\x8D  Invalid DateTime  b3  x\n";
  EXPECT_EQ(listed.out, expected);
  const auto narrow = RunTvq({"list", file}, {}, {{"COLUMNS", "40"}});
  ASSERT_EQ(narrow.exitCode, 0);
  std::size_t start = 0;
  for (std::size_t end; (end = narrow.out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = narrow.out.substr(start, end - start);
    EXPECT_LE(DisplayWidth(line), 40) << line;
  }
  EXPECT_NE(narrow.out.find("\xE2\x80\xA6"), std::string::npos) << "a long memo is cut with an ellipsis";
  // --json: the dump's tasks, each with its number first, and tvq make reads it back to the same file.
  const auto json = RunTvq({"list", file, "--json"});
  std::string numbered = RunTvq({"dump", file}).out;
  int number = 0;
  for (std::size_t task = 0; (task = numbered.find("{\"subject\"", task)) != std::string::npos; task += 2) {
    numbered.insert(task + 1, "\"number\":" + std::to_string(++number) + ",");
  }
  EXPECT_EQ(number, 3);
  EXPECT_EQ(json.out, numbered);
  ASSERT_EQ(RunTvq({"make", dir.File("made.tvq")}, json.out).exitCode, 0);
  EXPECT_EQ(ReadText(dir.File("made.tvq")), original);
}

TEST_F(TvqCommands, CsvExportIsRfc4180AndImportsBackToTheSameBytes) {
  const auto csv = RunTvq({"export", file, "--format", "csv"});
  ASSERT_EQ(csv.exitCode, 0);
  EXPECT_EQ(csv.out,
            "\xEF\xBB\xBFsubject,due,priority,memo\r\n"
            "b,2008-05-10 12:00:00,A,\"memo, with \"\"quotes\"\"\r\nand a second line\"\r\n"
            "A,2100-12-31 23:00:00,P0,\r\n"
            "\xE4\xBB\xB6\xE5\x90\x8D,raw:40e30b0800000000:1,b3,x\r\n");
  ASSERT_EQ(RunTvq({"import", dir.File("back.tvq"), "--format", "csv"}, csv.out).exitCode, 0);
  EXPECT_EQ(ReadText(dir.File("back.tvq")), original);
  ASSERT_EQ(RunTvq({"import", dir.File("back.tvq"), "--format", "csv", "--append"}, csv.out).exitCode, 0);
  std::vector<TaskFields> twice = ThreeTasks();
  for (const TaskFields& fields : ThreeTasks()) twice.push_back(fields);
  MakeFile(dir.File("twice.tvq"), twice);
  EXPECT_EQ(ReadText(dir.File("back.tvq")), ReadText(dir.File("twice.tvq")));
}

TEST_F(TvqCommands, JsonExportImportsBackToTheSameBytes) {
  const auto json = RunTvq({"export", file, "--format", "json"});
  ASSERT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.out, RunTvq({"dump", file}).out);
  ASSERT_EQ(RunTvq({"import", dir.File("back.tvq"), "--format", "json"}, json.out).exitCode, 0);
  EXPECT_EQ(ReadText(dir.File("back.tvq")), original);
}

TEST_F(TvqCommands, IcsExportImportsBackToTheSameBytesAndForeignItemsNameWhatIsLeftOut) {
  const auto ics = RunTvq({"export", file, "--format", "ics"});
  ASSERT_EQ(ics.exitCode, 0);
  const auto back = RunTvq({"import", dir.File("back.tvq"), "--format", "ics"}, ics.out);
  ASSERT_EQ(back.exitCode, 0) << back.err;
  EXPECT_EQ(back.err, "");
  EXPECT_EQ(ReadText(dir.File("back.tvq")), original);

  const std::string foreign =
      "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\n"
      "BEGIN:VTODO\r\nUID:1\r\nSUMMARY:buy milk\r\nDUE;VALUE=DATE:20240102\r\nCATEGORIES:home\r\n"
      "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\nEND:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:2\r\nSUMMARY:done\r\nSTATUS:COMPLETED\r\nEND:VTODO\r\n"
      "BEGIN:VTODO\r\nUID:3\r\nSUMMARY:call\r\nCATEGORIES:work\r\nPRIORITY:9\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
  const auto imported = RunTvq({"import", file, "--format", "ics", "--append"}, foreign);
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_EQ(imported.err, "tvq import: left out, having no place in a task: 2 CATEGORIES, 1 VALARM, 1 completed VTODO\n");
  std::vector<TaskFields> expected = ThreeTasks();
  expected.push_back({u"buy milk", COleDateTime(2024, 1, 2, 0, 0, 0), u"P1", u""});
  expected.push_back({u"call", NoDueDateValue(), u"C7", u""});
  MakeFile(dir.File("expected.tvq"), expected);
  EXPECT_EQ(ReadText(file), ReadText(dir.File("expected.tvq")));

  for (const char* locale : {"ja_JP", "en_US"}) {
    MakeFile(dir.File("none.tvq"), {{u"none", NoDueDateValue(), u"A", u""}});
    const auto none = RunTvq({"export", dir.File("none.tvq"), "--format", "ics"}, {}, {{"TARVELQUIST_LOCALE", locale}});
    EXPECT_EQ(none.out.find("DUE"), std::string::npos) << "no due date is no DUE in " << locale;
  }

  const auto bad = RunTvq({"import", file, "--format", "ics"}, "not a calendar\n");
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("not iCalendar"), std::string::npos) << bad.err;
  EXPECT_EQ(ReadText(file), ReadText(dir.File("expected.tvq")));
}

struct BadCsv {
  std::string body;
  std::string line;
};

class TvqImportBad : public TvqCommands, public ::testing::WithParamInterface<BadCsv> {};

TEST_P(TvqImportBad, NamesTheLineAndWritesNothing) {
  const auto result = RunTvq({"import", file, "--format", "csv", "--append"}, GetParam().body);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find(GetParam().line + ":"), std::string::npos) << result.err;
  EXPECT_EQ(ReadText(file), original);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TvqImportBad,
    ::testing::Values(BadCsv{"", "line 1"}, BadCsv{"subject,due\r\n", "line 1"},
                      BadCsv{"subject,due,priority,memo\r\na,,A1,\r\nb,2008-02-30,A1,\r\n", "line 3"},
                      BadCsv{"subject,due,priority,memo\r\na,,A1\r\n", "line 2"},
                      BadCsv{"subject,due,priority,memo\r\n\"a\nb\",,A1,\r\nc,x,A1,\r\n", "line 4"},
                      BadCsv{"subject,due,priority,memo\r\na\"b,,A1,\r\n", "line 2"},
                      BadCsv{"subject,due,priority,memo\r\n\"open,,A1,\r\n", "line 2"},
                      BadCsv{"subject,due,priority,memo\r\na,raw:12:0,A1,\r\n", "line 2"},
                      BadCsv{"subject,due,priority,memo\r\n\xFF,,A1,\r\n", "line 2"}));

TEST_F(TvqCommands, IcsIsFoldedEscapedAndMapsThePriority) {
  MakeFile(file, {{u"a;b,c\\d " + std::u16string(40, u'\u4EF6'), kMay10, u"B2", u"l1\nl2"},
                  {u"none", NoDueDateValue(), u"P0", u""}});
  const auto ics = RunTvq({"export", file, "--format", "ics"}, {}, {{"SOURCE_DATE_EPOCH", "1210420800"}});
  ASSERT_EQ(ics.exitCode, 0);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = ics.out.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(ics.out.substr(start, end - start));
    EXPECT_LE(lines.back().size(), 75u);
    EXPECT_EQ(lines.back().find('\n'), std::string::npos);
  }
  EXPECT_EQ(start, ics.out.size()) << "every line ends in CRLF";
  std::string unfolded;
  for (const std::string& line : lines) {
    unfolded += line[0] == ' ' ? line.substr(1) : "\n" + line;
  }
  const std::string kanji40 = [] {
    std::string text;
    for (int i = 0; i < 40; ++i) text += "\xE4\xBB\xB6";
    return text;
  }();
  EXPECT_NE(unfolded.find("\nSUMMARY:a\\;b\\,c\\\\d " + kanji40 + "\n"), std::string::npos) << unfolded;
  EXPECT_NE(unfolded.find("\nDUE;VALUE=DATE:20080510\n"), std::string::npos);
  EXPECT_NE(unfolded.find("\nPRIORITY:5\nX-TARVELQUIST-PRIORITY:B2\nDESCRIPTION:l1\\nl2\n"), std::string::npos);
  EXPECT_NE(unfolded.find("\nDTSTAMP:20080510T120000Z\n"), std::string::npos);
  const std::size_t second = unfolded.find("SUMMARY:none");
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(unfolded.find("DUE", second), std::string::npos) << "no DUE for a task without a due date";
  EXPECT_NE(unfolded.find("PRIORITY:0", second), std::string::npos);
  EXPECT_EQ(unfolded.rfind("\nBEGIN:VCALENDAR\nVERSION:2.0\n", 0), 0u);
  EXPECT_EQ(unfolded.substr(unfolded.size() - 14), "\nEND:VCALENDAR");
}

TEST_F(TvqCommands, BadUsageExitsTwoAndLeavesTheFile) {
  const std::vector<std::vector<std::string>> calls = {
      {"add", file, "--due", "2024-13-01"}, {"add", file, "--due", "tomorrow"}, {"add", file, "--priority", "a1"},
      {"add", file, "--at", "5"},            {"add", file, "--at", "0"},         {"add", file, "--subject"},
      {"add", file, "--subject", "\xFF"},    {"edit", file, "4"},                {"edit", file, "x"},
      {"rm", file, "0"},                     {"rm", file},                       {"mv", file, "1", "left"},
      {"sort", file, "colour"},              {"export", file},                   {"export", file, "--format", "xml"},
      {"import", file, "--format", "xml"},   {"list", file, "--wide", "--json"}, {"list", file, "--bogus"}};
  for (const auto& call : calls) {
    const auto result = RunTvq(call);
    EXPECT_EQ(result.exitCode, 2) << call[0] << " " << (call.size() > 2 ? call[2] : "");
    EXPECT_FALSE(result.err.empty());
  }
  EXPECT_EQ(ReadText(file), original);
}

TEST_F(TvqCommands, EveryCommandReportsALoadFailureWithTheWindowsMessage) {
  WriteText(dir.File("cut.tvq"), original.substr(0, original.size() - 1));
  const std::string cut = dir.File("cut.tvq");
  const std::vector<std::vector<std::string>> calls = {
      {"list", cut}, {"add", cut}, {"edit", cut, "1"}, {"rm", cut, "1"}, {"mv", cut, "1", "down"},
      {"sort", cut, "memo"}, {"export", cut, "--format", "ics"}};
  for (const auto& call : calls) {
    const auto result = RunTvq(call);
    EXPECT_EQ(result.exitCode, 1) << call[0];
    EXPECT_EQ(result.err, "Unexpected file format.\n") << call[0];
  }
  EXPECT_EQ(RunTvq({"import", cut, "--format", "json", "--append"}, "{\"tasks\":[]}").exitCode, 1);
  EXPECT_EQ(ReadText(cut), original.substr(0, original.size() - 1));
}

TEST_F(TvqCommands, EveryCommandHasHelpWithAnExample) {
  for (const char* command :
       {"list", "add", "edit", "rm", "mv", "sort", "export", "import", "dump", "make", "remind"}) {
    const auto help = RunTvq({command, "--help"});
    EXPECT_EQ(help.exitCode, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("Usage: tvq ") + command, 0), 0u) << command;
    EXPECT_NE(help.out.find("Example:"), std::string::npos) << command;
  }
}

}  // namespace
