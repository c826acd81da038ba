// Another writer changed the file since the document read or wrote it: a save puts the document's list in
// the file and keeps the other version beside it under a free conflict name; a reload takes a new version only
// when it loads.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>

#include "doc/CTarvelquistDoc.h"
#include "doc/TaskCommands.h"
#include "platform/core/CFile.h"
#include "platform/core/CFileTestHooks.h"
#include "platform/core/CMirrorFile.h"
#include "tests/doc/DocTestSupport.h"

namespace doctest {
namespace {

using tvqtest::PathString;
using tvqtest::ReadFileBytes;
using tvqtest::TempDir;
using tvqtest::WriteFileBytes;

// A task with a fixed due date (a new task's default is now, which differs from call to call).
void Fix(TaskItem& task, std::u16string_view subject) {
  task.SetSubject(CString(subject));
  task.dueDate = COleDateTime(39578.5, COleDateTime::valid);
}

Bytes FileOf(std::initializer_list<std::u16string_view> subjects) {
  CTarvelquistDoc doc;
  TaskCommands commands(doc);
  for (const auto subject : subjects) {
    TaskItem task;
    Fix(task, subject);
    commands.Insert(doc.GetTaskCount(), task);
  }
  TempDir dir;
  EXPECT_TRUE(doc.OnSaveDocument(PathString(dir / "x.tvq")));
  return ReadFileBytes(dir / "x.tvq");
}

enum class Writer { rename, inPlace, atTheLastMoment };

class ConflictTest : public ::testing::TestWithParam<Writer> {
 protected:
  void TearDown() override { testhooks::SetFaultInjector({}); }

  std::vector<std::filesystem::path> Kept() const {
    std::vector<std::filesystem::path> kept;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
      if (entry.path() != m_file) kept.push_back(entry.path());
    }
    return kept;
  }

  static void WriteAsOtherWriter(const std::filesystem::path& file, const Bytes& bytes, Writer how) {
    if (how == Writer::inPlace) {
      WriteFileBytes(file, bytes);  // same inode, new bytes
      return;
    }
    const auto temporary = file.string() + ".other";
    WriteFileBytes(temporary, bytes);
    std::filesystem::rename(temporary, file);
  }

  TempDir m_dir;
  std::filesystem::path m_file = m_dir / "list.tvq";
  tvqtest::MessageRecorder m_messages;
};

TEST_P(ConflictTest, TheSaveKeepsTheOtherVersionBesideTheFile) {
  WriteFileBytes(m_file, FileOf({u"a"}));
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(PathString(m_file)));
  TaskItem mine;
  Fix(mine, u"mine");
  TaskCommands(doc).Insert(1, mine);
  const Bytes theirs = FileOf({u"theirs", u"too"});
  if (GetParam() == Writer::atTheLastMoment) {
    // A writer that takes no lock lands after the list is written, right before the rename.
    testhooks::SetFaultInjector([&](CFile::Operation op, const CString&) {
      if (op == CFile::Operation::flush) {
        testhooks::SetFaultInjector({});
        WriteAsOtherWriter(m_file, theirs, Writer::rename);
      }
      return 0;
    });
  } else {
    WriteAsOtherWriter(m_file, theirs, GetParam());
  }
  ASSERT_TRUE(doc.OnSaveDocument(PathString(m_file)));
  EXPECT_EQ(ReadFileBytes(m_file), FileOf({u"a", u"mine"}));
  const auto kept = Kept();
  ASSERT_EQ(kept.size(), 1U);
  EXPECT_EQ(ReadFileBytes(kept[0]), theirs);
  EXPECT_TRUE(std::regex_match(kept[0].filename().string(),
                               std::regex(R"(list \(conflict \d{4}-\d\d-\d\d \d{6}\)\.tvq)")))
      << kept[0];
  EXPECT_FALSE(doc.IsModified());
  // What the document wrote is now what it remembers: the next save keeps nothing more.
  doc.InsertTask(0);
  ASSERT_TRUE(doc.OnSaveDocument(PathString(m_file)));
  EXPECT_EQ(Kept().size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(Writers, ConflictTest,
                         ::testing::Values(Writer::rename, Writer::inPlace, Writer::atTheLastMoment),
                         [](const ::testing::TestParamInfo<Writer>& info) -> std::string {
                           switch (info.param) {
                             case Writer::rename: return "Rename";
                             case Writer::inPlace: return "InPlace";
                             case Writer::atTheLastMoment: return "AtTheLastMoment";
                           }
                           return "";
                         });

TEST_F(ConflictTest, AConflictNameInUseIsNeverOverwritten) {
  WriteFileBytes(m_file, FileOf({u"a"}));
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(PathString(m_file)));
  doc.InsertTask(0);
  WriteFileBytes(m_file, FileOf({u"theirs"}));
  // Someone has the first names of this second and the next taken already.
  const std::time_t now = std::time(nullptr);
  std::vector<std::filesystem::path> taken;
  for (std::time_t when : {now, now + 1}) {
    struct tm local {};
    ::localtime_r(&when, &local);
    const std::string name = AfxConflictFileName(PathString(m_file), local, 1).ToUtf8();
    WriteFileBytes(name, {0x42});
    taken.emplace_back(name);
  }
  ASSERT_TRUE(doc.OnSaveDocument(PathString(m_file)));
  for (const auto& name : taken) EXPECT_EQ(ReadFileBytes(name), Bytes{0x42});
  int withTheirs = 0;
  for (const auto& path : Kept()) {
    if (ReadFileBytes(path) != FileOf({u"theirs"})) continue;
    ++withTheirs;
    EXPECT_NE(path.filename().string().find(" 2).tvq"), std::string::npos) << path;
  }
  EXPECT_EQ(withTheirs, 1);
}

TEST(ConflictNameTest, NameTimeAndAttemptBeforeTheExtension) {
  struct tm when {};
  when.tm_year = 2024 - 1900;
  when.tm_mon = 4;
  when.tm_mday = 10;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 7;
  EXPECT_EQ(AfxConflictFileName(U(u"/d/list.tvq"), when, 1), U(u"/d/list (conflict 2024-05-10 090507).tvq"));
  EXPECT_EQ(AfxConflictFileName(U(u"/d/list.tvq"), when, 3), U(u"/d/list (conflict 2024-05-10 090507 3).tvq"));
  EXPECT_EQ(AfxConflictFileName(U(u"/d/notes"), when, 1), U(u"/d/notes (conflict 2024-05-10 090507)"));
  EXPECT_EQ(AfxConflictFileName(U(u"/.tvq"), when, 1), U(u"/.tvq (conflict 2024-05-10 090507)"));
  EXPECT_EQ(AfxConflictFileName(U(u"/d/a.b.tvq"), when, 1), U(u"/d/a.b (conflict 2024-05-10 090507).tvq"));
}

TEST(ReloadTest, ANewVersionIsTakenOnlyWhenItLoads) {
  TempDir dir;
  const auto file = dir / "list.tvq";
  WriteFileBytes(file, FileOf({u"one", u"two"}));
  tvqtest::MessageRecorder messages;
  CTarvelquistDoc doc;
  ASSERT_TRUE(doc.OnOpenDocument(PathString(file)));
  doc.SelectTask(0);  // the flows' exchange task now holds "one"
  EXPECT_FALSE(doc.IsFileChangedOnDisk());
  EXPECT_FALSE(doc.ReloadFromFile());  // nothing new

  // Cut short, then gone: nothing changes, nothing is said.
  Bytes cut = FileOf({u"three", u"four"});
  cut.pop_back();
  WriteFileBytes(file, cut);
  EXPECT_TRUE(doc.IsFileChangedOnDisk());
  EXPECT_FALSE(doc.ReloadFromFile());
  std::filesystem::remove(file);
  EXPECT_FALSE(doc.ReloadFromFile());
  ASSERT_EQ(doc.GetTaskCount(), 2);
  EXPECT_EQ(doc.TaskAt(1).subject, U(u"two"));
  EXPECT_TRUE(messages.messages.empty());

  WriteFileBytes(file, FileOf({u"three"}));
  EXPECT_TRUE(doc.ReloadFromFile());
  ASSERT_EQ(doc.GetTaskCount(), 1);
  EXPECT_EQ(doc.TaskAt(0).subject, U(u"three"));
  EXPECT_EQ(doc.GetWorkTask().subject, U(u"one"));  // the flows' exchange task is not the file's
  EXPECT_FALSE(doc.IsModified());
  EXPECT_FALSE(doc.IsFileChangedOnDisk());

  // The same bytes once more (a new inode): remembered, not reloaded.
  WriteFileBytes(dir / "copy", FileOf({u"three"}));
  std::filesystem::rename(dir / "copy", file);
  EXPECT_TRUE(doc.IsFileChangedOnDisk());
  EXPECT_FALSE(doc.ReloadFromFile());
  EXPECT_FALSE(doc.IsFileChangedOnDisk());
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace doctest
