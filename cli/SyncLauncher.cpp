// tvq sync in tvq itself: the command runs in tvq-sync, a program of its own beside tvq-notify.so, so that only
// a sync loads Qt Network and its libraries (TLS, proxies, Kerberos) and every other command starts without them.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "cli/Display.h"
#include "cli/Errors.h"
#include "cli/SyncHelp.h"

#ifndef TVQ_SYNC_PROGRAM
#define TVQ_SYNC_PROGRAM "tvq-sync"
#endif

namespace tvqcli {
namespace {

// Replaces this process by tvq-sync with the same arguments; returns only when it cannot be started.
int RunSyncProgram(const std::vector<std::string>& args) {
  const std::string folder = ExecutableFolder();
  const std::string path = folder + TVQ_SYNC_PROGRAM;
  std::vector<std::string> argv = {path, std::string(kSyncName)};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  // Without tvq's own folder the path would be taken from the current folder, where anything may lie.
  if (folder.empty()) {
    errno = ENOENT;
  } else {
    ::execv(path.c_str(), pointers.data());
  }
  const std::string line = "tvq sync: cannot run " + TerminalText(path) + ": " + std::strerror(errno) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return kExitFailure;
}

}  // namespace

extern const Command kSyncCommand{kSyncName, kSyncSummary, kSyncUsage, kSyncHelp, &RunSyncProgram};

}  // namespace tvqcli
