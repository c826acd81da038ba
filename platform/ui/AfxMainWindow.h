// The application's main window as the rest of the window layer sees it: its widget, the window a prompt goes
// over, and bringing it (with whatever is open over it) to the front.
#pragma once

#include "platform/core/WinTypes.h"

class QWidget;

// The main window's widget (m_pMainWnd), or null.
QWidget* AfxGetMainWindowWidget();
// Brings the visible main window to the front with every dialog and message box open over it still above it,
// and activates the topmost of them: what a second start asks of the running instance. Before the main window
// exists, brings a start-up message box to the front. FALSE when there is no window to show.
BOOL AfxActivateMainWindow();
// The window a message box or file dialog goes over: the main window once it shows, else the active window.
QWidget* AfxGetPromptParent();
