// AfxMessageBox and its replaceable sink: the window shows a message box, a program without windows prints on
// stderr, tests record.
#pragma once

#include <functional>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// text, caption (the application's name, else the executable's), type (MB_...). Returns the button pressed (IDOK, IDYES, ...).
using MessageBoxHandler = std::function<int(const CString& text, const CString& caption, UINT type)>;

// Installs a sink and returns the one it replaces. An empty handler restores the default (stderr, IDOK).
MessageBoxHandler AfxSetMessageBoxHandler(MessageBoxHandler handler);

int AfxMessageBox(const CString& text, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
