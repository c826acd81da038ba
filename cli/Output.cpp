// The buffer goes out whole on Flush and at the end, with interrupted writes retried, and made safe for a
// terminal first when standard output is one.
#include "cli/Output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "cli/Display.h"
#include "cli/Errors.h"

namespace tvqcli {

namespace {

void WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      throw OutputError(std::string("cannot write to standard output: ") + std::strerror(errno));
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

Output::Output(bool shownOnTerminal) : m_shown(shownOnTerminal && ::isatty(STDOUT_FILENO)) {
  m_buffer.reserve(kFlushSize * 2);
}

Output::~Output() {
  try {
    Flush();
  } catch (const OutputError&) {
    // Already reported where it mattered: commands flush before they return.
  }
}

void Output::Flush() {
  if (m_buffer.empty()) return;
  if (m_shown) m_buffer = TerminalLines(m_buffer);
  WriteAll(STDOUT_FILENO, m_buffer.data(), m_buffer.size());
  m_buffer.clear();
}

}  // namespace tvqcli
