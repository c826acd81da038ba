// The window layer's message box: the icon and buttons a framework message box asks for, over the main window
// and no wider than it. AfxInitWindowLayer makes it the framework's message-box sink.
#pragma once

#include <QString>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// Icon from MB_ICON..., buttons from MB_TYPEMASK. Returns the button pressed (IDOK, IDYES, ...).
int AfxShowMessageBox(const CString& text, const CString& caption, UINT nType);
// The message box's text with a zero-width space after each path separator that a word goes on from, where a
// line may break.
QString BreakablePaths(const QString& text);
