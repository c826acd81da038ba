// tvq merge: a seeded random walk of files with conflict copies of the four kinds, look-alikes that are no
// copies and copies that do not load, checked against a model (the copies in name order merged one after
// another by the alignment rule, whose length is checked against a plain LCS table); then the names and the
// trash on their own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>

#include "cli/ConflictCopies.h"
#include "cli/TrashFile.h"
#include "doc/CTarvelquistDoc.h"
#include "doc/TaskAlign.h"
#include "tests/support/TaskLcs.h"
#include "doc/TaskCommands.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

namespace {

using clitest::RunTvq;
using tvqcli::ConflictCopyKind;
using tvqcli::ConflictCopyOf;
using tvqtest::ReadText;
using tvqtest::TempDir;
using TaskList = std::vector<const TaskItem*>;

std::string SavedBytes(const TaskList& tasks, const std::string& path) {
  CTarvelquistDoc doc;
  for (const TaskItem* task : tasks) TaskCommands(doc).Insert(doc.GetTaskCount(), *task);
  tvqtest::MessageRecorder messages;
  EXPECT_TRUE(doc.OnSaveDocument(CString::FromUtf8(path)));
  return ReadText(path);
}

std::string Digits(std::mt19937& random, int count) {
  std::string digits;
  for (int i = 0; i < count; ++i) digits.push_back(static_cast<char>('0' + random() % 10));
  return digits;
}

// A copy's name of the given kind for "list.tvq".
std::string CopyName(std::mt19937& random, ConflictCopyKind kind) {
  const std::string date = "20" + Digits(random, 2) + "-" + Digits(random, 2) + "-" + Digits(random, 2);
  switch (kind) {
    case ConflictCopyKind::ours:
      return "list (conflict " + date + " " + Digits(random, 6) + (random() % 3 ? "" : " 2") + ").tvq";
    case ConflictCopyKind::syncthing:
      return "list.sync-conflict-" + Digits(random, 8) + "-" + Digits(random, 6) + "-ABC" + Digits(random, 4) + ".tvq";
    case ConflictCopyKind::nextcloud:
      return "list (conflicted copy " + date + " " + Digits(random, 6) + ").tvq";
    case ConflictCopyKind::dropbox:
      return "list (Ma's Laptop's conflicted copy " + date + ").tvq";
  }
  return {};
}

// Names that look like copies of list.tvq and are not.
constexpr const char* kLookAlikes[] = {
    "lists (conflict 2024-01-01 120000).tvq", "list (conflict 2024-01-01 12000).tvq",
    "List (conflict 2024-01-01 120000).tvq", "list (conflict 2024-01-01 120000).tvq~",
    "list.sync-conflict-20240101-120000-.tvq", "list (conflicted copy 2024-01-01).tvq",
    "list ('s conflicted copy 2024-01-01).tvq", "list.tvq.sync-conflict-20240101-120000-ABCDEFG",
};

struct Copy {
  std::string name;
  std::string bytes;
  bool loads;
};

TEST(TvqMerge, RandomCopiesMergeAsTheModelSaysAndGoToTheTrash) {
  std::mt19937 random(1515);
  for (int round = 0; round < 30 && !HasFailure(); ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir dir;
    const std::string data = dir.File("data");
    const std::map<std::string, std::string> environment = {{"XDG_DATA_HOME", data}, {"HOME", dir.Path()}};
    const std::string work = dir.File("work");
    std::filesystem::create_directory(work);
    const std::string file = work + "/list.tvq";

    std::vector<std::unique_ptr<TaskItem>> pool;
    for (int k = 0; k < 6; ++k) {
      pool.push_back(std::make_unique<TaskItem>());
      pool.back()->subject = CString(std::u16string(1, static_cast<char16_t>(u'a' + random() % 5)));
      pool.back()->priority = CString(random() % 2 ? u"A1" : u"C3");
    }
    const auto draw = [&] {
      TaskList list;
      for (int n = static_cast<int>(random() % 7); n > 0; --n) list.push_back(pool[random() % pool.size()].get());
      return list;
    };
    const TaskList own = draw();
    const std::string ownBytes = SavedBytes(own, file);

    std::vector<Copy> copies;
    std::vector<TaskList> copyTasks;
    for (int k = static_cast<int>(random() % 4); k > 0; --k) {
      const std::string name = CopyName(random, static_cast<ConflictCopyKind>(random() % 4));
      if (std::any_of(copies.begin(), copies.end(), [&](const Copy& c) { return c.name == name; })) continue;
      const bool loads = random() % 5 != 0;
      const TaskList tasks = draw();
      copies.push_back({name, loads ? SavedBytes(tasks, work + "/" + name) : "not a task file", loads});
      if (!loads) tvqtest::WriteText(work + "/" + name, copies.back().bytes);
    }
    const std::string lookAlike = kLookAlikes[random() % std::size(kLookAlikes)];
    tvqtest::WriteText(work + "/" + lookAlike, ownBytes);

    // The model: copies in name order, merged one after another; those that do not load stay out.
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) { return a.name < b.name; });
    std::vector<std::unique_ptr<CTarvelquistDoc>> loaded;
    TaskList expected = own;
    bool anyUnloaded = false;
    for (const Copy& copy : copies) {
      if (!copy.loads) {
        anyUnloaded = true;
        continue;
      }
      loaded.push_back(std::make_unique<CTarvelquistDoc>());
      tvqtest::MessageRecorder messages;
      ASSERT_TRUE(loaded.back()->OnOpenDocument(CString::FromUtf8(work + "/" + copy.name)));
      TaskList theirs;
      for (int i = 0; i < loaded.back()->GetTaskCount(); ++i) theirs.push_back(&loaded.back()->TaskAt(i));
      TaskList next = MergeTaskLists(expected, theirs);
      EXPECT_EQ(next.size(), expected.size() + theirs.size() - static_cast<std::size_t>(tvqtest::TaskLcsLength(expected, theirs)));
      expected = std::move(next);
    }
    const std::string expectedBytes = SavedBytes(expected, dir.File("expected.tvq"));
    const int expectedExit = anyUnloaded ? 1 : 0;

    const auto listing = [&] {
      std::vector<std::string> names;
      for (const auto& entry : std::filesystem::directory_iterator(work)) names.push_back(entry.path().filename());
      std::sort(names.begin(), names.end());
      return names;
    };
    const std::vector<std::string> before = listing();
    const auto dry = RunTvq({"merge", file, "--dry-run"}, {}, environment);
    EXPECT_EQ(dry.exitCode, expectedExit) << dry.err;
    EXPECT_EQ(listing(), before);
    EXPECT_EQ(ReadText(file), ownBytes);
    EXPECT_FALSE(std::filesystem::exists(data));

    const auto merged = RunTvq({"merge", file}, {}, environment);
    EXPECT_EQ(merged.exitCode, expectedExit) << merged.err;
    std::string dryLines = dry.out;
    if (const std::size_t note = dryLines.rfind(" (dry run: nothing changed)"); note != std::string::npos) {
      dryLines.erase(note, std::string(" (dry run: nothing changed)").size());
    }
    EXPECT_EQ(dryLines, merged.out) << "the dry run prints what the merge does";
    EXPECT_EQ(ReadText(file), expectedBytes);
    EXPECT_EQ(ReadText(work + "/" + lookAlike), ownBytes) << "a look-alike is never touched";
    for (const Copy& copy : copies) {
      EXPECT_EQ(std::filesystem::exists(work + "/" + copy.name), !copy.loads) << copy.name;
      if (!copy.loads) continue;
      EXPECT_EQ(ReadText(data + "/Trash/files/" + copy.name), copy.bytes) << copy.name;
      EXPECT_NE(ReadText(data + "/Trash/info/" + copy.name + ".trashinfo").find("[Trash Info]\nPath=/"), std::string::npos);
    }

    const auto again = RunTvq({"merge", file}, {}, environment);
    EXPECT_EQ(again.exitCode, expectedExit);
    EXPECT_EQ(ReadText(file), expectedBytes) << "nothing more to do";
    if (!anyUnloaded) {
      EXPECT_EQ(again.out, file + ": no conflict copies to merge\n");
    }
  }
}

TEST(TvqMerge, OtherFilesByNameAndNeverTheFileItself) {
  TempDir dir;
  const std::map<std::string, std::string> environment = {{"XDG_DATA_HOME", dir.File("data")}, {"HOME", dir.Path()}};
  TaskItem a, b;
  a.subject = CString(u"a");
  b.subject = CString(u"b");
  const std::string file = dir.File("list.tvq");
  const std::string own = SavedBytes({&a}, file);
  const std::string other = SavedBytes({&b, &a}, dir.File("from phone.tvq"));
  SavedBytes({&b}, dir.File("list (conflict 2024-01-01 120000).tvq"));

  const auto itself = RunTvq({"merge", file, dir.Path() + "/./list.tvq"}, {}, environment);
  EXPECT_EQ(itself.exitCode, 2);
  EXPECT_EQ(ReadText(file), own);

  const auto merged = RunTvq({"merge", file, dir.File("from phone.tvq")}, {}, environment);
  ASSERT_EQ(merged.exitCode, 0) << merged.err;
  EXPECT_EQ(merged.out, dir.File("from phone.tvq") + ": 2 tasks, 1 added\n" + file + ": 2 tasks, 1 kept, 1 added from 1 copy\n");
  EXPECT_EQ(ReadText(file), SavedBytes({&b, &a}, dir.File("expected.tvq")));
  EXPECT_EQ(ReadText(dir.File("data/Trash/files/from phone.tvq")), other);
  EXPECT_TRUE(std::filesystem::exists(dir.File("list (conflict 2024-01-01 120000).tvq"))) << "only the files named";
}

TEST(ConflictCopies, TheFourKindsWithExactlyTheFilesNameAndNothingElse) {
  struct Case {
    const char* file;
    const char* copy;
    std::optional<ConflictCopyKind> kind;
  };
  const Case cases[] = {
      {"list.tvq", "list (conflict 2024-05-10 090507).tvq", ConflictCopyKind::ours},
      {"list.tvq", "list (conflict 2024-05-10 090507 3).tvq", ConflictCopyKind::ours},
      {"a.b.tvq", "a.b (conflict 2024-05-10 090507).tvq", ConflictCopyKind::ours},
      {"notes", "notes (conflict 2024-05-10 090507)", ConflictCopyKind::ours},
      {"list.tvq", "list.sync-conflict-20240510-090507-7QZ2XKM.tvq", ConflictCopyKind::syncthing},
      {"list.tvq", "list (conflicted copy 2024-05-10 090507).tvq", ConflictCopyKind::nextcloud},
      {"list.tvq", "list (Ma's MacBook's conflicted copy 2024-05-10).tvq", ConflictCopyKind::dropbox},
      {"list.tvq", "list.tvq", std::nullopt},
      {"list.tvq", "list (conflict 2024-05-10 090507 0).tvq", std::nullopt},
      {"list.tvq", "list (conflict 2024-05-10 090507).tvq.tmp", std::nullopt},
      {"list.tvq", "list (conflict 2024-5-10 090507).tvq", std::nullopt},
      {"list.tvq", "xlist (conflict 2024-05-10 090507).tvq", std::nullopt},
      {"list.tvq", "list (conflict 2024-05-10 090507).TVQ", std::nullopt},
      {"list.tvq", "list.sync-conflict-20240510-090507.tvq", std::nullopt},
      {"list.tvq", "list.sync-conflict-20240510-090507-7Q Z.tvq", std::nullopt},
      {"list.tvq", "list (conflicted copy 2024-05-10 090507) .tvq", std::nullopt},
      {"list.tvq", "list ('s conflicted copy 2024-05-10).tvq", std::nullopt},
      {"list.tvq", "list (host's conflicted copy 2024-05-10 090507).tvq", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ConflictCopyOf(c.file, c.copy), c.kind) << c.copy;
}

TEST(TrashFile, TheHomeTrashTakesTheFileWithItsInfoUnderAFreeName) {
  TempDir dir;
  const std::string data = dir.File("data");
  const std::string old = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  std::filesystem::create_directories(dir.File("a b"));
  std::filesystem::create_directories(dir.File("c"));
  tvqtest::WriteText(dir.File("a b/x%.tvq"), "first");
  tvqtest::WriteText(dir.File("c/x%.tvq"), "second");
  EXPECT_EQ(tvqcli::TrashFile(dir.File("a b/x%.tvq")), data + "/Trash");
  EXPECT_EQ(tvqcli::TrashFile(dir.File("c/x%.tvq")), data + "/Trash");
  EXPECT_FALSE(std::filesystem::exists(dir.File("a b/x%.tvq")));
  EXPECT_EQ(ReadText(data + "/Trash/files/x%.tvq"), "first");
  EXPECT_EQ(ReadText(data + "/Trash/files/x%.2.tvq"), "second");
  const std::string info = ReadText(data + "/Trash/info/x%.tvq.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + dir.Path() + "/a%20b/x%25.tvq\nDeletionDate=", 0), 0u) << info;
  EXPECT_EQ(info.size(), std::string("[Trash Info]\nPath=" + dir.Path() + "/a%20b/x%25.tvq\nDeletionDate=").size() + 20);
  EXPECT_THROW(tvqcli::TrashFile(dir.File("missing.tvq")), tvqcli::TrashError);
  EXPECT_FALSE(std::filesystem::exists(data + "/Trash/info/missing.tvq.trashinfo")) << "no info without its file";
  if (old.empty()) {
    unsetenv("XDG_DATA_HOME");
  } else {
    setenv("XDG_DATA_HOME", old.c_str(), 1);
  }
}

TEST(TrashFile, AnotherFileSystemUsesItsOwnTrashAtItsTop) {
  struct stat shm {}, tmp {};
  TempDir dir;
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.Path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev ||
      ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second writable file system at /dev/shm";
  }
  const std::string old = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
  const std::string folder = "/dev/shm/tvq-trash-test-" + std::to_string(::getpid());
  std::filesystem::create_directory(folder);
  tvqtest::WriteText(folder + "/x.tvq", "bytes");
  const std::string trash = "/dev/shm/.Trash-" + std::to_string(::getuid());
  const bool trashExisted = std::filesystem::exists(trash);
  std::string used;
  try {
    used = tvqcli::TrashFile(folder + "/x.tvq");
  } catch (const tvqcli::TrashError& error) {
    ADD_FAILURE() << error.what();
  }
  // The shared .Trash/UID when an administrator made one, else .Trash-UID.
  if (used == trash) {
    EXPECT_NE(ReadText(trash + "/info/x.tvq.trashinfo").find("\nPath=tvq-trash-test-"), std::string::npos)
        << "a volume's trash records the path from the volume's top";
  }
  EXPECT_TRUE(used == trash || used == "/dev/shm/.Trash/" + std::to_string(::getuid())) << used;
  EXPECT_FALSE(std::filesystem::exists(folder + "/x.tvq"));
  std::filesystem::remove(used + "/files/x.tvq");
  std::filesystem::remove(used + "/info/x.tvq.trashinfo");
  if (!trashExisted && used == trash) std::filesystem::remove_all(trash);
  std::filesystem::remove_all(folder);
  if (old.empty()) {
    unsetenv("XDG_DATA_HOME");
  } else {
    setenv("XDG_DATA_HOME", old.c_str(), 1);
  }
}

}  // namespace
