// The application's run from start to end: the window layer's set-up, the start (information requests, single
// instance, InitInstance), the message loop, and the ways the loop ends (a quit, a close request).
#pragma once

class QApplication;

// Runs the application object: --help/--version answered, single instance, InitInstance, the message loop,
// ExitInstance. Returns the process status.
int AfxWinMain(int argc, char** argv);

// Qt set-up shared by the program and GUI tests: the dialog font, the standard controls, the message-box sink
// (AfxShowMessageBox) and the open-file prompt (AfxPromptForFile).
void AfxInitWindowLayer(QApplication& app);

// Ends the application's message loop once control returns to it (the main window has gone). Does nothing
// when the loop is not running (GUI tests drive the windows without it).
void AfxPostQuitMessage(int nExitCode);

// Closes the program as a user would, as the termination signals ask it: every modal dialog is closed first
// (which cancels it), and the main window (saving a modified document) only once no nested loop runs any more,
// however the dialog was opened. Before the main window exists, the start-up ends as soon as it has finished.
void AfxRequestClose();
