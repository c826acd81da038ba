// The main frame: its geometry, the command bar with the menu tree and the six image buttons, the commands they
// send, and the About box.
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <algorithm>
#include <functional>

#include "app/AboutDlg.h"
#include "app/CTarvelquistApp.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/ui/CView.h"
#include "platform/ui/ControlState.h"
#include "platform/ui/RelayoutFromTemplate.h"
#include "res/ProgramResources.h"
#include "res/resource.h"
#include "tests/app/AppTestSupport.h"
#include "view/CTarvelquistView.h"

namespace apptest {
namespace {

bool WaitFor(const std::function<bool()>& done, int milliseconds = 3000) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

QRect ListGeometry(CTarvelquistView* view) { return view->m_taskList.GetSafeHwnd()->geometry(); }

class FrameTest : public AppFixture {
 protected:
  CCommandBar* Bar() const { return Frame()->GetCommandBar(); }

  // The bar's buttons from left to right.
  std::vector<QToolButton*> Buttons() const {
    auto buttons = Bar()->GetSafeHwnd()->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    std::sort(buttons.begin(), buttons.end(), [](QToolButton* a, QToolButton* b) { return a->x() < b->x(); });
    return {buttons.begin(), buttons.end()};
  }
};

TEST_F(FrameTest, OpensAsThePortraitScreenWithTheBarAtTheBottom) {
  ASSERT_TRUE(StartApp());
  QWidget* frame = FrameWidget();
  EXPECT_EQ(frame->size(), QSize(480, 536 + 52));
  EXPECT_EQ(Frame()->GetViewArea()->geometry(), QRect(0, 0, 480, 536));
  EXPECT_EQ(Bar()->GetSafeHwnd()->geometry(), QRect(0, 536, 480, 52));
  EXPECT_EQ(View()->GetSafeHwnd()->geometry(), QRect(0, 0, 480, 536));
  EXPECT_EQ(ListGeometry(View()), QRect(5, 5, 470, 521));

  // A wide window is the landscape screen: the view follows and lays its list out again.
  frame->resize(640, 480);
  ASSERT_TRUE(WaitFor([&] { return View()->GetSafeHwnd()->size() == QSize(640, 428); }));
  EXPECT_EQ(Bar()->GetSafeHwnd()->geometry(), QRect(0, 428, 640, 52));
  EXPECT_EQ(ListGeometry(View()), QRect(5, 5, 630, 413));
}

TEST_F(FrameTest, TheBarHoldsTheMenuButtonThenTheSixImageButtonsInOrder) {
  ASSERT_TRUE(StartApp());
  const std::vector<QToolButton*> buttons = Buttons();
  ASSERT_EQ(buttons.size(), 7u);
  EXPECT_EQ(buttons[0], Bar()->GetMenuButton());
  EXPECT_EQ(buttons[0]->text(), QStringLiteral("メニュー"));
  const UINT order[] = {ID_TASK_EDIT, ID_TASK_UP, ID_TASK_DOWN, ID_TASK_INSERT, ID_TASK_DELETE, ID_APP_ABOUT};
  for (std::size_t i = 0; i < 6; ++i) {
    QToolButton* button = buttons[i + 1];
    EXPECT_EQ(Bar()->GetButtonForCommand(order[i]), button) << i;
    EXPECT_EQ(button->size(), QSize(39, 39));
    EXPECT_EQ(button->iconSize(), QSize(32, 32));
    EXPECT_FALSE(button->icon().isNull());
  }
  EXPECT_EQ(Bar()->GetButtonForCommand(ID_FILE_NEW), nullptr);
}

// The text and id of every item, a pop-up's items indented below it.
void DescribeMenu(const QMenu* menu, const QString& indent, QStringList& out) {
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      out << indent + QStringLiteral("----");
    } else if (action->menu()) {
      out << indent + action->text();
      DescribeMenu(action->menu(), indent + QStringLiteral("  "), out);
    } else {
      out << indent + action->text() + QStringLiteral(" ") + QString::number(action->data().toUInt());
    }
    if (!action->isEnabled()) out.back() += QStringLiteral(" (disabled)");
  }
}

TEST_F(FrameTest, TheMenuButtonOpensTheWholeMenuTreeAboveTheBar) {
  ASSERT_TRUE(StartApp());
  QMenu* menu = Bar()->GetMenu();
  ASSERT_NE(menu, nullptr);
  QStringList tree;
  DescribeMenu(menu, QString(), tree);
  EXPECT_EQ(tree, (QStringList{
                      QStringLiteral("ファイル"),
                      QStringLiteral("  保存 57603"),
                      QStringLiteral("  開く 57601"),
                      QStringLiteral("編集"),
                      QStringLiteral("  編集 32778"),
                      QStringLiteral("  挿入 32779"),
                      QStringLiteral("  上へ 32781"),
                      QStringLiteral("  下へ 32782"),
                      QStringLiteral("  ----"),
                      QStringLiteral("  削除 32780"),
                      QStringLiteral("ツール"),
                      QStringLiteral("  バージョン情報 Tarvelquist... 57664"),
                  }));

  ActivateFrame();
  auto* button = static_cast<QToolButton*>(Bar()->GetMenuButton());
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return menu->isVisible(); }));
  EXPECT_LE(menu->geometry().bottom(), button->mapToGlobal(QPoint(0, 0)).y());
  menu->close();
  EXPECT_TRUE(m_commands.empty());  // the button itself sends nothing
}

TEST_F(FrameTest, EveryMenuItemSendsItsCommand) {
  ASSERT_TRUE(StartApp());
  std::vector<QAction*> items;
  std::function<void(const QMenu*)> collect = [&](const QMenu* menu) {
    for (QAction* action : menu->actions()) {
      if (action->menu()) {
        collect(action->menu());
      } else if (!action->isSeparator()) {
        items.push_back(action);
      }
    }
  };
  collect(Bar()->GetMenu());
  for (QAction* action : items) {
    action->trigger();
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(m_commands, (std::vector<UINT>{ID_FILE_SAVE, ID_FILE_OPEN, ID_TASK_EDIT, ID_TASK_INSERT, ID_TASK_UP,
                                           ID_TASK_DOWN, ID_TASK_DELETE, ID_APP_ABOUT}));
  // Their effects: Save named the untitled list, Open asked for a file, About showed its box.
  EXPECT_TRUE(QFile::exists(DocsPath(QStringLiteral("Untitled.tvq"))));
  EXPECT_EQ(m_promptTitles, QStringList{QStringLiteral("Open")});
  EXPECT_EQ(std::count(m_dialogs.begin(), m_dialogs.end(), UINT{IDD_ABOUTBOX}), 1);
}

TEST_F(FrameTest, EveryImageButtonSendsItsCommand) {
  const QString file = DocsPath(QStringLiteral("list.tvq"));
  WriteFile(file, TaskFileBytes({u"one", u"two"}));
  WriteRememberedFile(ConfigHome(), file);
  ASSERT_TRUE(StartApp());
  const std::vector<QToolButton*> buttons = Buttons();
  ASSERT_EQ(buttons.size(), 7u);
  for (std::size_t i = 1; i < buttons.size(); ++i) buttons[i]->click();
  EXPECT_EQ(m_commands, (std::vector<UINT>{ID_TASK_EDIT, ID_TASK_UP, ID_TASK_DOWN, ID_TASK_INSERT, ID_TASK_DELETE,
                                           ID_APP_ABOUT}));
  EXPECT_EQ(std::count(m_dialogs.begin(), m_dialogs.end(), UINT{IDD_ABOUTBOX}), 1);
  // With no row selected and the editor cancelled, the list is as it was.
  EXPECT_EQ(Rows(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
}

TEST_F(FrameTest, TheMainWindowsKeysAreNotTranslatedWhileADialogRuns) {
  ASSERT_TRUE(StartApp());
  ActivateFrame();
  bool shown = false;
  m_modalAction = [&](CDialog& dialog) {
    shown = true;
    QWidget* window = dialog.GetDialogWindow() ? dialog.GetDialogWindow() : dialog.GetSafeHwnd();
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    dialog.EndDialog(IDOK);
  };
  Frame()->ExecuteCommand(ID_APP_ABOUT);
  EXPECT_TRUE(shown);
  EXPECT_EQ(m_commands, std::vector<UINT>{ID_APP_ABOUT});
}

TEST_F(FrameTest, TheAboutBoxPutsItsControlsBackAfterEveryResizeAndReloadsTheIcon) {
  ASSERT_TRUE(StartApp());
  bool checked = false;
  m_modalAction = [&](CDialog& dialog) {
    ASSERT_EQ(dialog.GetTemplateId(), UINT{IDD_ABOUTBOX});
    struct Place {
      int id;
      RECT rect;
    };
    std::vector<Place> places{{IDC_ABOUT_VERSION, {12, 36, 12 + 91, 36 + 8}},
                              {IDC_ABOUT_NOTICE, {12, 48, 12 + 92, 48 + 8}},
                              {IDC_ABOUT_ICON, {13, 11, 13 + 20, 11 + 20}}};
    for (Place& place : places) ASSERT_TRUE(dialog.MapDialogRect(&place.rect));
    auto expected = [](const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); };
    auto* icon = qobject_cast<QLabel*>(dialog.GetDlgItemHandle(IDC_ABOUT_ICON));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(dialog.GetDlgItem(IDC_ABOUT_VERSION)->GetWindowText().ToQString(),
              QStringLiteral("Tarvelquist Version 1.2.0.0"));

    for (const QSize size : {QSize(640, 400), QSize(400, 640), QSize(480, 588)}) {
      for (const Place& place : places) dialog.GetDlgItemHandle(place.id)->setGeometry(200, 300, 10, 10);
      const qint64 iconBefore = icon->pixmap().cacheKey();
      QWidget* client = dialog.GetSafeHwnd();
      client->resize(size.width(), size.height() - 40);
      QCoreApplication::processEvents();
      for (const Place& place : places) {
        EXPECT_EQ(dialog.GetDlgItemHandle(place.id)->geometry(), expected(place.rect)) << place.id;
      }
      EXPECT_NE(icon->pixmap().cacheKey(), iconBefore);
      EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
    }
    EXPECT_TRUE(RelayoutFromTemplate(TarvelquistResources(), &dialog, IDD_ABOUTBOX));
    checked = true;
    dialog.EndDialog(IDOK);
  };
  Frame()->ExecuteCommand(ID_APP_ABOUT);
  EXPECT_TRUE(checked);
}

TEST_F(FrameTest, TheAboutBoxShowsBothLinesWhole) {
  ASSERT_TRUE(StartApp());
  std::vector<QString> shown;
  m_modalAction = [&](CDialog& dialog) {
    for (const int id : {IDC_ABOUT_VERSION, IDC_ABOUT_NOTICE}) {
      QWidget* line = dialog.GetDlgItemHandle(id);
      ASSERT_NE(line, nullptr) << id;
      const auto fit = AfxGetControlTextFit(line);
      ASSERT_TRUE(fit.has_value()) << id;  // one line: its box is 8 dialog units high
      EXPECT_FALSE(fit->elided) << id;
      EXPECT_EQ(line->height(), 24);
      shown.push_back(fit->text);
    }
    dialog.EndDialog(IDOK);
  };
  Frame()->ExecuteCommand(ID_APP_ABOUT);
  EXPECT_EQ(shown, (std::vector<QString>{QStringLiteral("Tarvelquist Version 1.2.0.0"),
                                         QStringLiteral("Copyright (C) 2008 VORNAKEL")}));
}

}  // namespace
}  // namespace apptest
