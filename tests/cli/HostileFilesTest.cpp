// tvq against files and names that are not plain task files: FIFOs, device nodes, size limits, names that are
// not UTF-8, sparse files.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"

namespace {

using clitest::RunTvq;
using tvqtest::ReadText;
using tvqtest::TempDir;
using tvqtest::WriteText;

const std::string kOneTask(
    "\x01\x00\x00\x00\xFF\xFE\xFF\x02\xF6\x4E\x0D\x54\x00\x00\x00\x00\x00\x00\x00\x00\x50\x53\xE3\x40"
    "\xFF\xFE\xFF\x02\x41\x00\x31\x00\xFF\xFE\xFF\x00",
    36);

std::size_t EntriesIn(const std::string& folder) {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

class TvqHostileTest : public ::testing::Test {
 protected:
  // Every command that reads or writes FILE is refused at once with the access-denied message, and the thing
  // stays what it was.
  void ExpectEveryCommandRefused(const std::string& path, std::filesystem::file_type type) {
    const auto started = std::chrono::steady_clock::now();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"dump", path}, {"list", path}, {"add", path, "--subject", "X"}, {"make", path}}) {
      const auto result = RunTvq(args, "{\"tasks\":[]}");
      EXPECT_EQ(result.exitCode, 1) << args[0] << ": " << result.err;
      EXPECT_EQ(result.err, "Access to " + path + " was denied.\n") << args[0];
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(std::filesystem::status(path).type(), type);
  }

  TempDir m_dir;
};

TEST_F(TvqHostileTest, FifoNeitherBlocksNorIsReplaced) {
  const std::string fifo = m_dir.File("f.tvq");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ExpectEveryCommandRefused(fifo, std::filesystem::file_type::fifo);
  std::filesystem::create_symlink(fifo, m_dir.File("link.tvq"));
  ExpectEveryCommandRefused(m_dir.File("link.tvq"), std::filesystem::file_type::fifo);
  EXPECT_TRUE(std::filesystem::is_symlink(m_dir.File("link.tvq")));
}

TEST_F(TvqHostileTest, DeviceNodeIsNeverReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  const std::string node = m_dir.File("n");
  ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
  ExpectEveryCommandRefused(node, std::filesystem::file_type::character);
  std::filesystem::create_symlink(node, m_dir.File("link.tvq"));
  ExpectEveryCommandRefused(m_dir.File("link.tvq"), std::filesystem::file_type::character);
  EXPECT_EQ(EntriesIn(m_dir.Path()), 2U);
}

TEST_F(TvqHostileTest, FileSizeLimitIsDiskFullAndKeepsTheOldFile) {
  const std::string path = m_dir.File("a.tvq");
  WriteText(path, kOneTask);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const rlimit limited{16384, old.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);  // inherited by tvq; this process writes nothing meanwhile
  const auto result = RunTvq({"add", path, "--subject", std::string(40000, 'x')});
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(result.exitCode, 1) << "a signal ended it: " << result.exitCode;
  EXPECT_EQ(result.err, "Disk full while accessing " + path + ".\n");
  EXPECT_EQ(ReadText(path), kOneTask);
  EXPECT_EQ(EntriesIn(m_dir.Path()), 1U);  // no temporary file left
}

TEST_F(TvqHostileTest, NamesThatAreNotUtf8AreUsedAsGiven) {
  const std::string bad = m_dir.File("bad\xff.tvq");
  const auto added = RunTvq({"add", bad, "--subject", "X"});
  ASSERT_EQ(added.exitCode, 0) << added.err;
  EXPECT_TRUE(std::filesystem::exists(bad));
  EXPECT_EQ(EntriesIn(m_dir.Path()), 1U);  // no "bad\xef\xbf\xbd.tvq"
  const auto dumped = RunTvq({"dump", bad});
  EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
  EXPECT_NE(dumped.out.find("\"subject\":\"X\""), std::string::npos) << dumped.out;
  // A message names it readably.
  const auto missing = RunTvq({"dump", m_dir.File("gone\xfe.tvq")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, m_dir.File("gone\\xFE.tvq") + " was not found.\n");
}

TEST_F(TvqHostileTest, ASparseFileIsCutShortWithoutReadingItsHole) {
  const std::string path = m_dir.File("sparse.tvq");
  // One task whose subject claims 1 Gi units; the file is 2 GiB long but stores 33 bytes.
  WriteText(path, std::string("\x01\x00\x00\x00\xFF\xFE\xFF\xFF\xFF\xFF\x00\x00\x00\x40", 14) + std::string(19, 'a'));
  std::filesystem::resize_file(path, (std::uintmax_t{1} << 31) + 64);
  const auto started = std::chrono::steady_clock::now();
  const auto result = RunTvq({"dump", path});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Unexpected file format.\n");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST_F(TvqHostileTest, DumpWritesLongTextsWhole) {
  // A memo far longer than the output's buffer, with pairs and escapes all along it.
  std::string memo;
  for (int i = 0; i < 60000; ++i) memo += "a\xF0\xA0\xAE\xB7\\\"\n";
  std::string escaped;
  for (const char c : memo) {
    if (c == '\\') escaped += "\\\\";
    else if (c == '"') escaped += "\\\"";
    else if (c == '\n') escaped += "\\n";
    else escaped += c;
  }
  const std::string input = "{\"tasks\":[{\"subject\":\"s\",\"memo\":\"" + escaped + "\"}]}";
  const std::string path = m_dir.File("long.tvq");
  ASSERT_EQ(RunTvq({"make", path}, input).exitCode, 0);
  const auto dumped = RunTvq({"dump", path});
  ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
  EXPECT_NE(dumped.out.find("\"memo\":\"" + escaped + "\",\"dueText\""), std::string::npos);
  // And it reads back to the same file.
  ASSERT_EQ(RunTvq({"make", m_dir.File("again.tvq")}, dumped.out).exitCode, 0);
  EXPECT_EQ(ReadText(m_dir.File("again.tvq")), ReadText(path));
}

}  // namespace
