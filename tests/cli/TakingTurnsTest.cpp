// tvq commands side by side on one file take turns: none is refused, no change is lost.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"

namespace {

using clitest::RunTvq;
using clitest::TvqRun;
using tvqtest::TempDir;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// Runs `rounds` rounds of `width` tvq add started at once on one file (made by the first round), then checks
// that every subject is in the file once.
void ExpectAllAdded(const std::string& path, int rounds, int width) {
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::unique_ptr<TvqRun>> runs;
    for (int i = 0; i < width; ++i) {
      runs.push_back(std::make_unique<TvqRun>(
          std::vector<std::string>{"add", path, "--subject", "t" + std::to_string(round) + "-" + std::to_string(i)}));
    }
    for (auto& run : runs) {
      const auto result = run->Wait();
      EXPECT_EQ(result.exitCode, 0) << result.err;
      EXPECT_EQ(result.err, "");
    }
  }
  const auto dumped = RunTvq({"dump", path});
  ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
  EXPECT_EQ(Count(dumped.out, "\"subject\""), static_cast<std::size_t>(rounds * width));
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < width; ++i) {
      const std::string subject = "\"subject\":\"t" + std::to_string(round) + "-" + std::to_string(i) + "\"";
      EXPECT_EQ(Count(dumped.out, subject), 1U) << subject;
    }
  }
}

TEST(TvqTakingTurns, PairsOfAddsOnOneFileAllLand) {
  TempDir dir;
  ExpectAllAdded(dir.File("pairs.tvq"), 30, 2);  // the first pair also races to make the file
}

TEST(TvqTakingTurns, ABurstOfAddsAllLand) {
  TempDir dir;
  ExpectAllAdded(dir.File("burst.tvq"), 2, 12);
}

TEST(TvqTakingTurns, ChangesOfEveryKindTakeTurns) {
  TempDir dir;
  const std::string path = dir.File("mixed.tvq");
  for (int i = 0; i < 6; ++i) ASSERT_EQ(RunTvq({"add", path, "--subject", "base" + std::to_string(i)}).exitCode, 0);
  {
    // Moves, edits and sorts only reorder or rewrite: beside them, every add must still land.
    std::vector<std::unique_ptr<TvqRun>> runs;
    for (int i = 0; i < 4; ++i) {
      runs.push_back(std::make_unique<TvqRun>(std::vector<std::string>{"add", path, "--subject", "new" + std::to_string(i)}));
      runs.push_back(std::make_unique<TvqRun>(std::vector<std::string>{"mv", path, "1", "down"}));
      runs.push_back(std::make_unique<TvqRun>(std::vector<std::string>{"edit", path, "2", "--memo", "m"}));
      runs.push_back(std::make_unique<TvqRun>(std::vector<std::string>{"sort", path, "subject"}));
    }
    for (auto& run : runs) {
      const auto result = run->Wait();
      EXPECT_EQ(result.exitCode, 0) << result.err;
    }
  }
  const auto dumped = RunTvq({"dump", path});
  EXPECT_EQ(Count(dumped.out, "\"subject\""), 10U);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Count(dumped.out, "\"new" + std::to_string(i) + "\""), 1U);
}

}  // namespace
