// Whatever a task file or the command line holds, nothing tvq writes for a person carries a control a
// terminal would act on: random hostile subjects, memos, priorities, file names and arguments go through the
// list, every kind of message and error, the JSON forms, and csv and ics written to a terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "cli/Json.h"
#include "tests/cli/Hostile.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"

namespace {

using clitest::RunTvq;
using clitest::RunTvqOnTerminal;
using clitest::TerminalHazard;
using clitest::TvqResult;

// The dump form of `count` random tasks: hostile texts, due dates of every status and bit pattern.
std::string RandomTasksJson(std::mt19937& random, int count) {
  std::string json = "{\"tasks\":[";
  for (int i = 0; i < count; ++i) {
    if (i > 0) json += ',';
    json += "{\"subject\":";
    tvqjson::AppendString(json, clitest::HostileText(random, 30));
    char due[96];
    const auto bits = (static_cast<unsigned long long>(random()) << 32) | random();
    const int status = static_cast<int>(random() % 4);
    if (random() % 2 == 0) {
      std::snprintf(due, sizeof due, "{\"value\":%u.25}", 30000u + static_cast<unsigned>(random() % 40000));
    } else {
      std::snprintf(due, sizeof due, "{\"bits\":\"%016llx\",\"status\":%d}", bits, status);
    }
    json += ",\"due\":";
    json += due;
    json += ",\"priority\":";
    tvqjson::AppendString(json, clitest::HostileText(random, 4));
    json += ",\"memo\":";
    tvqjson::AppendString(json, clitest::HostileText(random, 60));
    json += '}';
  }
  return json + "]}";
}

void ExpectSafe(const TvqResult& result, const std::string& what, bool crLf = false) {
  EXPECT_EQ(TerminalHazard(result.out, crLf), "") << what << " (standard output)";
  EXPECT_EQ(TerminalHazard(result.err), "") << what << " (standard error)";
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(HostileOutput, NoOutputMeantForAPersonCarriesAControl) {
  std::mt19937 random(0x7E57);
  for (int round = 0; round < 10 && !HasFailure(); ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    tvqtest::TempDir dir;
    const std::string file = dir.File(clitest::HostileFileName(random));
    const int count = 1 + static_cast<int>(random() % 5);
    const TvqResult made = RunTvq({"make", file}, RandomTasksJson(random, count));
    ASSERT_EQ(made.exitCode, 0) << made.err;

    const TvqResult wide = RunTvq({"list", file, "--wide"});
    EXPECT_EQ(wide.exitCode, 0);
    EXPECT_EQ(Lines(wide.out), static_cast<std::size_t>(count) + 1) << "one line per task: no line break gets through";
    ExpectSafe(wide, "list --wide");
    ExpectSafe(RunTvq({"list", file}, {}, {{"COLUMNS", std::to_string(20 + round * 7)}}), "list, cut to the terminal");
    ExpectSafe(RunTvq({"dump", file}), "dump");
    ExpectSafe(RunTvq({"list", file, "--json"}), "list --json");
    for (const char* format : {"csv", "ics", "json"}) {
      const TvqResult shown = RunTvqOnTerminal({"export", file, "--format", format});
      EXPECT_EQ(shown.exitCode, 0) << shown.err;
      EXPECT_FALSE(shown.out.empty());
      ExpectSafe(shown, std::string("export on a terminal as ") + format, true);
    }

    // Messages and errors that name a file, echo an argument or quote the input.
    const std::string argument = clitest::HostileFileName(random);
    const std::string missing = dir.File(clitest::HostileFileName(random) + "-missing");
    std::string badCsv = "subject,due,priority,memo\r\na,";
    for (const char16_t unit : clitest::HostileText(random, 12, false)) {
      if (unit != u',' && unit != u'"' && unit != u'\r' && unit != u'\n')
        badCsv.push_back(static_cast<char>(unit & 0xFF));
    }
    badCsv += "x,A1,\r\n";
    std::string badKey = "{\"tasks\":[{";
    tvqjson::AppendString(badKey, clitest::HostileText(random, 12));
    badKey += ":1}]}";
    const std::vector<std::pair<std::vector<std::string>, std::string>> failures = {
        {{"list", missing}, ""},
        {{"edit", file, "99"}, ""},
        {{"edit", file, argument}, ""},
        {{"mv", file, "1", argument}, ""},
        {{"sort", file, argument}, ""},
        {{argument, file}, ""},
        {{"list", file, "--" + argument}, ""},
        {{"list", file, argument}, ""},
        {{"add", file, "--subject", argument + "\xFF"}, ""},
        {{"import", file, "--format", "csv"}, badCsv},
        {{"make", dir.File("new.tvq")}, badKey},
    };
    for (const auto& [args, input] : failures) {
      const TvqResult failed = RunTvq(args, input);
      EXPECT_NE(failed.exitCode, 0) << args[0];
      EXPECT_FALSE(failed.err.empty()) << args[0];
      ExpectSafe(failed, "tvq " + args[0] + " failing");
    }
  }
}

// What the escapes look like where the description of a command promises them.
TEST(HostileOutput, ArgumentsAndCellsShowTheirControlsReadably) {
  tvqtest::TempDir dir;
  const std::string file = dir.File("t.tvq");
  ASSERT_EQ(RunTvq({"make", file},
                   "{\"tasks\":[{\"subject\":\"a\\u009b2J\\u202eb\",\"priority\":\"A1\",\"memo\":\"\\u001b[31mred\"}]}")
                .exitCode,
            0);
  const TvqResult listed = RunTvq({"list", file, "--wide"});
  EXPECT_NE(listed.out.find("a\\u009B2J\\u202Eb"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("\xE2\x90\x9B[31mred"), std::string::npos) << listed.out;  // ␛[31mred
  const TvqResult sorted = RunTvq({"sort", file, "due\x1B]0;owned\x07\xFF"});
  EXPECT_EQ(sorted.exitCode, 2);
  EXPECT_NE(sorted.err.find("not 'due\xE2\x90\x9B]0;owned\xE2\x90\x87\\xFF'"), std::string::npos) << sorted.err;
  const TvqResult unknown = RunTvq({"li\nst"});
  EXPECT_EQ(unknown.err.rfind("tvq: unknown command 'li\xE2\x86\xB5st'\n", 0), 0u) << unknown.err;
}

}  // namespace
