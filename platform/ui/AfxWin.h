// The window layer's entry and its seams: the program's main, the Qt application with the dialog font, the
// single-instance test, and the hooks through which message boxes and the open-file dialog appear (replaceable
// by tests).
#pragma once

#include <QFont>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CWinApp;
class QApplication;

// Runs the application object: --help/--version answered, single instance, InitInstance, the message loop,
// ExitInstance. Returns the process status.
int AfxWinMain(int argc, char** argv);

// Qt set-up shared by the program and GUI tests: the dialog font, the message-box sink (a QMessageBox with the
// exclamation icon, over the main window) and the open-file dialog ("Open", the template's filters).
void AfxInitWindowLayer(QApplication& app);

// The dialog font: "MS UI Gothic" 9 pt where installed, else IPA P Gothic, sized as on the handheld's 192-dpi
// screen (9 pt = 24 px).
QFont AfxGetDialogFont();

// Dialog base units of the dialog font (average width of A-Z a-z, and its height), as MapDialogRect uses.
struct DialogBaseUnits {
  int cx;
  int cy;
};
DialogBaseUnits AfxGetDialogBaseUnits();
