// The file's test hook: injected faults, so that tests see every read, write, flush and close fail as a full
// disk or a failing device would make it fail. Only the file's own source and tests include this.
#pragma once

#include <functional>

#include "platform/core/CFile.h"

namespace testhooks {

// Called before every open, read, write, flush and close with the operation; a non-zero errno value makes that
// operation fail with it. Pass an empty function to remove.
using FaultInjector = std::function<int(CFile::Operation, const CString& fileName)>;
void SetFaultInjector(FaultInjector injector);

}  // namespace testhooks
