// The notification module is loaded with dlopen from its place beside tvq and asked for its service by its
// one exported function; a failure is a message, not an exit.
#include "cli/Notifications.h"

#include <dlfcn.h>

#include "cli/Cli.h"

namespace tvqcli {
std::unique_ptr<NotificationService> ConnectNotificationService(std::string& problem) {
  // Installed and built alike: the module lies at this path from tvq's folder.
  const std::string path = ExecutableFolder() + TVQ_NOTIFY_MODULE;
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);  // kept loaded: its code runs until exit
  if (!module) {
    const char* error = ::dlerror();
    problem = error ? error : "cannot load " + path;
    return nullptr;
  }
  using Connect = NotificationService* (*)();
  const auto connect = reinterpret_cast<Connect>(::dlsym(module, "TvqConnectNotificationService"));
  if (!connect) {
    problem = path + " has no TvqConnectNotificationService";
    return nullptr;
  }
  return std::unique_ptr<NotificationService>(connect());
}

}  // namespace tvqcli
