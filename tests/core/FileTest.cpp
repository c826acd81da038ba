// Files and mirror files: failures as exceptions, share locks, replacing saves that keep the old file on
// every failure, and special files refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <filesystem>

#include "platform/core/CFile.h"
#include "platform/core/CFileTestHooks.h"
#include "platform/core/CMirrorFile.h"
#include "platform/core/FileLock.h"
#include "platform/core/Exceptions.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

using tvqtest::Bytes;
using tvqtest::PathString;
using tvqtest::ReadFileBytes;
using tvqtest::TempDir;
using tvqtest::WriteFileBytes;

namespace {

// Makes one kind of operation fail with an errno for the life of the object.
class ScopedFault {
 public:
  ScopedFault(CFile::Operation op, int errnoValue) {
    testhooks::SetFaultInjector([op, errnoValue](CFile::Operation current, const CString&) {
      return current == op ? errnoValue : 0;
    });
  }
  ~ScopedFault() { testhooks::SetFaultInjector({}); }
  ScopedFault(const ScopedFault&) = delete;
  ScopedFault& operator=(const ScopedFault&) = delete;
};

std::string Message(const CException& e) {
  CString text;
  EXPECT_TRUE(e.GetErrorMessage(text));
  return text.ToUtf8();
}

TEST(FileExceptionTest, ErrnoMapsToTheFrameworkCause) {
  const std::pair<int, CFileException::Cause> cases[] = {
      {ENOENT, CFileException::fileNotFound},      {ENOTDIR, CFileException::badPath},
      {ENAMETOOLONG, CFileException::badPath},     {ELOOP, CFileException::badPath},
      {EACCES, CFileException::accessDenied},      {EPERM, CFileException::accessDenied},
      {EROFS, CFileException::accessDenied},       {EISDIR, CFileException::accessDenied},
      {ENOSPC, CFileException::diskFull},          {EDQUOT, CFileException::diskFull},
      {EFBIG, CFileException::diskFull},           {EMFILE, CFileException::tooManyOpenFiles},
      {ENFILE, CFileException::tooManyOpenFiles},  {EIO, CFileException::hardIO},
      {EBUSY, CFileException::sharingViolation},   {ETXTBSY, CFileException::sharingViolation},
      {EWOULDBLOCK, CFileException::sharingViolation}, {EBADF, CFileException::invalidFile},
      {EINVAL, CFileException::genericException},  {EXDEV, CFileException::genericException},
  };
  for (const auto& [errnoValue, cause] : cases) {
    EXPECT_EQ(CFileException::OsErrorToCause(errnoValue), cause) << errnoValue;
  }
}

TEST(FileExceptionTest, EveryCauseHasItsMessage) {
  const std::pair<CFileException::Cause, const char*> cases[] = {
      {CFileException::genericException, "An unknown error occurred while accessing /d/f.tvq."},
      {CFileException::fileNotFound, "/d/f.tvq was not found."},
      {CFileException::badPath, "/d/f.tvq contains an invalid path."},
      {CFileException::tooManyOpenFiles, "/d/f.tvq could not be opened because there are too many open files."},
      {CFileException::accessDenied, "Access to /d/f.tvq was denied."},
      {CFileException::invalidFile, "An invalid file handle was associated with /d/f.tvq."},
      {CFileException::removeCurrentDir, "/d/f.tvq could not be removed because it is the current directory."},
      {CFileException::directoryFull, "/d/f.tvq could not be created because the directory is full."},
      {CFileException::badSeek, "Seek failed on /d/f.tvq"},
      {CFileException::hardIO, "A hardware I/O error was reported while accessing /d/f.tvq."},
      {CFileException::sharingViolation, "A sharing violation occurred while accessing /d/f.tvq."},
      {CFileException::lockViolation, "A locking violation occurred while accessing /d/f.tvq."},
      {CFileException::diskFull, "Disk full while accessing /d/f.tvq."},
      {CFileException::endOfFile, "An attempt was made to access /d/f.tvq past its end."},
  };
  for (const auto& [cause, text] : cases) {
    EXPECT_EQ(Message(CFileException(cause, 0, CString(u"/d/f.tvq"))), text);
  }
  EXPECT_EQ(Message(CMemoryException()), "Out of memory.");
  EXPECT_EQ(Message(CArchiveException(CArchiveException::endOfFile, CString(u"/x"))),
            "An attempt was made to access /x past its end.");
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override { CFile::SetLockWait(std::chrono::milliseconds(150)); }
  void TearDown() override {
    testhooks::SetFaultInjector({});
    CFile::SetLockWait(std::chrono::milliseconds(2000));
  }

  CFileException OpenFailure(const std::filesystem::path& path, UINT flags) {
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(PathString(path), flags, &error));
    EXPECT_FALSE(file.IsOpen());
    return error;
  }

  TempDir m_dir;
};

TEST_F(FileTest, OpenFailuresNameTheFullPath) {
  const auto missing = OpenFailure(m_dir / "missing.tvq", CFile::modeRead);
  EXPECT_EQ(missing.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(missing.m_lOsError, ENOENT);
  EXPECT_EQ(Message(missing), (m_dir / "missing.tvq").string() + " was not found.");

  WriteFileBytes(m_dir / "plain", {1});
  EXPECT_EQ(OpenFailure(m_dir / "plain" / "x.tvq", CFile::modeRead).m_cause, CFileException::badPath);
  EXPECT_EQ(OpenFailure(m_dir.Path(), CFile::modeRead).m_cause, CFileException::accessDenied);
  EXPECT_EQ(OpenFailure(m_dir.Path(), CFile::modeCreate | CFile::modeWrite).m_cause, CFileException::accessDenied);
}

TEST_F(FileTest, RelativeNamesBecomeAbsolute) {
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(m_dir.Path());
  const auto error = OpenFailure("sub/../nothing.tvq", CFile::modeRead);
  CFile file(CString(u"./made.tvq"), CFile::modeCreate | CFile::modeWrite);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(error.m_strFileName, PathString(m_dir / "nothing.tvq"));
  EXPECT_EQ(file.GetFilePath(), PathString(m_dir / "made.tvq"));
}

TEST_F(FileTest, ReadsWritesSeeksAndLength) {
  const auto path = m_dir / "data.bin";
  {
    CFile file(PathString(path), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("hello world", 11);
    EXPECT_EQ(file.GetLength(), 11U);
    EXPECT_EQ(file.GetPosition(), 11U);
    EXPECT_EQ(file.Seek(6, CFile::begin), 6U);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 16), 5U);  // fewer only at the end
    EXPECT_STREQ(buffer, "world");
    EXPECT_EQ(file.Read(buffer, 4), 0U);
    EXPECT_THROW(file.Seek(-100, CFile::current), CFileException);
    file.Close();
  }
  EXPECT_EQ(ReadFileBytes(path), (Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));
  CFile again(PathString(path), CFile::modeCreate | CFile::modeWrite);  // truncates
  EXPECT_EQ(again.GetLength(), 0U);
}

TEST_F(FileTest, InjectedFaultsBecomeFileExceptions) {
  const auto path = m_dir / "f.bin";
  WriteFileBytes(path, {1, 2, 3});
  {
    ScopedFault fault(CFile::Operation::open, EMFILE);
    EXPECT_EQ(OpenFailure(path, CFile::modeRead).m_cause, CFileException::tooManyOpenFiles);
  }
  CFile reader(PathString(path), CFile::modeRead);
  {
    ScopedFault fault(CFile::Operation::read, EIO);
    char buffer[3];
    try {
      reader.Read(buffer, 3);
      ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.m_cause, CFileException::hardIO);
      EXPECT_EQ(Message(e), "A hardware I/O error was reported while accessing " + path.string() + ".");
    }
  }
  CFile writer(PathString(m_dir / "w.bin"), CFile::modeCreate | CFile::modeWrite);
  {
    ScopedFault fault(CFile::Operation::write, ENOSPC);
    EXPECT_THROW(writer.Write("x", 1), CFileException);
  }
  writer.Write("x", 1);
  {
    ScopedFault fault(CFile::Operation::close, EIO);
    EXPECT_THROW(writer.Close(), CFileException);
  }
  EXPECT_FALSE(writer.IsOpen());
}

TEST_F(FileTest, ShareModesLockAgainstEachOther) {
  const auto path = m_dir / "shared.tvq";
  WriteFileBytes(path, {1});
  CFile reader(PathString(path), CFile::modeRead | CFile::shareDenyWrite);
  CFile secondReader(PathString(path), CFile::modeRead | CFile::shareDenyWrite);  // readers share
  const auto error = OpenFailure(path, CFile::modeReadWrite | CFile::shareExclusive);
  EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  EXPECT_EQ(Message(error), "A sharing violation occurred while accessing " + path.string() + ".");
  reader.Close();
  secondReader.Close();
  CFile writer(PathString(path), CFile::modeReadWrite | CFile::shareExclusive);
  EXPECT_EQ(OpenFailure(path, CFile::modeRead | CFile::shareDenyWrite).m_cause, CFileException::sharingViolation);
}

// ---- mirror files -------------------------------------------------------------------------------------------

class MirrorFileTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    WriteFileBytes(m_target, m_old);
    ::chmod(m_target.c_str(), 0640);
  }

  std::size_t FilesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(m_dir.Path()),
                                                  std::filesystem::directory_iterator()));
  }

  bool UnnamedFilesWork() const {
    const int fd = ::open(m_dir.Path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0) return false;
    ::close(fd);
    return true;
  }

  mode_t Mode(const std::filesystem::path& path) const {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
  }

  static constexpr UINT kSaveFlags = CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive;
  std::filesystem::path m_target = m_dir / "tasks.tvq";
  Bytes m_old{0x01, 0x00, 0x00, 0x00, 0xAA, 0xBB};
};

TEST_F(MirrorFileTest, SuccessReplacesTheFileAndKeepsItsPermissions) {
  CMirrorFile file;
  ASSERT_TRUE(file.Open(PathString(m_target), kSaveFlags));
  EXPECT_EQ(file.GetFilePath(), PathString(m_target));
  file.Write("new", 3);
  EXPECT_EQ(ReadFileBytes(m_target), m_old);  // nothing visible before Close
  // The bytes go to an unnamed file where the file system has them, so a killed save leaves nothing behind.
  EXPECT_EQ(FilesInFolder(), UnnamedFilesWork() ? 1U : 2U);
  file.Close();
  EXPECT_EQ(ReadFileBytes(m_target), (Bytes{'n', 'e', 'w'}));
  EXPECT_EQ(Mode(m_target), 0640U);
  EXPECT_EQ(FilesInFolder(), 1U);
}

// A save longer than several writeback steps, in pieces of every size, holds exactly what was written.
TEST_F(MirrorFileTest, ALongSaveInPiecesOfAnySizeIsWhole) {
  std::mt19937 random(18);
  Bytes written(3 * CMirrorFile::kWritebackStep + 12345);
  for (unsigned char& byte : written) byte = static_cast<unsigned char>(random());
  CMirrorFile file;
  ASSERT_TRUE(file.Open(PathString(m_target), kSaveFlags));
  for (std::size_t done = 0; done < written.size();) {
    const std::size_t piece = std::min<std::size_t>(random() % 200000 + 1, written.size() - done);
    file.Write(written.data() + done, static_cast<UINT>(piece));
    done += piece;
  }
  EXPECT_EQ(ReadFileBytes(m_target), m_old);
  file.Close();
  EXPECT_EQ(ReadFileBytes(m_target), written);
}

TEST_F(MirrorFileTest, SavingThroughALinkReplacesTheLinkedFile) {
  const auto link = m_dir / "link.tvq";
  std::filesystem::create_symlink(m_target, link);
  CMirrorFile file;
  ASSERT_TRUE(file.Open(PathString(link), kSaveFlags));
  EXPECT_EQ(file.GetFilePath(), PathString(link));
  file.Write("via", 3);
  file.Close();
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(m_target), (Bytes{'v', 'i', 'a'}));
  EXPECT_EQ(Mode(m_target), 0640U);
}

TEST_F(MirrorFileTest, NewFileGetsTheDefaultMode) {
  const mode_t mask = ::umask(022);
  const auto path = m_dir / "fresh.tvq";
  CMirrorFile file;
  ASSERT_TRUE(file.Open(PathString(path), kSaveFlags));
  file.Write("x", 1);
  file.Close();
  ::umask(mask);
  EXPECT_EQ(Mode(path), 0644U);
}

struct FailureCase {
  CFile::Operation op;
  int errnoValue;
  CFileException::Cause cause;
};

class MirrorFailureTest : public MirrorFileTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(MirrorFailureTest, FailureKeepsTheOldFileByteForByte) {
  const FailureCase& c = GetParam();
  CFileException caught;
  bool thrown = false;
  {
    CMirrorFile file;
    ASSERT_TRUE(file.Open(PathString(m_target), kSaveFlags));
    file.Write("partial", 7);
    ScopedFault fault(c.op, c.errnoValue);
    try {
      file.Write("more", 4);
      file.Close();
    } catch (const CFileException& e) {
      caught = e;
      thrown = true;
      file.Abort();
    }
  }
  ASSERT_TRUE(thrown);
  EXPECT_EQ(caught.m_cause, c.cause);
  EXPECT_EQ(caught.m_strFileName, PathString(m_target));  // the target, never the temporary file
  EXPECT_EQ(ReadFileBytes(m_target), m_old);
  EXPECT_EQ(Mode(m_target), 0640U);
  EXPECT_EQ(FilesInFolder(), 1U);  // the temporary file is gone
}

INSTANTIATE_TEST_SUITE_P(Operations, MirrorFailureTest,
                         ::testing::Values(FailureCase{CFile::Operation::write, ENOSPC, CFileException::diskFull},
                                           FailureCase{CFile::Operation::write, EIO, CFileException::hardIO},
                                           FailureCase{CFile::Operation::flush, EIO, CFileException::hardIO},
                                           FailureCase{CFile::Operation::flush, EDQUOT, CFileException::diskFull},
                                           FailureCase{CFile::Operation::close, EIO, CFileException::hardIO}));

TEST_F(MirrorFileTest, AbortAndDestructionDropTheTemporaryFile) {
  {
    CMirrorFile file;
    ASSERT_TRUE(file.Open(PathString(m_target), kSaveFlags));
    file.Write("x", 1);
    file.Abort();
  }
  {
    CMirrorFile file;
    ASSERT_TRUE(file.Open(PathString(m_target), kSaveFlags));
    file.Write("y", 1);
  }  // destroyed while open
  EXPECT_EQ(ReadFileBytes(m_target), m_old);
  EXPECT_EQ(FilesInFolder(), 1U);
}

TEST_F(MirrorFileTest, OpenFailsWhenTheTargetIsHeldOrTheFolderIsMissing) {
  {
    CFile reader(PathString(m_target), CFile::modeRead | CFile::shareDenyWrite);
    CMirrorFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(PathString(m_target), kSaveFlags, &error));
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  }
  CMirrorFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(PathString(m_dir / "no" / "such.tvq"), kSaveFlags, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_strFileName, PathString(m_dir / "no"));  // what is missing is the folder
  EXPECT_EQ(ReadFileBytes(m_target), m_old);
}

}  // namespace

// ---- files that are no regular files ------------------------------------------------------------------------

namespace {

class SpecialFileTest : public FileTest {
 protected:
  // Opening for reading and saving are both refused with "Access to ... was denied.", without blocking, and
  // leave the thing as it was (also when reached through a link).
  void ExpectRefused(const std::filesystem::path& path, std::filesystem::file_type type) {
    const auto started = std::chrono::steady_clock::now();
    const auto readError = OpenFailure(path, CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(readError.m_cause, CFileException::accessDenied) << path;
    EXPECT_EQ(Message(readError), "Access to " + path.string() + " was denied.");
    CMirrorFile mirror;
    CFileException saveError;
    EXPECT_FALSE(mirror.Open(PathString(path), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive,
                             &saveError));
    EXPECT_EQ(saveError.m_cause, CFileException::accessDenied) << path;
    CFile plain;
    EXPECT_FALSE(plain.Open(PathString(path), CFile::modeCreate | CFile::modeWrite));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(std::filesystem::symlink_status(path).type() == std::filesystem::file_type::symlink
                  ? std::filesystem::status(path).type()
                  : std::filesystem::symlink_status(path).type(),
              type);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), std::filesystem::directory_iterator()),
              m_entries);
  }

  std::ptrdiff_t m_entries = 0;
};

TEST_F(SpecialFileTest, FifoIsRefusedWithoutBlocking) {
  const auto fifo = m_dir / "f.tvq";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::filesystem::create_symlink(fifo, m_dir / "link.tvq");
  m_entries = 2;
  ExpectRefused(fifo, std::filesystem::file_type::fifo);
  ExpectRefused(m_dir / "link.tvq", std::filesystem::file_type::fifo);
}

TEST_F(SpecialFileTest, SocketIsRefused) {
  const auto path = m_dir / "s.tvq";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  m_entries = 1;
  ExpectRefused(path, std::filesystem::file_type::socket);
  ::close(fd);
}

TEST_F(SpecialFileTest, DeviceNodeIsNeverReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  const auto node = m_dir / "n.tvq";
  ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);  // the zero device
  std::filesystem::create_symlink(node, m_dir / "link.tvq");
  m_entries = 2;
  ExpectRefused(node, std::filesystem::file_type::character);
  ExpectRefused(m_dir / "link.tvq", std::filesystem::file_type::character);
}

TEST_F(MirrorFileTest, ADeviceSwappedInDuringTheSaveIsPutBack) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  CMirrorFile file;
  ASSERT_TRUE(file.Open(PathString(m_target), kSaveFlags));
  file.Write("new", 3);
  // Another program replaces the file by a device node after the save began.
  std::filesystem::remove(m_target);
  ASSERT_EQ(::mknod(m_target.c_str(), S_IFCHR | 0666, makedev(1, 5)), 0);
  try {
    file.Close();
    ADD_FAILURE() << "saved over a device";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
  }
  EXPECT_TRUE(std::filesystem::is_character_file(m_target));
  EXPECT_EQ(FilesInFolder(), 1U);
}

TEST_F(MirrorFileTest, AWriteBeyondTheFileSizeLimitIsDiskFullAndLeavesNothing) {
  // In a child process: the limit and the ignored signal must not reach the test runner.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AfxIgnoreFileSizeSignal();
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int status = 10;
    try {
      CMirrorFile file;
      if (file.Open(PathString(m_target), kSaveFlags)) {
        const std::string big(10000, 'x');
        file.Write(big.data(), static_cast<UINT>(big.size()));
        file.Close();
        status = 11;
      }
    } catch (const CFileException& e) {
      status = e.m_cause == CFileException::diskFull ? 0 : 12;
    }
    ::_exit(status);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFileBytes(m_target), m_old);
  EXPECT_EQ(FilesInFolder(), 1U);
}

}  // namespace

// ---- the writers' lock --------------------------------------------------------------------------------------

namespace {

using std::chrono::milliseconds;

TEST_F(FileTest, TheWritersLockFollowsTheFileThatThePathNames) {
  const auto path = m_dir / "list.tvq";
  const std::string native = path.string();
  // No file yet: the folder is locked, so a second creator waits.
  CFileLock first;
  ASSERT_EQ(first.Acquire(native, CFileLock::Mode::exclusive, milliseconds(0)), 0);
  EXPECT_TRUE(first.LocksFolder());
  CFileLock second;
  EXPECT_EQ(second.Acquire(native, CFileLock::Mode::exclusive, milliseconds(50)), EWOULDBLOCK);
  first.Release();

  WriteFileBytes(path, {1});
  ASSERT_EQ(first.Acquire(native, CFileLock::Mode::exclusive, milliseconds(0)), 0);
  EXPECT_FALSE(first.LocksFolder());
  EXPECT_EQ(second.Acquire(native, CFileLock::Mode::exclusive, milliseconds(50)), EWOULDBLOCK);
  // A writer renamed a new file over the locked one: the lock on the old inode says nothing about it.
  WriteFileBytes(m_dir / "new", {2});
  std::filesystem::rename(m_dir / "new", path);
  EXPECT_EQ(second.Acquire(native, CFileLock::Mode::exclusive, milliseconds(50)), 0);
  second.Release();
  first.Release();
}

TEST_F(FileTest, AWaitingWriterGetsTheLockWhenItIsReleased) {
  const auto path = m_dir / "list.tvq";
  WriteFileBytes(path, {1});
  auto holder = std::make_unique<CFileLock>();
  ASSERT_EQ(holder->Acquire(path.string(), CFileLock::Mode::exclusive, milliseconds(0)), 0);
  std::thread release([&holder] {
    std::this_thread::sleep_for(milliseconds(100));
    holder.reset();
  });
  CFileLock waiter;
  EXPECT_EQ(waiter.Acquire(path.string(), CFileLock::Mode::exclusive, milliseconds(5000)), 0);
  release.join();
}

TEST_F(FileTest, ALockHeldForTheProcessCoversItsOwnOpens) {
  const auto path = m_dir / "list.tvq";
  WriteFileBytes(path, {1});
  CFileLock held(true);
  ASSERT_EQ(held.Acquire(path.string(), CFileLock::Mode::exclusive, milliseconds(0)), 0);
  // For other processes it is a real lock.
  const int probe = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(probe, 0);
  EXPECT_NE(::flock(probe, LOCK_EX | LOCK_NB), 0);
  ::close(probe);
  {
    CFile reader(PathString(path), CFile::modeRead | CFile::shareDenyWrite);  // would wait for itself
    CMirrorFile writer;
    ASSERT_TRUE(writer.Open(PathString(path), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
    writer.Write("z", 1);
    writer.Close();
  }
  EXPECT_EQ(ReadFileBytes(path), Bytes{'z'});
}

}  // namespace
