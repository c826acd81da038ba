// The real program, started as a process on Qt's offscreen platform with temporary XDG folders: its answers to
// --help and --version, one instance per user, and a whole run that reopens the remembered file and closes on
// SIGTERM like a user's close.
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include "platform/ui/SingleInstance.h"
#include "tests/app/AppTestSupport.h"

namespace apptest {
namespace {

const QString kProgram = QStringLiteral(TVQ_PROGRAM_PATH);
// What tarvelquist becomes, and what names the running program's lock.
const QString kWindowProgram = QFileInfo(QStringLiteral(TVQ_WINDOW_PROGRAM_PATH)).canonicalFilePath();
// The program names its lock after itself: "<folder>/tarvelquist-<uid>-<hash>", "<cache>/tarvelquist".
const QString kInstanceName = QStringLiteral("tarvelquist");

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_temp.isValid());
    for (const char* folder : {"config", "Documents", "runtime"}) ASSERT_TRUE(QDir(m_temp.path()).mkpath(folder));
    ASSERT_TRUE(QFile::setPermissions(Runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
  }

  QString Config() const { return m_temp.filePath(QStringLiteral("config")); }
  QString Docs() const { return m_temp.filePath(QStringLiteral("Documents")); }
  QString Runtime() const { return m_temp.filePath(QStringLiteral("runtime")); }

  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
    env.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), Docs());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Runtime());
    return env;
  }

  std::unique_ptr<QProcess> Start(const QStringList& arguments = {}) const {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(Environment());
    process->start(kProgram, arguments);
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
  }

  // TRUE once the running program's main window answers on its lock (which raises it).
  bool WaitForWindow(const QProcess& process) const {
    CSingleInstance probe(kInstanceName, kWindowProgram, Runtime());
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
      if (probe.ReachRunningInstance(1, std::chrono::milliseconds(200))) return true;
      QThread::msleep(50);
    }
    return false;
  }

  static void EndWithSigterm(QProcess& process) {
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(15000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  }

  QTemporaryDir m_temp;
};

TEST_F(ProcessTest, AnswersVersionAndHelpWithoutADisplay) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  process.setProcessEnvironment(env);

  process.start(kProgram, {QStringLiteral("--version")});
  ASSERT_TRUE(process.waitForFinished(10000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardOutput(), QByteArray("Tarvelquist 1.2.0.1\n"));

  process.start(kProgram, {QStringLiteral("--help")});
  ASSERT_TRUE(process.waitForFinished(10000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardOutput().toStdString(),
            "Usage: tarvelquist [Qt options] [FILE]\n"
            "\n"
            "Tarvelquist keeps a personal list of tasks in a .tvq file. At start it opens FILE, else the last\n"
            "file it read or saved, else it begins a new list. When it already runs, FILE is opened in the\n"
            "running window (the list shown there is saved first), which comes to the front.\n"
            "\n"
            "  --help      show this text and exit\n"
            "  --version   show the version and exit\n"
            "\n"
            "Qt options such as -platform apply. Without a display, run it on Qt's VNC platform and connect a\n"
            "VNC viewer to localhost:5900:\n"
            "  tarvelquist -platform vnc:port=5900\n");
}

TEST_F(ProcessTest, ASecondStartRaisesTheRunningProgramAndEnds) {
  auto first = Start();
  ASSERT_TRUE(WaitForWindow(*first)) << first->readAllStandardError().toStdString();

  QDeadlineTimer quick(8000);
  auto second = Start();
  ASSERT_TRUE(second->waitForFinished(10000));
  EXPECT_FALSE(quick.hasExpired());  // it reached the window, it did not wait out its tries
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(first->state(), QProcess::Running);

  EndWithSigterm(*first);
}

// tarvelquist becomes the window program (the same process) with malloc asking for huge pages, beside what
// the user's environment asked of glibc.
TEST_F(ProcessTest, RunsAsTheWindowProgramWithMallocAskingForHugePages) {
  auto program = std::make_unique<QProcess>();
  QProcessEnvironment env = Environment();
  env.insert(QStringLiteral("GLIBC_TUNABLES"), QStringLiteral("glibc.malloc.tcache_count=7"));
  program->setProcessEnvironment(env);
  program->start(kProgram);
  ASSERT_TRUE(program->waitForStarted(10000));
  ASSERT_TRUE(WaitForWindow(*program)) << program->readAllStandardError().toStdString();
  const QString proc = QStringLiteral("/proc/%1/").arg(program->processId());
  EXPECT_EQ(QFileInfo(proc + QStringLiteral("exe")).canonicalFilePath(), kWindowProgram);
  QFile environ(proc + QStringLiteral("environ"));
  ASSERT_TRUE(environ.open(QIODevice::ReadOnly));
  // As the program started: glibc then cuts each tunable off where it reads it, in place.
  const QByteArray started = environ.readAll();
  const QByteArray users = "GLIBC_TUNABLES=glibc.malloc.tcache_count=7";
  const qsizetype tunables = started.indexOf(users);
  ASSERT_GE(tunables, 0);
  EXPECT_EQ(started.indexOf("glibc.malloc.hugetlb=1"), tunables + users.size() + 1);
  EndWithSigterm(*program);
}

TEST_F(ProcessTest, ReopensTheRememberedFileAndClosesCleanly) {
  const QString file = Docs() + QStringLiteral("/list.tvq");
  const QByteArray bytes = TaskFileBytes({u"牛乳を買う", u"Write report"});
  WriteFile(file, bytes);
  WriteRememberedFile(Config(), file);
  const QString named = Docs() + QStringLiteral("/named.tvq");
  WriteFile(named, TaskFileBytes({u"named"}));

  auto program = Start();
  ASSERT_TRUE(WaitForWindow(*program)) << program->readAllStandardError().toStdString();
  EndWithSigterm(*program);

  // The unmodified list was not saved again, nothing else was written, and the setting still names the file.
  EXPECT_EQ(ReadFile(file), bytes);
  EXPECT_EQ(QDir(Docs()).entryList(QDir::Files, QDir::Name), (QStringList{QStringLiteral("list.tvq"), QStringLiteral("named.tvq")}));
  EXPECT_EQ(ReadRememberedFile(Config()), file);
  // The lock went with the program: the next start is not held up.
  EXPECT_FALSE(
      QFile::exists(CSingleInstance::LockNameFor(kInstanceName, kWindowProgram, Runtime())));
}

// The file manager's double-click: the first start opens the file it names; a second start hands its file to
// the running window, which opens it (each load is remembered) and comes to the front, and ends.
TEST_F(ProcessTest, AFileOnTheCommandLineOpensAndASecondStartHandsItsFileToTheRunningWindow) {
  const QString remembered = Docs() + QStringLiteral("/list.tvq");
  WriteFile(remembered, TaskFileBytes({u"remembered"}));
  WriteRememberedFile(Config(), remembered);
  const QString first = Docs() + QStringLiteral("/first.tvq");
  WriteFile(first, TaskFileBytes({u"first"}));
  const QString second = Docs() + QStringLiteral("/second file.tvq");
  WriteFile(second, TaskFileBytes({u"second"}));

  auto program = Start({first});
  ASSERT_TRUE(WaitForWindow(*program)) << program->readAllStandardError().toStdString();
  EXPECT_EQ(ReadRememberedFile(Config()), first);

  // A relative name means the starting folder's file.
  auto handing = std::make_unique<QProcess>();
  handing->setProcessEnvironment(Environment());
  handing->setWorkingDirectory(Docs());
  handing->start(kProgram, {QStringLiteral("second file.tvq")});
  ASSERT_TRUE(handing->waitForFinished(10000));
  EXPECT_EQ(handing->exitCode(), 0);
  QDeadlineTimer deadline(10000);
  while (ReadRememberedFile(Config()) != second && !deadline.hasExpired()) QThread::msleep(50);
  EXPECT_EQ(ReadRememberedFile(Config()), second);
  EXPECT_EQ(program->state(), QProcess::Running);
  EndWithSigterm(*program);
}

TEST_F(ProcessTest, ASigtermWhileTheStartUpReportsAMissingFileEndsTheProgramCleanly) {
  const QString missing = Docs() + QStringLiteral("/gone.tvq");
  WriteRememberedFile(Config(), missing);
  auto program = Start();
  // The lock exists once termination signals are handled; the framework's message then holds the start-up.
  const QString lock = CSingleInstance::LockNameFor(kInstanceName, kWindowProgram, Runtime());
  QDeadlineTimer deadline(20000);
  while (!QFile::exists(lock) && !deadline.hasExpired()) QThread::msleep(20);
  ASSERT_TRUE(QFile::exists(lock));
  QThread::msleep(300);
  EndWithSigterm(*program);
  EXPECT_EQ(ReadRememberedFile(Config()), missing);
  EXPECT_TRUE(QDir(Docs()).entryList(QDir::Files).isEmpty());
}

// Starts that race each other: whichever takes the lock runs, every other one ends, and never two run.
TEST_F(ProcessTest, OfThreeStartsAtOnceExactlyOneRuns) {
  std::vector<std::unique_ptr<QProcess>> starts;
  for (int i = 0; i < 3; ++i) starts.push_back(Start());
  const auto running = [&starts] {
    return std::count_if(starts.begin(), starts.end(), [](const auto& p) { return p->state() != QProcess::NotRunning; });
  };
  QDeadlineTimer deadline(20000);
  while (running() > 1 && !deadline.hasExpired()) {
    for (const auto& process : starts) process->waitForFinished(20);
  }
  ASSERT_EQ(running(), 1);
  QProcess* survivor = nullptr;
  for (const auto& process : starts) {
    if (process->state() != QProcess::NotRunning) {
      survivor = process.get();
      continue;
    }
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    // Raised the survivor's window (0), or found it still starting and left it alone (1).
    EXPECT_TRUE(process->exitCode() == 0 || process->exitCode() == 1) << process->readAllStandardError().toStdString();
  }
  ASSERT_TRUE(WaitForWindow(*survivor)) << survivor->readAllStandardError().toStdString();
  EndWithSigterm(*survivor);
}

// The lock's folder cannot be trusted (open to others): the program says so in one line and starts all the
// same; another user can never keep it from working.
TEST_F(ProcessTest, WithoutASafeFolderForItsLockTheProgramSaysSoAndStartsAnyway) {
  const QString cache = m_temp.filePath(QStringLiteral("cache"));
  const QString own = cache + u'/' + kInstanceName;
  ASSERT_TRUE(QDir().mkpath(own));
  ASSERT_TRUE(QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                             QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther));
  QProcessEnvironment env = Environment();
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(kProgram);
  ASSERT_TRUE(program.waitForStarted(10000));
  const QByteArray said = "\ntarvelquist: Tarvelquist cannot make sure that it runs only once (";
  QByteArray err = "\n";
  QDeadlineTimer deadline(20000);
  while (!err.contains(said) && !deadline.hasExpired() && program.state() == QProcess::Running) {
    program.waitForReadyRead(100);
    err += program.readAllStandardError();
  }
  // Still running a while later: it went on to its window (a start that ends, ends by itself).
  EXPECT_FALSE(program.waitForFinished(1500));
  EndWithSigterm(program);
  err += program.readAllStandardError();
  EXPECT_EQ(err.count(said), 1) << err.toStdString();
  EXPECT_TRUE(err.contains(QFile::encodeName(own) + " is open to other users")) << err.toStdString();
  EXPECT_TRUE(QDir(own).isEmpty());
}

}  // namespace
}  // namespace apptest
