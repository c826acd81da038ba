// tarvelquist: starts the window program with glibc's malloc asking for transparent huge pages. A list of
// 100,000 tasks is some 60 MB of small blocks on malloc's heap; taken from the kernel 4 KB at a time, faulting
// that memory in was a third of the window's start. glibc reads the wish (the tunable glibc.malloc.hugetlb=1)
// only from the environment as a program starts, so this small program, which loads no library beyond the C
// and C++ runtimes, sets it and replaces itself by the window program: the same process, the same arguments
// (the name the user ran included).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/core/ProgramFolder.h"

namespace {

constexpr char kTunables[] = "GLIBC_TUNABLES";
constexpr std::string_view kHugePages = "glibc.malloc.hugetlb";

// The user's tunables with malloc's huge pages added; a choice of the user's about them stays as it is.
void AskForHugePages() {
  const char* current = std::getenv(kTunables);
  std::string tunables = current ? current : "";
  if (tunables.find(kHugePages) != std::string::npos) return;
  if (!tunables.empty()) tunables += ':';
  tunables += kHugePages;
  tunables += "=1";
  setenv(kTunables, tunables.c_str(), 1);
}

}  // namespace

int main(int, char** argv) {
  const std::string folder = platform::ProgramFolder();
  const std::string program = folder + TVQ_WINDOW_PROGRAM;
  AskForHugePages();
  // Without its own folder the path would be taken from the current folder, where anything may lie.
  if (folder.empty()) {
    errno = ENOENT;
  } else {
    execv(program.c_str(), argv);
  }
  std::fprintf(stderr, "tarvelquist: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
  return 1;
}
