// A close request (what SIGTERM, SIGINT and SIGHUP make) while a dialog runs: the dialog is cancelled first,
// then the main window closes and saves, whichever way the dialog was opened: a tap on a toolbar button, the
// button's accessibility action (a screen reader's "Press"), a menu item, a double-tap or Enter in the list.
// And the signals themselves: each reaches the loop as a call, never ending the process.
#include <csignal>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/ListViewWidget.h"
#include "platform/ui/TerminationSignals.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "view/CTarvelquistView.h"

namespace apptest {
namespace {

enum class Opening { tap, pressAction, menuItem, doubleTap, enterKey };

struct CloseCase {
  const char* name;
  Opening opening;
  UINT command;     // the button or menu item's command
  UINT dialogId;    // the template of the dialog that comes up
};

class CloseRequestTest : public AppFixture, public ::testing::WithParamInterface<CloseCase> {
 protected:
  listview::ListViewWidget& List() { return *static_cast<listview::ListViewWidget*>(View()->m_taskList.GetSafeHwnd()); }

  void Open(const CloseCase& c) {
    QWidget* button = Frame()->GetCommandBar()->GetButtonForCommand(c.command);
    switch (c.opening) {
      case Opening::tap:
        QTest::mouseClick(button, Qt::LeftButton);
        break;
      case Opening::pressAction: {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(accessible, nullptr);
        ASSERT_NE(accessible->actionInterface(), nullptr);
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        break;
      }
      case Opening::menuItem:
        for (QAction* action : Frame()->GetCommandBar()->GetMenu()->findChildren<QAction*>()) {
          if (action->data().toUInt() == c.command) action->trigger();
        }
        break;
      case Opening::doubleTap:
        QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, List().RowRect(0).center());
        break;
      case Opening::enterKey:
        List().setFocus();
        QTest::keyClick(&List(), Qt::Key_Return);
        break;
    }
  }
};

TEST_P(CloseRequestTest, ADialogIsCancelledAndTheModifiedListSavedBeforeTheWindowCloses) {
  const QString file = DocsPath(QStringLiteral("list.tvq"));
  WriteFile(file, TaskFileBytes({u"one", u"two", u"three"}));
  WriteRememberedFile(ConfigHome(), file);
  ASSERT_TRUE(StartApp());
  ActivateFrame();
  // Modified before the dialog: the last task deleted.
  View()->m_taskList.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
  Frame()->ExecuteCommand(ID_TASK_DELETE);
  View()->m_taskList.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);

  // The request comes while the dialog's loop runs, and the dialog is left open.
  bool requested = false;
  m_modalAction = [&requested](CDialog& dialog) {
    requested = true;
    AfxRequestClose();
    // Should the request leave the dialog open, it is ended later, so that the test fails rather than waits.
    QPointer<QWidget> running = dialog.GetSafeHwnd();
    QTimer::singleShot(3000, [running, &dialog] {
      if (running) dialog.EndDialog(IDCANCEL);
    });
  };
  QPointer<QWidget> frame = FrameWidget();
  Open(GetParam());
  QTRY_VERIFY_WITH_TIMEOUT(requested, 5000);
  QTRY_VERIFY_WITH_TIMEOUT(frame.isNull(), 5000);
  EXPECT_EQ(m_dialogs, std::vector<UINT>{GetParam().dialogId});
  EXPECT_EQ(App()->m_pMainWnd, nullptr);
  EXPECT_EQ(ReadFile(file), TaskFileBytes({u"one", u"two"}));
  EXPECT_TRUE(m_messages.empty());
}

TEST(TerminationSignalsTest, EachSignalCallsTheHandlerOnTheLoopAndTheDefaultComesBack) {
  constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
  int calls = 0;
  {
    const CTerminationSignals termination([&calls] { ++calls; });
    for (const int signal : kSignals) {
      const int before = calls;
      ASSERT_EQ(std::raise(signal), 0);
      EXPECT_EQ(calls, before) << "called inside the signal handler";
      for (int wait = 0; wait < 500 && calls == before; ++wait) QTest::qWait(10);
      EXPECT_EQ(calls, before + 1) << signal;
    }
  }
  for (const int signal : kSignals) {
    struct sigaction now {};
    ASSERT_EQ(::sigaction(signal, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
  }
}

constexpr UINT kEditor = 132;
constexpr UINT kAbout = 100;

INSTANTIATE_TEST_SUITE_P(
    Openings, CloseRequestTest,
    ::testing::Values(CloseCase{"EditTapped", Opening::tap, ID_TASK_EDIT, kEditor},
                      CloseCase{"EditPressed", Opening::pressAction, ID_TASK_EDIT, kEditor},
                      CloseCase{"InsertPressed", Opening::pressAction, ID_TASK_INSERT, kEditor},
                      CloseCase{"AboutPressed", Opening::pressAction, ID_APP_ABOUT, kAbout},
                      CloseCase{"EditFromTheMenu", Opening::menuItem, ID_TASK_EDIT, kEditor},
                      CloseCase{"DoubleTap", Opening::doubleTap, ID_TASK_EDIT, kEditor},
                      CloseCase{"Enter", Opening::enterKey, ID_TASK_EDIT, kEditor}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace apptest
