// One instance per user: which start is first, what a later start does with every kind of answer (and with
// silence), what lies in the way at the socket's name, which folders are trusted, other users on either end of
// the socket, and the running window brought to the front with its open dialog still in front of it.
// Another user is played by a forked child that root turns into "nobody"; those tests are skipped otherwise.
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <latch>
#include <thread>

#include <QApplication>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/ui/AfxWin.h"
#include "platform/ui/SingleInstance.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"

namespace apptest {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Outcome = CSingleInstance::Outcome;

constexpr uid_t kOtherUser = 65534;  // nobody
// The program's name for its lock's folder and socket.
const QString kName = QStringLiteral("lists");

#define SKIP_UNLESS_ROOT()                                                                          \
  if (::geteuid() != 0) {                                                                           \
    GTEST_SKIP() << "needs root, to play another user in a forked child (setresuid); not run here"; \
  }

std::chrono::milliseconds Since(Clock::time_point started) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
}

sockaddr_un Address(const QString& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray bytes = QFile::encodeName(path);
  std::memcpy(address.sun_path, bytes.constData(), std::min<std::size_t>(bytes.size(), sizeof address.sun_path - 1));
  return address;
}

// A socket at `path` that listens and never takes a connection: connecting works, no answer ever comes.
int SilentListener(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const sockaddr_un address = Address(path);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
    ADD_FAILURE() << "cannot listen at " << path.toStdString();
  }
  return fd;
}

// In a forked child of this threaded process: system calls only from here on.
void BecomeOtherUser() {
  if (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
      ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0) {
    ::_exit(90);
  }
}

// A child process listening at `path` that answers every request with `answer`. The socket is bound as this
// user; with `foreign` the child then becomes another user before it listens (the kernel records the user of
// listen() as the peer that connecting clients see).
class ListenerProcess {
 public:
  ListenerProcess(const QString& path, bool foreign, const char* answer) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    const sockaddr_un address = Address(path);
    const std::size_t answerSize = std::strlen(answer);
    m_pid = ::fork();
    if (m_pid == 0) {
      ::close(ready[0]);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ::_exit(91);
      if (foreign) BecomeOtherUser();
      if (::listen(fd, 8) != 0) ::_exit(92);
      [[maybe_unused]] const auto told = ::write(ready[1], "r", 1);
      while (true) {
        const int client = ::accept(fd, nullptr, nullptr);
        if (client < 0) continue;
        char request[64];
        [[maybe_unused]] const auto read = ::read(client, request, sizeof request);
        [[maybe_unused]] const auto written = ::write(client, answer, answerSize);
        ::close(client);
      }
    }
    ::close(ready[1]);
    pollfd waiting{ready[0], POLLIN, 0};
    char byte = 0;
    m_ready = m_pid > 0 && ::poll(&waiting, 1, 5000) == 1 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  ~ListenerProcess() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
  }
  ListenerProcess(const ListenerProcess&) = delete;
  ListenerProcess& operator=(const ListenerProcess&) = delete;
  bool Ready() const { return m_ready; }

 private:
  pid_t m_pid = -1;
  bool m_ready = false;
};

// What a child process (another user with `foreign`) hears when it asks the listener at `path` to raise its
// window, while this thread's loop lets the listener answer: 1 answered, 0 closed without an answer, 10 could
// not connect, 11 neither answered nor closed, -1 the child did not end.
int AskFromChildProcess(const QString& path, bool foreign) {
  const sockaddr_un address = Address(path);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (foreign) BecomeOtherUser();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ::_exit(10);
    [[maybe_unused]] const auto sent =
        ::write(fd, CSingleInstance::kRaiseRequest, std::strlen(CSingleInstance::kRaiseRequest));
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, 3000) != 1) ::_exit(11);
    char answer[16];
    ::_exit(::read(fd, answer, sizeof answer) > 0 ? 1 : 0);
  }
  const auto started = Clock::now();
  while (Since(started) < 10s) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(5ms);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

// Starts `instance` as the running one: its window handler counts the requests and answers `shown`.
Outcome StartCounting(CSingleInstance& instance, std::atomic<int>& asked, bool shown) {
  return instance.Start([&asked, shown] {
    ++asked;
    return shown;
  });
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  const QString m_exe = QStringLiteral("/opt/lists/bin/lists");
  QTemporaryDir m_runtime;

  QString SocketPath() const { return CSingleInstance::LockNameFor(kName, m_exe, m_runtime.path()); }
  QString LockPath() const { return SocketPath() + QStringLiteral(".lock"); }

  // A later start on another thread, while this thread's loop lets the running instance answer.
  Outcome StartFromAnotherThread(int tries, std::chrono::milliseconds pause,
                                 std::chrono::milliseconds* spent = nullptr) {
    const auto started = Clock::now();
    auto outcome = std::async(std::launch::async, [this, tries, pause] {
      CSingleInstance later(kName, m_exe, m_runtime.path());
      const Outcome result = later.Start({}, tries, pause);
      EXPECT_EQ(later.HoldsLock(), result == Outcome::first);
      return result;
    });
    while (outcome.wait_for(5ms) != std::future_status::ready) QCoreApplication::processEvents();
    if (spent) *spent = Since(started);
    return outcome.get();
  }
};

TEST_F(SingleInstanceTest, TheLockNameComesFromTheProgramsNameAndThePathWithBackslashesAsSlashes) {
  const QString dir = m_runtime.path();
  EXPECT_EQ(CSingleInstance::LockNameFor(kName, QStringLiteral("C:\\Program Files\\tarvelquist"), dir),
            CSingleInstance::LockNameFor(kName, QStringLiteral("C:/Program Files/tarvelquist"), dir));
  EXPECT_NE(CSingleInstance::LockNameFor(kName, QStringLiteral("/a/tarvelquist"), dir),
            CSingleInstance::LockNameFor(kName, QStringLiteral("/b/tarvelquist"), dir));
  const QString name = CSingleInstance::LockNameFor(kName, m_exe, dir);
  EXPECT_TRUE(name.startsWith(dir + u'/' + kName + u'-' + QString::number(::geteuid()) + u'-')) << name.toStdString();
  EXPECT_NE(name, CSingleInstance::LockNameFor(QStringLiteral("other"), m_exe, dir));
}

TEST(SingleInstanceNameTest, TheNameOfAnApplicationIsOnePlainFileName) {
  EXPECT_EQ(CSingleInstance::NameOf(QStringLiteral("Tarvelquist")), QStringLiteral("tarvelquist"));
  EXPECT_EQ(CSingleInstance::NameOf(QStringLiteral("My List 2.0")), QStringLiteral("my_list_2.0"));
  // Nothing of it can name another folder or reach outside the lock's.
  EXPECT_EQ(CSingleInstance::NameOf(QStringLiteral("../a/b\\c")), QStringLiteral(".._a_b_c"));
  EXPECT_EQ(CSingleInstance::NameOf(QString::fromUtf16(u"件名\u00c4")), QStringLiteral("___"));
}

TEST_F(SingleInstanceTest, TheFirstStartRunsAtOnceAndALaterOneRaisesItsWindow) {
  CSingleInstance running(kName, m_exe, m_runtime.path());
  std::atomic<int> asked{0};
  const auto started = Clock::now();
  ASSERT_EQ(StartCounting(running, asked, true), Outcome::first);
  EXPECT_LT(Since(started), 500ms);
  EXPECT_TRUE(running.HoldsLock());
  EXPECT_TRUE(running.IsListening());

  EXPECT_EQ(StartFromAnotherThread(40, 250ms), Outcome::raised);
  EXPECT_EQ(asked.load(), 1);
}

TEST_F(SingleInstanceTest, WhileTheRunningInstanceHasNoWindowALaterStartAsksAgainAndThenEnds) {
  CSingleInstance running(kName, m_exe, m_runtime.path());
  std::atomic<int> asked{0};
  ASSERT_EQ(StartCounting(running, asked, false), Outcome::first);
  std::chrono::milliseconds spent{};
  EXPECT_EQ(StartFromAnotherThread(5, 40ms, &spent), Outcome::unanswered);
  EXPECT_EQ(asked.load(), 5);
  EXPECT_GE(spent, 4 * 40ms);
}

// What a crashed instance, the user or anything else of this user's may leave at the socket's name: the first
// start replaces it at once, and a later start then reaches that first one.
TEST_F(SingleInstanceTest, WhateverLiesAtTheSocketsNameTheFirstStartTakesItOver) {
  enum class Obstacle { staleSocket, emptyFolder, file, silentListener };
  for (const Obstacle obstacle :
       {Obstacle::staleSocket, Obstacle::emptyFolder, Obstacle::file, Obstacle::silentListener}) {
    SCOPED_TRACE(static_cast<int>(obstacle));
    QTemporaryDir folder;
    m_runtime.swap(folder);
    int listener = -1;
    switch (obstacle) {
      case Obstacle::staleSocket:
        ::close(SilentListener(SocketPath()));
        break;
      case Obstacle::emptyFolder:
        ASSERT_TRUE(QDir().mkdir(SocketPath()));
        break;
      case Obstacle::file:
        WriteFile(SocketPath(), QByteArray("not a socket"));
        break;
      case Obstacle::silentListener:
        listener = SilentListener(SocketPath());
        break;
    }
    {
      CSingleInstance first(kName, m_exe, m_runtime.path());
      const auto started = Clock::now();
      ASSERT_EQ(first.Start([] { return true; }), Outcome::first);
      EXPECT_LT(Since(started), 500ms);
      EXPECT_TRUE(first.IsListening());
      EXPECT_EQ(StartFromAnotherThread(40, 250ms), Outcome::raised);
    }
    if (listener >= 0) ::close(listener);
  }
}

// A held lock decides: whatever does or does not answer at the socket, a later start never runs as a second
// instance, and it gives up within about a second.
TEST_F(SingleInstanceTest, WhileTheLockIsHeldALaterStartEndsWithinASecondWhateverAnswers) {
  enum class Socket { none, silentListener, unremovableFolder };
  for (const Socket socket : {Socket::none, Socket::silentListener, Socket::unremovableFolder}) {
    SCOPED_TRACE(static_cast<int>(socket));
    QTemporaryDir folder;
    m_runtime.swap(folder);
    std::unique_ptr<CInstanceLock> holder;
    std::unique_ptr<CSingleInstance> running;
    int listener = -1;
    switch (socket) {
      case Socket::none:
        holder = std::make_unique<CInstanceLock>(kName, m_runtime.path());
        ASSERT_EQ(holder->TryTake(LockPath()), CInstanceLock::Take::taken);
        break;
      case Socket::silentListener:
        holder = std::make_unique<CInstanceLock>(kName, m_runtime.path());
        ASSERT_EQ(holder->TryTake(LockPath()), CInstanceLock::Take::taken);
        listener = SilentListener(SocketPath());
        break;
      case Socket::unremovableFolder:
        // The running instance could not put its socket there; it runs, holding the lock, unreachable.
        ASSERT_TRUE(QDir().mkpath(SocketPath() + QStringLiteral("/inside")));
        running = std::make_unique<CSingleInstance>(kName, m_exe, m_runtime.path());
        ASSERT_EQ(running->Start([] { return true; }), Outcome::first);
        EXPECT_FALSE(running->IsListening());
        break;
    }
    std::chrono::milliseconds spent{};
    EXPECT_EQ(StartFromAnotherThread(40, 250ms, &spent), Outcome::unanswered);
    EXPECT_LT(spent, 1500ms);
    if (listener >= 0) ::close(listener);
  }
}

TEST_F(SingleInstanceTest, AStartAfterTheRunningInstanceHasEndedRuns) {
  {
    CSingleInstance running(kName, m_exe, m_runtime.path());
    ASSERT_EQ(running.Start([] { return true; }), Outcome::first);
  }
  EXPECT_FALSE(QFile::exists(SocketPath()));
  // The lock file stays; one that others could open (and hold) is closed to them again.
  const QByteArray lock = QFile::encodeName(LockPath());
  ASSERT_EQ(::chmod(lock.constData(), 0644), 0);
  CSingleInstance next(kName, m_exe, m_runtime.path());
  EXPECT_EQ(next.Start([] { return true; }), Outcome::first);
  struct stat info {};
  ASSERT_EQ(::stat(lock.constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// The lock file is never removed (a start holding the old one and a start making a new one would both hold
// "the" lock), so one that is not a plain file of this user's is refused, without waiting on it.
TEST_F(SingleInstanceTest, ALockFileThatIsNotAPlainFileOfThisUsersIsRefused) {
  const QByteArray lock = QFile::encodeName(LockPath());
  const QString elsewhere = m_runtime.filePath(QStringLiteral("elsewhere"));
  WriteFile(elsewhere, QByteArray());
  const std::vector<std::function<bool()>> obstacles = {
      [&] { return QDir().mkdir(LockPath()); },
      [&] { return QFile::link(elsewhere, LockPath()); },
      [&] { return ::mkfifo(lock.constData(), 0600) == 0; },
  };
  for (std::size_t i = 0; i < obstacles.size(); ++i) {
    SCOPED_TRACE(i);
    ::rmdir(lock.constData());
    ::unlink(lock.constData());
    ASSERT_TRUE(obstacles[i]());
    CSingleInstance start(kName, m_exe, m_runtime.path());
    const auto started = Clock::now();
    EXPECT_EQ(start.Start([] { return true; }), Outcome::unsafe);
    EXPECT_LT(Since(started), 500ms);
    EXPECT_TRUE(start.Problem().contains(LockPath())) << start.Problem().toStdString();
    EXPECT_FALSE(QFile::exists(SocketPath()));
  }
}

TEST_F(SingleInstanceTest, OfManyStartsAtOnceExactlyOneTakesTheLock) {
  constexpr int kStarts = 8;
  for (int round = 0; round < 40; ++round) {
    std::vector<std::unique_ptr<CInstanceLock>> locks;
    for (int i = 0; i < kStarts; ++i) locks.push_back(std::make_unique<CInstanceLock>(kName, m_runtime.path()));
    std::latch go(kStarts);
    std::atomic<int> taken{0};
    std::atomic<int> held{0};
    std::vector<std::thread> starts;
    for (auto& lock : locks) {
      starts.emplace_back([&, lock = lock.get()] {
        go.arrive_and_wait();
        const auto take = lock->TryTake(LockPath());
        if (take == CInstanceLock::Take::taken) ++taken;
        if (take == CInstanceLock::Take::held) ++held;
      });
    }
    for (std::thread& start : starts) start.join();
    ASSERT_EQ(taken.load(), 1) << "round " << round;
    ASSERT_EQ(held.load(), kStarts - 1) << "round " << round;
  }
}

// ---- the folder -----------------------------------------------------------------------------------------

class InstanceFolderChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_temp.isValid());
    ASSERT_TRUE(QDir().mkpath(Temp()));
    ASSERT_TRUE(QDir().mkpath(Runtime()));
    ASSERT_EQ(::chmod(QFile::encodeName(Runtime()).constData(), 0700), 0);
    m_tmpdir = std::make_unique<tvqtest::ScopedEnv>("XDG_CACHE_HOME", Temp().toStdString());
    m_runtimeEnv = std::make_unique<tvqtest::ScopedEnv>("XDG_RUNTIME_DIR", Runtime().toStdString());
  }
  void TearDown() override {
    m_runtimeEnv.reset();
    m_tmpdir.reset();
  }

  QString Temp() const { return m_temp.filePath(QStringLiteral("cache")); }  // the user's cache folder
  QString Runtime() const { return m_temp.filePath(QStringLiteral("runtime")); }
  QString Own() const { return Temp() + u'/' + kName; }

  QTemporaryDir m_temp;
  std::unique_ptr<tvqtest::ScopedEnv> m_tmpdir;
  std::unique_ptr<tvqtest::ScopedEnv> m_runtimeEnv;
};

TEST_F(InstanceFolderChoiceTest, TheRuntimeFolderWhenItIsSafeElseAPrivateFolderInTheCacheFolder) {
  // Others may look into the runtime folder, not write to it.
  for (const mode_t mode : {0700, 0755}) {
    ASSERT_EQ(::chmod(QFile::encodeName(Runtime()).constData(), mode), 0);
    EXPECT_EQ(CInstanceLock(kName).Folder(), Runtime());
  }
  EXPECT_FALSE(QFile::exists(Own()));

  ASSERT_EQ(::chmod(QFile::encodeName(Runtime()).constData(), 0777), 0);
  const CInstanceLock lock(kName);
  EXPECT_EQ(lock.Folder(), Own());
  struct stat info {};
  ASSERT_EQ(::lstat(QFile::encodeName(Own()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_EQ(info.st_uid, ::geteuid());

  tvqtest::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  const QString exe = QStringLiteral("/opt/lists/bin/lists");
  CSingleInstance instance(kName, exe);
  EXPECT_TRUE(CSingleInstance::LockNameFor(kName, exe, {}).startsWith(Own() + u'/' + kName + u'-'));
  EXPECT_EQ(instance.Start([] { return true; }), Outcome::first);
}

// A cache folder that does not exist yet is made, closed to others; what others may plant in the shared
// temporary folder plays no part.
TEST_F(InstanceFolderChoiceTest, AMissingCacheFolderIsMadePrivate) {
  tvqtest::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  const QString cache = m_temp.filePath(QStringLiteral("new-cache"));
  tvqtest::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.toStdString());
  const QString planted = QDir::tempPath() + u'/' + kName + u'-' + QString::number(::geteuid());
  const CInstanceLock lock(kName);
  EXPECT_EQ(lock.Folder(), cache + u'/' + kName);
  EXPECT_NE(lock.Folder(), planted);
  struct stat info {};
  ASSERT_EQ(::lstat(QFile::encodeName(cache).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 077, 0u);
}

// A folder at the private folder's name that is a link, open to others or of another user is never used, and
// nothing is put in it (the program then starts without the guarantee, saying so).
TEST_F(InstanceFolderChoiceTest, AnUnsafePrivateFolderIsRefusedAndNothingIsPutInIt) {
  tvqtest::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  const QByteArray own = QFile::encodeName(Own());
  const QString elsewhere = m_temp.filePath(QStringLiteral("elsewhere"));
  ASSERT_TRUE(QDir().mkdir(elsewhere));
  ASSERT_EQ(::chmod(QFile::encodeName(elsewhere).constData(), 0700), 0);

  enum class Unsafe { openToOthers, link, otherUser, parentNotSticky };
  for (const Unsafe unsafe : {Unsafe::openToOthers, Unsafe::link, Unsafe::otherUser, Unsafe::parentNotSticky}) {
    SCOPED_TRACE(static_cast<int>(unsafe));
    if (unsafe == Unsafe::otherUser && ::geteuid() != 0) continue;  // only root can give a folder away
    QDir(Own()).removeRecursively();
    ::unlink(own.constData());
    ASSERT_EQ(::chmod(QFile::encodeName(Temp()).constData(), 0755), 0);
    switch (unsafe) {
      case Unsafe::openToOthers:  // even only to look into
        ASSERT_EQ(::mkdir(own.constData(), 0700), 0);
        ASSERT_EQ(::chmod(own.constData(), 0755), 0);
        break;
      case Unsafe::link:
        ASSERT_TRUE(QFile::link(elsewhere, Own()));
        break;
      case Unsafe::otherUser:
        ASSERT_EQ(::mkdir(own.constData(), 0700), 0);
        ASSERT_EQ(::chown(own.constData(), kOtherUser, kOtherUser), 0);
        break;
      case Unsafe::parentNotSticky:
        ASSERT_EQ(::chmod(QFile::encodeName(Temp()).constData(), 0777), 0);
        break;
    }
    const QString exe = QStringLiteral("/opt/lists/bin/lists");
    CSingleInstance instance(kName, exe);
    EXPECT_TRUE(CSingleInstance::LockNameFor(kName, exe, {}).isEmpty());
    EXPECT_EQ(instance.Start([] { return true; }), Outcome::unsafe);
    EXPECT_FALSE(instance.HoldsLock());
    EXPECT_TRUE(instance.Problem().contains(unsafe == Unsafe::parentNotSticky ? Temp() : Own()))
        << instance.Problem().toStdString();
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    if (QFileInfo(Own()).isDir() && !QFileInfo(Own()).isSymLink()) {
      EXPECT_TRUE(QDir(Own()).isEmpty());
    }
  }
  ASSERT_EQ(::chmod(QFile::encodeName(Temp()).constData(), 0755), 0);
}

// ---- other users ----------------------------------------------------------------------------------------

TEST_F(SingleInstanceTest, AListenerOfAnotherUserIsNeverBelieved) {
  SKIP_UNLESS_ROOT();
  CInstanceLock holder(kName, m_runtime.path());
  ASSERT_EQ(holder.TryTake(LockPath()), CInstanceLock::Take::taken);
  {
    // The same listener as this user is believed: the child answers as it should.
    ListenerProcess own(SocketPath(), false, CSingleInstance::kRaised);
    ASSERT_TRUE(own.Ready());
    CSingleInstance later(kName, m_exe, m_runtime.path());
    EXPECT_EQ(later.Start({}, 40, 250ms), Outcome::raised);
  }
  ::unlink(QFile::encodeName(SocketPath()).constData());
  ListenerProcess foreign(SocketPath(), true, CSingleInstance::kRaised);
  ASSERT_TRUE(foreign.Ready());
  CSingleInstance later(kName, m_exe, m_runtime.path());
  const auto started = Clock::now();
  EXPECT_EQ(later.Start({}, 40, 250ms), Outcome::unanswered);
  EXPECT_LT(Since(started), 1500ms);
  EXPECT_FALSE(later.ReachRunningInstance(3, 100ms));
}

TEST_F(SingleInstanceTest, TheRunningInstanceAnswersNoOtherUser) {
  SKIP_UNLESS_ROOT();
  CSingleInstance running(kName, m_exe, m_runtime.path());
  std::atomic<int> asked{0};
  ASSERT_EQ(StartCounting(running, asked, true), Outcome::first);
  // Let the other user reach the socket at all, as if its folder were open.
  ASSERT_EQ(::chmod(QFile::encodeName(m_runtime.path()).constData(), 0711), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(SocketPath()).constData(), 0666), 0);

  EXPECT_EQ(AskFromChildProcess(SocketPath(), true), 0) << "another user gets no answer";
  EXPECT_EQ(asked.load(), 0);
  EXPECT_EQ(AskFromChildProcess(SocketPath(), false), 1) << "this user's request is answered";
  EXPECT_EQ(asked.load(), 1);
}

// ---- raising the running window -------------------------------------------------------------------------

// The stacking a window manager keeps: a top-level window goes on top when it is shown or raised.
class StackingRecorder : public QObject {
 public:
  StackingRecorder() { qApp->installEventFilter(this); }
  ~StackingRecorder() override { qApp->removeEventFilter(this); }
  StackingRecorder(const StackingRecorder&) = delete;
  StackingRecorder& operator=(const StackingRecorder&) = delete;

  // Position from the bottom; -1 when never seen.
  int Level(const QWidget* window) const {
    for (std::size_t i = 0; i < m_stack.size(); ++i) {
      if (m_stack[i] == window) return static_cast<int>(i);
    }
    return -1;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if ((event->type() == QEvent::Show || event->type() == QEvent::ZOrderChange) && watched->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow()) {
        std::erase_if(m_stack, [widget](const QPointer<QWidget>& entry) { return !entry || entry == widget; });
        m_stack.emplace_back(widget);
      }
    }
    return false;
  }

 private:
  std::vector<QPointer<QWidget>> m_stack;
};

class ActivateTest : public AppFixture {};
class DialogInFrontTest : public AppFixture, public ::testing::WithParamInterface<UINT> {};

TEST_F(ActivateTest, RaisesAndActivatesTheMainWindow) {
  EXPECT_FALSE(AfxActivateMainWindow());  // no window yet
  ASSERT_TRUE(StartApp());
  QWidget* frame = FrameWidget();
  frame->showMinimized();
  ASSERT_TRUE(AfxActivateMainWindow());
  EXPECT_FALSE(frame->isMinimized());
  EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
}

TEST_F(ActivateTest, BeforeTheMainWindowExistsTheStartUpMessageComesToTheFront) {
  bool sawBox = false;
  BOOL activated = FALSE;
  bool boxActive = false;
  QTimer::singleShot(0, qApp, [&] {
    QWidget* box = QApplication::activeModalWidget();
    sawBox = box != nullptr;
    if (!box) return;
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
    activated = AfxActivateMainWindow();
    boxActive = QTest::qWaitForWindowActive(box) && QApplication::activeWindow() == box;
    box->close();
  });
  AfxShowMessageBox(CString(u"Unexpected file format."), CString(u"Tarvelquist"), MB_ICONEXCLAMATION);
  ASSERT_TRUE(sawBox);
  EXPECT_TRUE(activated);
  EXPECT_TRUE(boxActive);
}

// With the editor or the About box open, a second start brings the program to the front: the dialog, not
// the disabled main window behind it, is on top and takes the keyboard.
TEST_P(DialogInFrontTest, AnOpenDialogStaysInFrontOfTheRaisedMainWindow) {
  ASSERT_TRUE(StartApp());
  ActivateFrame();
  QWidget* frame = FrameWidget();
  StackingRecorder stacking;
  bool checked = false;
  m_modalAction = [&](CDialog& dialog) {
    QWidget* window = dialog.GetDialogWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    // The user goes to another program's window, then starts the program again.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_TRUE(AfxActivateMainWindow());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::activeWindow(), window);
    EXPECT_GT(stacking.Level(frame), stacking.Level(&other));
    EXPECT_GT(stacking.Level(window), stacking.Level(frame));
    EXPECT_EQ(QGuiApplication::modalWindow(), window->windowHandle());  // the frame takes no input meanwhile
    checked = true;
    dialog.EndDialog(IDCANCEL);
  };
  Frame()->ExecuteCommand(GetParam());
  EXPECT_TRUE(checked);
  EXPECT_EQ(m_dialogs.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogInFrontTest, ::testing::Values(UINT{ID_APP_ABOUT}, UINT{ID_TASK_INSERT}),
                         [](const ::testing::TestParamInfo<UINT>& info) {
                           return info.param == ID_APP_ABOUT ? std::string("About") : std::string("Editor");
                         });

}  // namespace
}  // namespace apptest
