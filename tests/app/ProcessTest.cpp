// The real program, started as a process on Qt's offscreen platform with temporary XDG folders: its answers to
// --help and --version, one instance per user, and a whole run that reopens the remembered file and closes on
// SIGTERM like a user's close.
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
    CSingleInstance probe(QFileInfo(kProgram).canonicalFilePath(), Runtime());
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
  const QByteArray help = process.readAllStandardOutput();
  EXPECT_TRUE(help.startsWith("Usage: tarvelquist")) << help.toStdString();
  EXPECT_TRUE(help.contains("-platform vnc:port=5900"));
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

TEST_F(ProcessTest, ReopensTheRememberedFileAndClosesCleanly) {
  const QString file = Docs() + QStringLiteral("/list.tvq");
  const QByteArray bytes = TaskFileBytes({u"牛乳を買う", u"Write report"});
  WriteFile(file, bytes);
  WriteRememberedFile(Config(), file);
  // A file named on the command line is not what opens.
  const QString named = Docs() + QStringLiteral("/named.tvq");
  WriteFile(named, TaskFileBytes({u"named"}));

  auto program = Start({named});
  ASSERT_TRUE(WaitForWindow(*program)) << program->readAllStandardError().toStdString();
  EndWithSigterm(*program);

  // The unmodified list was not saved again, nothing else was written, and the setting still names the file.
  EXPECT_EQ(ReadFile(file), bytes);
  EXPECT_EQ(QDir(Docs()).entryList(QDir::Files, QDir::Name), (QStringList{QStringLiteral("list.tvq"), QStringLiteral("named.tvq")}));
  EXPECT_EQ(ReadRememberedFile(Config()), file);
  // The lock went with the program: the next start is not held up.
  EXPECT_FALSE(QFile::exists(CSingleInstance::LockNameFor(QFileInfo(kProgram).canonicalFilePath(), Runtime())));
}

TEST_F(ProcessTest, ASigtermWhileTheStartUpReportsAMissingFileEndsTheProgramCleanly) {
  const QString missing = Docs() + QStringLiteral("/gone.tvq");
  WriteRememberedFile(Config(), missing);
  auto program = Start();
  // The lock exists once termination signals are handled; the framework's message then holds the start-up.
  const QString lock = CSingleInstance::LockNameFor(QFileInfo(kProgram).canonicalFilePath(), Runtime());
  QDeadlineTimer deadline(20000);
  while (!QFile::exists(lock) && !deadline.hasExpired()) QThread::msleep(20);
  ASSERT_TRUE(QFile::exists(lock));
  QThread::msleep(300);
  EndWithSigterm(*program);
  EXPECT_EQ(ReadRememberedFile(Config()), missing);
  EXPECT_TRUE(QDir(Docs()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace apptest
