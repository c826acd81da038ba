// The name's source is a function installed once, guarded by a mutex; without one the name is empty.
#include "platform/core/AppName.h"

#include <mutex>

namespace {

std::mutex g_mutex;
std::function<CString()> g_source;

}  // namespace

void AfxSetAppNameSource(std::function<CString()> source) {
  std::lock_guard lock(g_mutex);
  g_source = std::move(source);
}

CString AfxGetAppName() {
  std::function<CString()> source;
  {
    std::lock_guard lock(g_mutex);
    source = g_source;
  }
  return source ? source() : CString();
}
