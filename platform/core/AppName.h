// The application's name for the framework below the application object (message box captions, the rescue
// folder of a document): CWinApp installs where it comes from, so that those parts never call the application.
#pragma once

#include <functional>

#include "platform/core/CString.h"

// Installs the source of the name (read each time it is asked); empty removes it.
void AfxSetAppNameSource(std::function<CString()> source);
// The installed source's name; empty without one.
CString AfxGetAppName();
