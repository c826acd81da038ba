// The folder of the running program's own file, with its trailing slash; empty when the system does not say.
// The programs and modules that only some runs start or load lie at fixed paths from it, in the build tree and
// when installed alike. Header-only and without Qt, for a small program that starts another as for the rest.
#pragma once

#include <unistd.h>

#include <array>
#include <string>

namespace platform {

inline std::string ProgramFolder() {
  std::array<char, 4096> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return {};
  const std::string program(path.data(), static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

}  // namespace platform
