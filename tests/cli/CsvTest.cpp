// CSV for spreadsheets: cells a spreadsheet would evaluate are guarded, import takes off exactly that guard,
// and every task with valid text comes back as it was, in-process and through the tvq binary.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cli/Csv.h"
#include "cli/Json.h"
#include "doc/TaskItem.h"
#include "tests/cli/Hostile.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"

namespace {

using tvqcli::AppendTaskCsv;
using tvqcli::ReadTasksCsv;

constexpr std::string_view kHeader = "subject,due,priority,memo\r\n";

std::string Record(std::u16string_view subject, std::u16string_view memo = u"") {
  TaskItem task;
  task.subject = CString(std::u16string(subject));
  task.dueDate = NoDueDateValue();
  task.priority = CString(u"A1");
  task.memo = CString(std::u16string(memo));
  std::string out;
  AppendTaskCsv(out, task);
  return out;
}

std::vector<std::unique_ptr<TaskItem>> Read(std::string_view text) {
  std::vector<std::unique_ptr<TaskItem>> tasks;
  ReadTasksCsv(text, [&tasks](const TaskItem& task) {
    tasks.push_back(std::make_unique<TaskItem>());
    tasks.back()->CopyFieldsFrom(task);
  });
  return tasks;
}

TEST(Csv, CellsASpreadsheetWouldEvaluateGetAQuoteInFront) {
  const std::vector<std::pair<std::u16string, std::string>> cases = {
      {u"=1+2", "'=1+2"},
      {u"+1", "'+1"},
      {u"-1", "'-1"},
      {u"@SUM(A1)", "'@SUM(A1)"},
      {u"\tx", "'\tx"},
      {u"\rx", "\"'\rx\""},
      {u"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
      // Quotes before a formula character: one more, so that import can take exactly one off.
      {u"'=x", "''=x"},
      {u"''-", "'''-"},
      // Nothing a spreadsheet evaluates: written as it is.
      {u"'plain", "'plain"},
      {u"'", "'"},
      {u"''", "''"},
      {u"", ""},
      {u"a=b", "a=b"},
      {u" =x", " =x"},
      {u"\n=x", "\"\n=x\""},
      {u"\u4EF6=", "\xE4\xBB\xB6="},
  };
  for (const auto& [text, cell] : cases) {
    EXPECT_EQ(Record(text), cell + ",,A1,\r\n");
    EXPECT_EQ(Record(u"s", text), "s,,A1," + cell + "\r\n");
  }
}

TEST(Csv, ImportTakesOffTheGuardAndNothingElse) {
  const auto tasks = Read(std::string(kHeader) +
                          "'=SUM(A1),,'+1,'@x\r\n"
                          "'hello,,'',''=x\r\n"
                          "\"'\r\",,',\"''\"\"\"\r\n");
  ASSERT_EQ(tasks.size(), 3u);
  EXPECT_EQ(tasks[0]->subject.view(), u"=SUM(A1)");
  EXPECT_EQ(tasks[0]->priority.view(), u"+1");
  EXPECT_EQ(tasks[0]->memo.view(), u"@x");
  EXPECT_EQ(tasks[1]->subject.view(), u"'hello");
  EXPECT_EQ(tasks[1]->priority.view(), u"''");
  EXPECT_EQ(tasks[1]->memo.view(), u"'=x");
  EXPECT_EQ(tasks[2]->subject.view(), u"\r");
  EXPECT_EQ(tasks[2]->priority.view(), u"'");
  EXPECT_EQ(tasks[2]->memo.view(), u"''\"");
}

// The guard is a one-to-one mapping: every text, whatever quotes and formula characters it begins with,
// comes back from its cell unchanged, and no written cell begins with what a spreadsheet evaluates.
TEST(Csv, EveryTaskComesBackExactlyAndNoCellStartsAFormula) {
  std::mt19937 random(4180);
  const std::u16string_view starts[] = {u"'",  u"''", u"=",  u"+", u"-", u"@", u"\t",
                                        u"\r", u"\n", u"\"", u",", u" ", u"a"};
  const auto text = [&] {
    std::u16string value;
    for (int n = static_cast<int>(random() % 4); n > 0; --n) value += starts[random() % std::size(starts)];
    return value + clitest::HostileText(random, 12, false);
  };
  for (int round = 0; round < 5000 && !HasFailure(); ++round) {
    TaskItem task;
    task.subject = CString(text());
    const auto bits = (static_cast<std::uint64_t>(random()) << 32) | random();
    task.dueDate = round % 3 == 0 ? COleDateTime(DateFromBits(bits), static_cast<std::int32_t>(random() % 3))
                                  : COleDateTime(30000.0 + random() % 40000, COleDateTime::valid);
    task.priority = CString(text());
    task.memo = CString(text());
    std::string record;
    AppendTaskCsv(record, task);
    const char first = record[0] == '"' ? record[1] : record[0];
    EXPECT_EQ(std::string_view("=+-@\t\r").find(first), std::string_view::npos) << record;

    const auto back = Read(std::string(kHeader) + record);
    ASSERT_EQ(back.size(), 1u) << record;
    EXPECT_EQ(back[0]->subject, task.subject) << record;
    EXPECT_EQ(back[0]->priority, task.priority) << record;
    EXPECT_EQ(back[0]->memo, task.memo) << record;
    EXPECT_EQ(DateBits(back[0]->dueDate.m_dt), DateBits(task.dueDate.m_dt)) << record;
    EXPECT_EQ(back[0]->dueDate.GetStatus(), task.dueDate.GetStatus()) << record;
  }
}

TEST(Csv, ExportThenImportGivesTheSameFileBytes) {
  std::mt19937 random(0xC5F);
  std::string json = "{\"tasks\":[";
  for (int i = 0; i < 300; ++i) {
    json += i == 0 ? "{" : ",{";
    for (const char* field : {"subject", "priority", "memo"}) {
      json += std::string(field == std::string("subject") ? "" : ",") + "\"" + field + "\":";
      std::u16string value = random() % 3 == 0 ? u"'" : u"";
      if (random() % 2 == 0) value += u"=+-@\t\r"[random() % 6];
      tvqjson::AppendString(json, value + clitest::HostileText(random, 20, false));
    }
    json += ",\"due\":{\"value\":" + std::to_string(30000 + random() % 40000) + "}}";
  }
  json += "]}";
  tvqtest::TempDir dir;
  ASSERT_EQ(clitest::RunTvq({"make", dir.File("a.tvq")}, json).exitCode, 0);
  const auto csv = clitest::RunTvq({"export", dir.File("a.tvq"), "--format", "csv"});
  ASSERT_EQ(csv.exitCode, 0) << csv.err;
  const auto imported = clitest::RunTvq({"import", dir.File("b.tvq"), "--format", "csv"}, csv.out);
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  EXPECT_EQ(tvqtest::ReadText(dir.File("b.tvq")), tvqtest::ReadText(dir.File("a.tvq")));
}

}  // namespace
