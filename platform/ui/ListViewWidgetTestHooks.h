// The list's painting test hook: rows drawn afresh on every paint instead of copied from the pictures of their
// last paint, so that tests compare the two. Only the list's own source and tests include this.
#pragma once

namespace testhooks {

// On (the default), lists copy rows that did not change; off, they draw every row. The pictures drawn so far
// are kept for when it is on again. Returns the previous setting.
bool SetRowImagesEnabled(bool enabled);

}  // namespace testhooks
