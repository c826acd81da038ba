// The window layer's services: the message box, the open-file prompt, the single-instance lock and raising the
// main window.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>

#include "platform/core/NativePath.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/SingleInstance.h"
#include "tests/app/AppTestSupport.h"

namespace apptest {
namespace {

using namespace std::chrono_literals;

// Runs `action` on the first modal widget that shows up while the caller's nested loop runs.
void OnModal(std::function<void(QWidget*)> action) {
  auto poll = std::make_shared<std::function<void(int)>>();
  *poll = [action = std::move(action), poll](int triesLeft) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
    } else if (triesLeft > 0) {
      QTimer::singleShot(10, qApp, [poll, triesLeft] { (*poll)(triesLeft - 1); });
    }
  };
  QTimer::singleShot(0, qApp, [poll] { (*poll)(300); });
}

struct BoxCase {
  const char* name;
  UINT type;
  QMessageBox::StandardButton press;  // NoButton: closed with Escape
  int answer;
  QMessageBox::Icon icon;
  int buttons;
};

class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, ShowsTheTextOverTheMainWindowAndAnswersTheButton) {
  const BoxCase& c = GetParam();
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  OnModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = static_cast<int>(box->buttons().size());
    if (c.press == QMessageBox::NoButton) {
      QTest::keyClick(box, Qt::Key_Escape);
    } else {
      box->button(c.press)->click();
    }
  });
  EXPECT_EQ(AfxShowMessageBox(CString(u"Unexpected file format."), CString(u"Tarvelquist"), c.type), c.answer);
  EXPECT_EQ(title, QStringLiteral("Tarvelquist"));
  EXPECT_EQ(text, QStringLiteral("Unexpected file format."));
  EXPECT_EQ(icon, c.icon);
  EXPECT_EQ(buttons, c.buttons);
}

INSTANTIATE_TEST_SUITE_P(
    Types, MessageBoxTest,
    ::testing::Values(
        BoxCase{"ExclamationOk", MB_ICONEXCLAMATION, QMessageBox::Ok, IDOK, QMessageBox::Warning, 1},
        BoxCase{"OkClosedWithEscape", MB_OK, QMessageBox::NoButton, IDOK, QMessageBox::NoIcon, 1},
        BoxCase{"QuestionNo", MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO, QMessageBox::Question, 2},
        BoxCase{"YesNoCancelClosed", MB_YESNOCANCEL, QMessageBox::NoButton, IDCANCEL, QMessageBox::NoIcon, 3},
        BoxCase{"HandCancel", MB_OKCANCEL | MB_ICONHAND, QMessageBox::Cancel, IDCANCEL, QMessageBox::Critical, 2}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

TEST(FilePromptTest, AsksWithTheTitleAndFiltersAndGivesTheChosenFile) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("chosen.tvq"));
  WriteFile(file, QByteArray());
  WriteFile(dir.filePath(QStringLiteral("README")), QByteArray("no dot"));
  QString title;
  QStringList filters;
  QStringList allFilesPatterns;
  OnModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    filters = dialog->nameFilters();
    // Choosing "All Files (*.*)" shows files without a dot in their name too.
    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(1);
    QMetaObject::invokeMethod(types, "activated", Q_ARG(int, 1));
    QMetaObject::invokeMethod(types, "textActivated", Q_ARG(QString, types->itemText(1)));
    allFilesPatterns = dialog->findChild<QFileSystemModel*>()->nameFilters();
    dialog->selectFile(file);
    static_cast<QDialog*>(dialog)->accept();
  });
  CString chosen;
  EXPECT_TRUE(AfxPromptForFile(chosen, CString(u"Open"),
                               CString(u"Tarvelquist Files (*.tvq)|*.tvq|All Files (*.*)|*.*||")));
  EXPECT_EQ(chosen.ToQString(), file);
  EXPECT_EQ(title, QStringLiteral("Open"));
  EXPECT_EQ(filters, (QStringList{QStringLiteral("Tarvelquist Files (*.tvq)"), QStringLiteral("All Files (*.*)")}));
  EXPECT_EQ(allFilesPatterns, QStringList{QStringLiteral("*")});

  OnModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  CString cancelled;
  EXPECT_FALSE(AfxPromptForFile(cancelled, CString(u"Open"), CString(u"All Files (*.*)|*.*||")));
  EXPECT_TRUE(cancelled.IsEmpty());
}

TEST(FilePromptTest, AChosenNameThatIsNotUtf8GivesTheFileOnDisk) {
  QTemporaryDir dir;
  const QByteArray bytes = QFile::encodeName(dir.path()) + QByteArray("/bad\xff.tvq");
  {
    QFile out;
    ASSERT_TRUE(out.open(::fopen(bytes.constData(), "wb"), QIODevice::WriteOnly, QFile::AutoCloseHandle));
  }
  OnModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(QFile::decodeName(bytes));  // the name as the dialog shows it: U+FFFD for the byte
    static_cast<QDialog*>(dialog)->accept();
  });
  CString chosen;
  ASSERT_TRUE(AfxPromptForFile(chosen, CString(u"Open"), CString(u"All Files (*.*)|*.*||")));
  EXPECT_EQ(platform::ToNativePath(chosen), bytes.toStdString());
}

TEST(FilePromptTest, FilterEntriesFromTheFrameworksForm) {
  EXPECT_EQ(AfxFileDialogFilters(CString(u"Tarvelquist Files (*.tvq)|*.tvq|All Files (*.*)|*.*||")),
            (QStringList{QStringLiteral("Tarvelquist Files (*.tvq)"), QStringLiteral("All Files (*.*)")}));
  EXPECT_EQ(AfxFileDialogFilters(CString(u"Texts|*.txt;*.md||")), QStringList{QStringLiteral("Texts (*.txt *.md)")});
  EXPECT_EQ(AfxFileDialogFilters(CString(u"A (*.a);;B (*.b)")),
            (QStringList{QStringLiteral("A (*.a)"), QStringLiteral("B (*.b)")}));
}

// ---- single instance -----------------------------------------------------------------------------------

class SingleInstanceTest : public ::testing::Test {
 protected:
  const QString m_exe = QStringLiteral("/opt/tarvelquist/bin/tarvelquist");
  QTemporaryDir m_runtime;

  // Runs a later start's attempt on another thread while this thread's loop lets the lock holder answer.
  bool ReachFromAnotherThread(int tries, std::chrono::milliseconds pause, std::chrono::milliseconds* spent = nullptr) {
    const auto started = std::chrono::steady_clock::now();
    auto reached = std::async(std::launch::async, [this, tries, pause] {
      CSingleInstance later(m_exe, m_runtime.path());
      return later.ReachRunningInstance(tries, pause);
    });
    while (reached.wait_for(5ms) != std::future_status::ready) QCoreApplication::processEvents();
    if (spent) *spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    return reached.get();
  }
};

TEST_F(SingleInstanceTest, TheLockNameComesFromThePathWithBackslashesAsSlashes) {
  const QString dir = m_runtime.path();
  EXPECT_EQ(CSingleInstance::LockNameFor(QStringLiteral("C:\\Program Files\\tarvelquist"), dir),
            CSingleInstance::LockNameFor(QStringLiteral("C:/Program Files/tarvelquist"), dir));
  EXPECT_NE(CSingleInstance::LockNameFor(QStringLiteral("/a/tarvelquist"), dir),
            CSingleInstance::LockNameFor(QStringLiteral("/b/tarvelquist"), dir));
  EXPECT_TRUE(CSingleInstance::LockNameFor(m_exe, dir).startsWith(dir + u'/'));
}

TEST_F(SingleInstanceTest, WithNobodyHoldingTheLockTheStartGoesOnAtOnce) {
  std::chrono::milliseconds spent{};
  EXPECT_FALSE(ReachFromAnotherThread(40, 250ms, &spent));
  EXPECT_LT(spent, 1000ms);
}

TEST_F(SingleInstanceTest, ALaterStartReachesTheRunningInstanceWhichRaisesItsWindow) {
  CSingleInstance running(m_exe, m_runtime.path());
  std::atomic<int> asked{0};
  ASSERT_TRUE(running.Listen([&] {
    ++asked;
    return true;
  }));
  EXPECT_TRUE(ReachFromAnotherThread(40, 250ms));
  EXPECT_EQ(asked.load(), 1);
}

TEST_F(SingleInstanceTest, WhileNoWindowAnswersItTriesAgainAndThenStarts) {
  CSingleInstance running(m_exe, m_runtime.path());
  std::atomic<int> asked{0};
  ASSERT_TRUE(running.Listen([&] {
    ++asked;
    return false;
  }));
  std::chrono::milliseconds spent{};
  EXPECT_FALSE(ReachFromAnotherThread(5, 40ms, &spent));
  EXPECT_EQ(asked.load(), 5);
  EXPECT_GE(spent, 4 * 40ms);
}

TEST_F(SingleInstanceTest, ALockLeftByACrashedInstanceNeverBlocksAStart) {
  // A socket file nobody listens on, as a killed instance leaves it.
  const QByteArray path = QFile::encodeName(CSingleInstance::LockNameFor(m_exe, m_runtime.path()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_TRUE(QFile::exists(QFile::decodeName(path)));

  std::chrono::milliseconds spent{};
  EXPECT_FALSE(ReachFromAnotherThread(40, 250ms, &spent));
  EXPECT_LT(spent, 1000ms);

  // The new instance takes the lock over and answers later starts itself.
  CSingleInstance running(m_exe, m_runtime.path());
  ASSERT_TRUE(running.Listen([] { return true; }));
  EXPECT_TRUE(ReachFromAnotherThread(1, 250ms));
}

class ActivateTest : public AppFixture {};

TEST_F(ActivateTest, RaisesAndActivatesTheMainWindow) {
  EXPECT_FALSE(AfxActivateMainWindow());  // no main window yet
  ASSERT_TRUE(StartApp());
  QWidget* frame = FrameWidget();
  frame->showMinimized();
  ASSERT_TRUE(AfxActivateMainWindow());
  EXPECT_FALSE(frame->isMinimized());
  EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
}

}  // namespace
}  // namespace apptest
