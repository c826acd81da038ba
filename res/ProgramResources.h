// The program's compiled resources, embedded in the executable.
#pragma once

#include "platform/core/Resource.h"

// The resource module over the embedded image; parsed on first use and kept for the life of the process.
HINSTANCE TarvelquistResources();

// Makes that module the framework's resource handle (AfxSetResourceHandle).
void RegisterTarvelquistResources();
