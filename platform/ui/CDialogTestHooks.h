// The dialog's test hook: how tests meet every modal dialog once it is shown, to drive its real widgets and end
// it. Only the dialog's own source, tests and benchmarks include this.
#pragma once

#include <functional>

class CDialog;

namespace testhooks {

// Called with the dialog once it is shown inside DoModal's loop (the hook drives the real widgets and ends the
// dialog, or returns and lets the loop run). Returns the previous hook.
using ModalHook = std::function<void(CDialog& dialog)>;
ModalHook SetModalHook(ModalHook hook);

}  // namespace testhooks
