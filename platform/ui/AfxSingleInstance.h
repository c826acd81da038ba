// The application's side of running once per user (the lock itself is CSingleInstance): whether this start
// runs on, the file named on its command line handed to the running instance, and the files later starts hand
// over opened here through the Open flow.
#pragma once

#include <optional>

#include "platform/core/CString.h"

class CSingleInstance;
class CWinApp;

// A file named on the command line goes to the running instance when there is one; this instance, once it
// runs, opens files that later starts hand to it, through the same Open flow as a chosen file.
void AfxHandOverNamedFile(CWinApp& app, CSingleInstance& instance);

// Takes the lock: nothing when this start runs on, else the status it ends with (another instance showed its
// window, or did not answer). Without a lock it can trust the start runs on, with a line on stderr.
std::optional<int> AfxEndUnlessFirst(CSingleInstance& instance, const CString& appName);
