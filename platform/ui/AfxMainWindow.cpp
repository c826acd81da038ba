// The main window's widget, the window prompts go over, and bringing the window to the front.
#include "platform/ui/AfxMainWindow.h"

#include <algorithm>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "platform/core/CWinApp.h"
#include "platform/ui/CDialog.h"
#include "platform/ui/CWnd.h"

namespace {

// Shows a window that may be minimized and puts it on top of the others.
void BringToFront(QWidget* window) {
  if (window->isMinimized()) window->showNormal();
  window->raise();
}

}  // namespace

QWidget* AfxGetMainWindowWidget() {
  const CWinApp* app = AfxGetApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

BOOL AfxActivateMainWindow() {
  QWidget* main = AfxGetMainWindowWidget();
  if (main && !main->isVisible()) main = nullptr;
  // What lies in front of the main window, from the bottom up: the running dialogs (the editor, the About box),
  // then a message box or file chooser. They go to the front after it, and the topmost one takes the focus:
  // the main window takes no input while any of them runs.
  std::vector<QWidget*> front = CDialog::GetRunningDialogWindows();
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && std::find(front.begin(), front.end(), modal) == front.end()) front.push_back(modal);
  std::erase_if(front, [](const QWidget* window) { return !window->isVisible(); });
  // Before the main window exists only a start-up message can be shown.
  if (!main && front.empty()) return FALSE;
  if (main) BringToFront(main);
  for (QWidget* window : front) BringToFront(window);
  (front.empty() ? main : front.back())->activateWindow();
  return TRUE;
}

QWidget* AfxGetPromptParent() {
  if (QWidget* main = AfxGetMainWindowWidget(); main && main->isVisible()) return main;
  return QApplication::activeWindow();
}
