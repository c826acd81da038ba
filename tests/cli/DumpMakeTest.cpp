#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/core/MessageBox.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"

namespace {

using clitest::RunTvq;
using tvqtest::ReadText;
using tvqtest::TempDir;
using tvqtest::WriteText;

const std::string kWorkedExample(
    "\x01\x00\x00\x00\xFF\xFE\xFF\x02\xF6\x4E\x0D\x54\x00\x00\x00\x00\x00\x00\x00\x00\x50\x53\xE3\x40"
    "\xFF\xFE\xFF\x02\x41\x00\x31\x00\xFF\xFE\xFF\x00",
    36);
const std::string kWorkedJson =
    "{\"tasks\":[{\"subject\":\"\xE4\xBB\xB6\xE5\x90\x8D\",\"due\":{\"status\":0,\"value\":39578.5,"
    "\"bits\":\"40e3535000000000\"},\"priority\":\"A1\",\"memo\":\"\",\"dueText\":\"2008/05/10\"}]}\n";

TEST(TvqDumpMake, MakeWritesTheWorkedExampleAndDumpReadsIt) {
  TempDir dir;
  const auto made = RunTvq({"make", dir.File("w.tvq")}, kWorkedJson);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.err, "");
  EXPECT_EQ(ReadText(dir.File("w.tvq")), kWorkedExample);
  const auto dumped = RunTvq({"dump", dir.File("w.tvq")});
  EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
  EXPECT_EQ(dumped.out, kWorkedJson);
}

TEST(TvqDumpMake, DueTextFollowsTheLocale) {
  TempDir dir;
  const std::string json =
      "{\"tasks\":[{\"due\":{\"value\":73051}},{\"due\":{\"status\":2,\"value\":1}},"
      "{\"due\":{\"status\":1,\"value\":1}},{\"due\":{\"bits\":\"7ff8000000000000\"}}]}";
  ASSERT_EQ(RunTvq({"make", dir.File("d.tvq")}, json).exitCode, 0);
  const auto ja = RunTvq({"dump", dir.File("d.tvq")});
  EXPECT_NE(ja.out.find("\"dueText\":\"\xE6\x9C\x9F\xE9\x99\x90\xE3\x81\xAA\xE3\x81\x97\""), std::string::npos)
      << ja.out;
  EXPECT_NE(ja.out.find("\"status\":2,\"value\":1,\"bits\":\"3ff0000000000000\"},\"priority\":\"A\",\"memo\":\"\","
                        "\"dueText\":\"\"}"),
            std::string::npos);
  EXPECT_NE(ja.out.find("\"dueText\":\"Invalid DateTime\""), std::string::npos);
  EXPECT_NE(ja.out.find("\"value\":null,\"bits\":\"7ff8000000000000\""), std::string::npos);
  const auto en = RunTvq({"dump", dir.File("d.tvq")}, {}, {{"TARVELQUIST_LOCALE", "en_US"}});
  EXPECT_NE(en.out.find("\"dueText\":\"1/1/2100\""), std::string::npos) << en.out;
}

// A file of every awkward value: NUL, lone surrogates, control characters, NaN payloads, odd statuses, long
// strings; dump then make gives the same bytes.
TEST(TvqDumpMake, DumpThenMakeGivesTheSameBytes) {
  TempDir dir;
  {
    MessageBoxHandler quiet = AfxSetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    CTarvelquistDoc doc;
    const std::u16string subjects[] = {std::u16string(1, u'\0') + u"a", u"\xD800 lone", u"\xDFFF\xD800",
                                       u"\t\r\n\x1F\"\\/", std::u16string(70000, u'\u4EF6'), u""};
    const std::uint64_t bits[] = {0x7FF8000000000001ull, 0xFFF0000000000000ull, 0x8000000000000000ull,
                                  0x40E3535000000000ull, 0x0000000000000001ull, 0xFFFFFFFFFFFFFFFFull};
    const std::int32_t statuses[] = {0, 1, 2, 7, -1, 2147483647};
    TaskItem task;
    for (int i = 0; i < 6; ++i) {
      task.subject = CString(subjects[i]);
      task.dueDate = COleDateTime(DateFromBits(bits[i]), statuses[i]);
      task.priority = CString(subjects[(i + 1) % 6]);
      task.memo = CString(subjects[(i + 3) % 6]);
      TaskCommands(doc).Insert(doc.GetTaskCount(), task);
    }
    ASSERT_TRUE(doc.OnSaveDocument(CString::FromUtf8(dir.File("odd.tvq"))));
    AfxSetMessageBoxHandler(quiet);
  }
  const auto dumped = RunTvq({"dump", dir.File("odd.tvq")});
  ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
  const auto made = RunTvq({"make", dir.File("again.tvq")}, dumped.out);
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(ReadText(dir.File("again.tvq")), ReadText(dir.File("odd.tvq")));
}

TEST(TvqDumpMake, MissingFieldsTakeANewTasksValuesAndBitsWinOverValue) {
  TempDir dir;
  ASSERT_EQ(RunTvq({"make", dir.File("m.tvq")},
                   "{\"tasks\":[{}, {\"due\":{\"value\":1.5,\"bits\":\"40e3535000000000\",\"status\":7}}]}")
                .exitCode,
            0);
  const auto dumped = RunTvq({"dump", dir.File("m.tvq")});
  EXPECT_EQ(dumped.out.rfind("{\"tasks\":[{\"subject\":\"\xE4\xBB\xB6\xE5\x90\x8D\",\"due\":{\"status\":0,", 0), 0u)
      << dumped.out;
  EXPECT_NE(dumped.out.find("\"priority\":\"A\",\"memo\":\"\""), std::string::npos);
  EXPECT_NE(dumped.out.find("{\"status\":7,\"value\":39578.5,\"bits\":\"40e3535000000000\"}"), std::string::npos);
}

TEST(TvqDumpMake, EmptyFileAndEmptyListDumpAsNoTasks) {
  TempDir dir;
  WriteText(dir.File("empty.tvq"), "");
  WriteText(dir.File("zero.tvq"), std::string(4, '\0'));
  for (const char* name : {"empty.tvq", "zero.tvq"}) {
    const auto dumped = RunTvq({"dump", dir.File(name)});
    EXPECT_EQ(dumped.exitCode, 0);
    EXPECT_EQ(dumped.out, "{\"tasks\":[]}\n");
  }
  ASSERT_EQ(RunTvq({"make", dir.File("made.tvq")}, "{\"tasks\":[]}").exitCode, 0);
  EXPECT_EQ(ReadText(dir.File("made.tvq")), std::string(4, '\0'));
}

struct BadFile {
  std::string bytes;
  std::string message;
};

class TvqDumpBadFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(TvqDumpBadFile, PrintsTheWindowsMessageAndExitsOne) {
  TempDir dir;
  WriteText(dir.File("bad.tvq"), GetParam().bytes);
  const auto dumped = RunTvq({"dump", dir.File("bad.tvq")});
  EXPECT_EQ(dumped.exitCode, 1);
  EXPECT_EQ(dumped.out, "");
  EXPECT_EQ(dumped.err, GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Files, TvqDumpBadFile,
    ::testing::Values(BadFile{std::string(1, '\x01'), "Unexpected file format."},
                      BadFile{std::string("\x01\x00\x00", 3), "Unexpected file format."},
                      BadFile{kWorkedExample.substr(0, 35), "Unexpected file format."},
                      BadFile{std::string("\x01\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x80\x00\x00\x00\x00",
                                          19),
                              "Failed to open document."}));

TEST(TvqDumpMake, MissingFileNamesTheFile) {
  TempDir dir;
  const auto dumped = RunTvq({"dump", dir.File("absent.tvq")});
  EXPECT_EQ(dumped.exitCode, 1);
  EXPECT_EQ(dumped.err, dir.File("absent.tvq") + " was not found.\n");
}

TEST(TvqDumpMake, AFailedSaveExitsOneWithTheMessage) {
  TempDir dir;
  const auto made = RunTvq({"make", dir.File("no/such/folder/x.tvq")}, "{\"tasks\":[]}");
  EXPECT_EQ(made.exitCode, 1);
  EXPECT_EQ(made.err.find(dir.File("no/such/folder") + " was not found."), 0U) << made.err;
  EXPECT_EQ(made.err.find('\n'), made.err.size() - 1) << "one line";
}

class TvqMakeBadJson : public ::testing::TestWithParam<std::string> {};

// Bad input is refused with exit status 2 and a message with the place, and the existing file stays.
TEST_P(TvqMakeBadJson, ExitsTwoAndWritesNothing) {
  TempDir dir;
  WriteText(dir.File("keep.tvq"), kWorkedExample);
  const auto made = RunTvq({"make", dir.File("keep.tvq")}, GetParam());
  EXPECT_EQ(made.exitCode, 2);
  EXPECT_NE(made.err.find("line "), std::string::npos) << made.err;
  EXPECT_EQ(ReadText(dir.File("keep.tvq")), kWorkedExample);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, TvqMakeBadJson,
    ::testing::Values("", "[]", "{}", "{\"tasks\":{}}", "{\"tasks\":[],\"more\":1}", "{\"tasks\":[]} x",
                      "{\"tasks\":[{\"subject\":1}]}", "{\"tasks\":[{\"subject\":\"a\",\"subject\":\"b\"}]}",
                      "{\"tasks\":[{\"colour\":\"red\"}]}", "{\"tasks\":[{\"due\":{}}]}",
                      "{\"tasks\":[{\"due\":{\"value\":null}}]}", "{\"tasks\":[{\"due\":{\"value\":1e999}}]}",
                      "{\"tasks\":[{\"due\":{\"bits\":\"40e35350\"}}]}",
                      "{\"tasks\":[{\"due\":{\"bits\":\"40e353500000000g\"}}]}",
                      "{\"tasks\":[{\"due\":{\"value\":1,\"status\":2147483648}}]}",
                      "{\"tasks\":[{\"due\":{\"value\":1,\"status\":1.0}}]}", "{\"tasks\":[{},]}",
                      "{\"tasks\":[{\"dueText\":" + std::string(100000, '[') + "}]}",
                      "{\"tasks\":[{\"memo\":\"\xFF\"}]}"));

TEST(TvqDumpMake, UsageErrorsExitTwo) {
  EXPECT_EQ(RunTvq({}).exitCode, 2);
  EXPECT_EQ(RunTvq({"frobnicate"}).exitCode, 2);
  EXPECT_EQ(RunTvq({"dump"}).exitCode, 2);
  EXPECT_EQ(RunTvq({"dump", "a", "b"}).exitCode, 2);
  EXPECT_EQ(RunTvq({"dump", "--wide", "a"}).exitCode, 2);
  const auto missing = RunTvq({"make"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("Usage: tvq make FILE"), std::string::npos);
}

TEST(TvqDumpMake, HelpAndVersion) {
  const auto version = RunTvq({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "tvq 1.2.0.1\n");
  const auto help = RunTvq({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("dump"), std::string::npos);
  EXPECT_NE(help.out.find("make"), std::string::npos);
  const auto dumpHelp = RunTvq({"dump", "--help"});
  EXPECT_EQ(dumpHelp.exitCode, 0);
  EXPECT_EQ(dumpHelp.out.rfind("Usage: tvq dump FILE\n", 0), 0u);
}

TEST(TvqDumpMake, NeverTouchesTheSettings) {
  TempDir dir;
  TempDir config;
  ASSERT_EQ(::mkdir((config.Path() + "/VORNAKEL").c_str(), 0700), 0);
  const std::string settingsFile = config.Path() + "/VORNAKEL/Tarvelquist.conf";
  const std::string settings = "[Recent%20File%20List]\nFile_tvq=/somewhere/else.tvq\n";
  WriteText(settingsFile, settings);
  WriteText(dir.File("w.tvq"), kWorkedExample);
  struct stat before {};
  ASSERT_EQ(::stat(settingsFile.c_str(), &before), 0);
  const std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", config.Path()}};
  EXPECT_EQ(RunTvq({"dump", dir.File("w.tvq")}, {}, env).exitCode, 0);
  EXPECT_EQ(RunTvq({"dump", dir.File("missing.tvq")}, {}, env).exitCode, 1);
  EXPECT_EQ(RunTvq({"make", dir.File("n.tvq")}, kWorkedJson, env).exitCode, 0);
  EXPECT_EQ(ReadText(settingsFile), settings);
  struct stat after {};
  ASSERT_EQ(::stat(settingsFile.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

  TempDir fresh;
  EXPECT_EQ(RunTvq({"dump", dir.File("w.tvq")}, {}, {{"XDG_CONFIG_HOME", fresh.Path()}}).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(fresh.Path() + "/VORNAKEL"));
}

}  // namespace
