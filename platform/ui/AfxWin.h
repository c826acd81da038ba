// The window layer's entry and its seams: the program's main, the Qt application with the dialog font, the
// single-instance test, and the hooks through which message boxes and the open-file dialog appear (replaceable
// by tests).
#pragma once

#include <QStringList>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CWinApp;
class QApplication;
class QWidget;

// Runs the application object: --help/--version answered, single instance, InitInstance, the message loop,
// ExitInstance. Returns the process status.
int AfxWinMain(int argc, char** argv);

// Qt set-up shared by the program and GUI tests: the dialog font, the message-box sink (a QMessageBox with the
// exclamation icon, over the main window) and the open-file dialog ("Open", the template's filters).
void AfxInitWindowLayer(QApplication& app);

// Ends the application's message loop once control returns to it (the main window has gone). Does nothing
// when the loop is not running (GUI tests drive the windows without it).
void AfxPostQuitMessage(int nExitCode);

// Closes the program as a user would, as the termination signals ask it: every modal dialog is closed first
// (which cancels it), and the main window (saving a modified document) only once no nested loop runs any more,
// however the dialog was opened. Before the main window exists, the start-up ends as soon as it has finished.
void AfxRequestClose();

// The main window's widget (m_pMainWnd), or null.
QWidget* AfxGetMainWindowWidget();
// Brings the visible main window to the front with every dialog and message box open over it still above it,
// and activates the topmost of them: what a second start asks of the running instance. Before the main window
// exists, brings a start-up message box to the front. FALSE when there is no window to show.
BOOL AfxActivateMainWindow();

// The window layer's message box: icon from MB_ICON..., buttons from MB_TYPEMASK, over the main window and no
// wider than it.
// Returns the button pressed (IDOK, IDYES, ...).
int AfxShowMessageBox(const CString& text, const CString& caption, UINT nType);
// The message box's text with a zero-width space after each path separator that a word goes on from, where a
// line may break.
QString BreakablePaths(const QString& text);
// The window layer's open-file prompt: a file dialog with this title and the filter's entries. FALSE when
// cancelled.
BOOL AfxPromptForFile(CString& fileName, const CString& title, const CString& filter);
// Name filters for the file dialog from a framework filter ("name|pattern|...||", or Qt's "a;;b").
QStringList AfxFileDialogFilters(const CString& filter);
