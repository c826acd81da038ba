// The window layer's open-file prompt: a file dialog over the main window and as large, with the framework's
// filters. AfxInitWindowLayer makes it the application's file prompt.
#pragma once

#include <QStringList>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// A file dialog with this title and the filter's entries; `fileName` is preselected and receives the choice.
// FALSE when cancelled.
BOOL AfxPromptForFile(CString& fileName, const CString& title, const CString& filter);
// Name filters for the file dialog from a framework filter ("name|pattern|...||", or Qt's "a;;b").
QStringList AfxFileDialogFilters(const CString& filter);
