// tvq never loses bytes it did not read and takes names as the system does: a text file given as a list is
// kept whole beside it at the first change, list and dump say what they could not show, ".." follows the
// system, "a.tvq/" is no file, standard input is bounded and an echoed input is cut.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>

#include "cli/Cli.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"

namespace {

namespace fs = std::filesystem;
using clitest::RunTvq;
using tvqtest::ReadText;
using tvqtest::TempDir;
using tvqtest::WriteText;

const std::string kJapaneseText = "日本語のメモ\n牛乳を買う\n";

std::vector<fs::path> KeptBeside(const TempDir& dir, const std::string& word) {
  std::vector<fs::path> kept;
  const std::regex name("notes \\(" + word + R"( \d{4}-\d\d-\d\d \d{6}\)\.tvq)");
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    if (std::regex_match(entry.path().filename().string(), name)) kept.push_back(entry.path());
  }
  return kept;
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(TvqNothingUnreadLost, ATextFileIsKeptWholeAtTheFirstChangeAndReadingSaysSo) {
  TempDir dir;
  const std::string file = dir.File("notes.tvq");
  WriteText(file, kJapaneseText);
  fs::permissions(file, static_cast<fs::perms>(0640));

  for (const char* reader : {"list", "dump"}) {
    const auto read = RunTvq({reader, file});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(Lines(read.err), 1U) << reader << ": " << read.err;
    EXPECT_NE(read.err.find(file), std::string::npos) << read.err;
  }
  EXPECT_EQ(ReadText(file), kJapaneseText);  // reading changes nothing
  EXPECT_TRUE(KeptBeside(dir, "original").empty());

  const auto added = RunTvq({"add", file, "--subject", "X"});
  EXPECT_EQ(added.exitCode, 0) << added.err;
  const auto kept = KeptBeside(dir, "original");
  ASSERT_EQ(kept.size(), 1U);
  EXPECT_EQ(ReadText(kept[0]), kJapaneseText);
  EXPECT_EQ(fs::status(kept[0]).permissions(), static_cast<fs::perms>(0640));
  EXPECT_EQ(fs::status(file).permissions(), static_cast<fs::perms>(0640));
  EXPECT_EQ(Lines(added.err), 1U) << added.err;  // said once, naming both files
  EXPECT_NE(added.err.find(kept[0].string()), std::string::npos) << added.err;

  // Now a list of the window's own: nothing more is kept or said.
  const auto again = RunTvq({"add", file, "--subject", "Y"});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.err, "");
  EXPECT_EQ(KeptBeside(dir, "original").size(), 1U);
  const auto listed = RunTvq({"dump", file});
  EXPECT_EQ(listed.err, "");
  EXPECT_NE(listed.out.find("\"X\""), std::string::npos);
}

TEST(TvqNothingUnreadLost, NamesAreResolvedByTheSystem) {
  TempDir dir;
  fs::create_directories(dir / "deep" / "er");
  fs::create_symlink(dir / "deep" / "er", dir / "L");
  // L/.. is "deep" for the system, not the folder that holds L.
  const auto made = RunTvq({"add", dir.File("L/../x.tvq"), "--subject", "X"});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_TRUE(fs::exists(dir / "deep" / "x.tvq"));
  EXPECT_FALSE(fs::exists(dir / "x.tvq"));

  WriteText(dir.File("a.tvq"), "");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"add", dir.File("a.tvq/"), "--subject", "X"},
                                               {"list", dir.File("a.tvq/")}}) {
    const auto refused = RunTvq(args);
    EXPECT_EQ(refused.exitCode, 1) << args[0];
    EXPECT_NE(refused.err.find("invalid path"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(ReadText(dir.File("a.tvq")), "");
}

TEST(TvqNothingUnreadLost, StandardInputIsBoundedAndEchoedInputIsCut) {
  TempDir dir;
  const std::string file = dir.File("x.tvq");
  const std::string huge(tvqcli::kMaxStandardInput + 1, ' ');
  const auto imported = RunTvq({"import", file, "--format", "json"}, huge);
  EXPECT_EQ(imported.exitCode, 2);
  EXPECT_NE(imported.err.find("standard input is larger than"), std::string::npos) << imported.err.substr(0, 300);
  EXPECT_FALSE(fs::exists(file));

  const std::string longWord(100000, 'z');
  for (const std::vector<std::string>& args : {std::vector<std::string>{"sort", file, longWord},
                                               {longWord}, {"list", "--" + longWord},
                                               {"mv", file, "1", longWord}}) {
    const auto refused = RunTvq(args);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_LT(refused.err.size(), 2 * tvqcli::kMaxEcho + 400) << args[0];
    EXPECT_NE(refused.err.find(std::string(tvqcli::kMaxEcho / 2, 'z')), std::string::npos) << refused.err;
  }
}

}  // namespace
