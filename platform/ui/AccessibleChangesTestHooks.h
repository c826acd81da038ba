// The list's accessibility test hook: where the list's accessible events go instead of Qt's accessibility,
// which Qt's offscreen platform never makes active. Only the reporter's own source and tests include this.
#pragma once

#include <functional>

class QAccessibleEvent;

namespace testhooks {

// While a sink is set the changes are reported, whether or not assistive technology listens. Returns the
// previous one.
using EventSink = std::function<void(QAccessibleEvent& event)>;
EventSink SetEventSink(EventSink sink);

}  // namespace testhooks
