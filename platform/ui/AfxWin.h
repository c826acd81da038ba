// The window layer's entry and its seams, in one include for the program and its tests: the application's run
// and loop (AfxMessageLoop.h), its main window (AfxMainWindow.h), and the message box and open-file prompt that
// tests replace or answer (AfxMessageBox.h, AfxFileDialog.h).
#pragma once

#include "platform/ui/AfxFileDialog.h"
#include "platform/ui/AfxMainWindow.h"
#include "platform/ui/AfxMessageBox.h"
#include "platform/ui/AfxMessageLoop.h"
