// The frame's test hook: a probe that sees every command the frame routes, so that tests can tell which command
// a key, a menu item or a button sent. Only the frame's own source and tests include this.
#pragma once

#include <functional>

#include "platform/core/WinTypes.h"

namespace testhooks {

// Sees every command id that CFrameWnd::OnCommand routes, before routing. Returns the previous probe.
using CommandProbe = std::function<void(UINT nID)>;
CommandProbe SetCommandProbe(CommandProbe probe);

}  // namespace testhooks
