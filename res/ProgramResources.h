// The program's compiled resources, embedded in the executable, and what else the framework takes from the
// program as data.
#pragma once

#include "platform/core/Resource.h"

// The program's locale override variables are TARVELQUIST_LOCALE and TARVELQUIST_ACP.
inline constexpr char kTarvelquistLocalePrefix[] = "TARVELQUIST";

// The resource module over the embedded image; parsed on first use and kept for the life of the process.
HINSTANCE TarvelquistResources();

// Makes that module the framework's resource handle (AfxSetResourceHandle) and names the locale override
// variables after the program. Both programs (the window and tvq) call it first thing.
void RegisterTarvelquistResources();
