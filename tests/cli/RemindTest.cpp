// tvq remind against a notification service of the test's own on a private session bus (the test runs under
// dbus-run-session): the due and overdue tasks announced once a day, one notification for a file with many,
// and without a service the same lines on standard output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "doc/TaskText.h"
#include "tests/cli/TaskFiles.h"
#include "tests/cli/TvqProcess.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

namespace {

using clitest::RunTvq;
using clitest::TaskFields;

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

struct Shown {
  std::string summary;
  std::string body;
};

// The Notifications service as far as tvq uses it: it records every Notify. Called on the test's thread.
class RecordingService : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kService) return false;
    if (message.member() == QStringLiteral("GetCapabilities")) {
      connection.send(message.createReply(QStringList{QStringLiteral("body"), QStringLiteral("body-markup")}));
      return true;
    }
    if (message.member() != QStringLiteral("Notify") || message.arguments().size() != 8) return false;
    std::lock_guard lock(m_mutex);
    m_shown.push_back(
        {message.arguments()[3].toString().toStdString(), message.arguments()[4].toString().toStdString()});
    connection.send(message.createReply(static_cast<uint>(m_shown.size())));
    return true;
  }

  std::vector<Shown> Take() {
    std::lock_guard lock(m_mutex);
    return std::exchange(m_shown, {});
  }

 private:
  std::mutex m_mutex;
  std::vector<Shown> m_shown;
};

// The lines tvq prints for notifications: each summary, then its body's lines indented, as plain text.
std::string Printed(const std::vector<Shown>& shown) {
  std::string text;
  for (const Shown& notification : shown) {
    QString body = QString::fromStdString(notification.body);
    body.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    body.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    text += notification.summary + "\n";
    for (const QString& line : body.split(u'\n')) text += "  " + line.toStdString() + "\n";
  }
  return text;
}

std::string DueText(const COleDateTime& due) { return tasktext::DueColumnText(due).ToUtf8(); }

class TvqRemind : public ::testing::Test {
 protected:
  TvqRemind() {
    tasks = dir.File("tasks.tvq");
    many = dir.File("R&D <many>.tvq");  // the body escapes its markup
    clitest::MakeFile(tasks, {{u"overdue", COleDateTime(2024, 5, 7, 9, 0, 0), u"A1", u"memo"},
                              {u"tomorrow", COleDateTime(2024, 5, 11, 0, 0, 0), u"B1", u""},
                              {u"today <b>&", COleDateTime(2024, 5, 10, 23, 59, 59), u"C1", u""},
                              {u"none", NoDueDateValue(), u"P1", u""}});
    std::vector<TaskFields> manyTasks;
    for (int i = 1; i <= 7; ++i) {
      manyTasks.push_back({u"due " + std::u16string(1, static_cast<char16_t>(u'0' + i)),
                           COleDateTime(2024, 5, i, 8, 0, 0), u"A1", u""});
    }
    clitest::MakeFile(many, manyTasks);
  }

  // Runs tvq remind while this thread answers the bus.
  clitest::TvqResult Remind(const std::string& state, const char* today, std::vector<std::string> args = {}) {
    args.insert(args.begin(), "remind");
    std::future<clitest::TvqResult> result = std::async(std::launch::async, [&] {
      return RunTvq(args, {}, {{"TVQ_TODAY", today}, {"XDG_STATE_HOME", dir.File(state)}});
    });
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return result.get();
  }

  tvqtest::TempDir dir;
  std::string tasks;
  std::string many;
};

TEST_F(TvqRemind, AnnouncesEachDueTaskOnceADayAndPrintsTheSameLinesWithoutAService) {
  const tvqtest::ScopedLocale locale("ja_JP");  // as tvq runs in these tests
  QDBusConnection bus = QDBusConnection::sessionBus();
  ASSERT_TRUE(bus.isConnected()) << "needs a session bus: run under dbus-run-session";

  // No service on the bus: the lines go to standard output, once.
  const auto printed = Remind("printed", "2024-05-10", {tasks, many});
  ASSERT_EQ(printed.exitCode, 0) << printed.err;
  EXPECT_EQ(printed.err, "");
  EXPECT_EQ(Remind("printed", "2024-05-10", {tasks, many}).out, "");

  RecordingService service;
  ASSERT_TRUE(bus.registerVirtualObject(kPath, &service));
  ASSERT_TRUE(bus.registerService(kService));

  // --dry-run prints what it would show and remembers nothing.
  const auto dryRun = Remind("shown", "2024-05-10", {"--dry-run", tasks, many});
  EXPECT_EQ(dryRun.out, printed.out);
  EXPECT_TRUE(service.Take().empty());

  const auto first = Remind("shown", "2024-05-10", {tasks, many});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "");
  const std::vector<Shown> shown = service.Take();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(Printed(shown), printed.out) << "the same lines as the notifications";
  EXPECT_EQ(shown[0].summary, "overdue");
  EXPECT_NE(shown[0].body.find(DueText(COleDateTime(2024, 5, 7, 9, 0, 0))), std::string::npos);
  EXPECT_NE(shown[0].body.find(tasks), std::string::npos);
  EXPECT_EQ(shown[1].summary, "today <b>&");
  EXPECT_NE(shown[1].body.find(DueText(COleDateTime(2024, 5, 10, 0, 0, 0))), std::string::npos);
  // Seven due tasks in one file: one notification that counts them and names the file.
  EXPECT_NE(shown[2].summary.find("7"), std::string::npos);
  EXPECT_NE(shown[2].body.find("R&amp;D &lt;many&gt;.tvq"), std::string::npos);
  EXPECT_NE(shown[2].body.find("due 5"), std::string::npos);
  EXPECT_EQ(shown[2].body.find("due 6"), std::string::npos) << "five tasks named, the rest counted";

  // An hour later: nothing new.
  EXPECT_EQ(Remind("shown", "2024-05-10", {tasks, many}).exitCode, 0);
  EXPECT_TRUE(service.Take().empty());

  // The next day the overdue tasks come again with the task due then; a changed subject is a new task.
  clitest::MakeFile(many, {{u"renamed", COleDateTime(2024, 5, 1, 8, 0, 0), u"A1", u""}});
  EXPECT_EQ(Remind("shown", "2024-05-10", {many}).exitCode, 0);
  EXPECT_EQ(service.Take().size(), 1u);
  EXPECT_EQ(Remind("shown", "2024-05-11", {tasks}).exitCode, 0);
  std::vector<std::string> nextDay;
  for (const Shown& notification : service.Take()) nextDay.push_back(notification.summary);
  EXPECT_EQ(nextDay, (std::vector<std::string>{"overdue", "tomorrow", "today <b>&"}));

  bus.unregisterService(kService);
  bus.unregisterObject(kPath);
}

TEST_F(TvqRemind, TakesTheConfiguredFilesElseTheWindowsLastFile) {
  const std::string config = dir.File("config");
  std::filesystem::create_directories(dir / "config/VORNAKEL");
  std::filesystem::create_directories(dir / "config/tarvelquist");
  tvqtest::WriteText(dir / "config/VORNAKEL/Tarvelquist.conf", "[Recent%20File%20List]\nFile_tvq=" + tasks + "\n");
  const auto run = [&](const std::string& state) {
    return RunTvq({"remind", "--dry-run"}, {},
                  {{"TVQ_TODAY", "2024-05-10"},
                   {"XDG_CONFIG_HOME", config},
                   {"XDG_STATE_HOME", dir.File(state)},
                   {"HOME", dir.Path()},
                   {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}});
  };
  const auto lastFile = run("a");
  EXPECT_EQ(lastFile.exitCode, 0) << lastFile.err;
  EXPECT_NE(lastFile.out.find("overdue"), std::string::npos);
  EXPECT_EQ(lastFile.out.find("due 1"), std::string::npos);

  tvqtest::WriteText(dir / "config/tarvelquist/remind.conf", "# mine\n\n" + many + "\r\nmissing.tvq\n");
  const auto configured = run("b");
  EXPECT_EQ(configured.exitCode, 1) << "missing.tvq, relative to the home folder, cannot be read";
  EXPECT_EQ(configured.out.find("overdue"), std::string::npos);
  EXPECT_NE(configured.out.find("due 1"), std::string::npos);
}

TEST_F(TvqRemind, NeverWaitsOnAFifoNorWritesThroughALinkInPlaceOfItsFiles) {
  std::filesystem::create_directories(dir / "config/tarvelquist");
  ASSERT_EQ(::mkfifo((dir / "config/tarvelquist/remind.conf").c_str(), 0600), 0);
  const auto fifo = RunTvq({"remind", "--dry-run"}, {}, {{"XDG_CONFIG_HOME", dir.File("config")}});
  EXPECT_EQ(fifo.exitCode, 2);
  EXPECT_NE(fifo.err.find("remind.conf"), std::string::npos) << fifo.err;

  std::filesystem::create_directories(dir / "state/tarvelquist");
  tvqtest::WriteText(dir / "elsewhere", "kept\n");
  std::filesystem::create_symlink(dir / "elsewhere", dir / "state/tarvelquist/reminded");
  const auto result = RunTvq({"remind", tasks}, {},
                             {{"TVQ_TODAY", "2024-05-10"}, {"XDG_STATE_HOME", dir.File("state")},
                              {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("state/tarvelquist/reminded"), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "") << "nothing announced that could not be remembered";
  EXPECT_EQ(tvqtest::ReadText(dir / "elsewhere"), "kept\n");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);  // Qt D-Bus delivers calls through the application's events
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
