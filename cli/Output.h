// Standard output of a command: buffered, written whole, a failed write an OutputError.
#pragma once

#include <cstddef>
#include <string>

namespace tvqcli {

// Buffered standard output; throws OutputError when writing fails.
class Output {
 public:
  // A file format's bytes go out exact, except to a terminal: there a person reads them, and with
  // `shownOnTerminal` they show their controls as TerminalLines does.
  explicit Output(bool shownOnTerminal = false);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  std::string& Buffer() { return m_buffer; }
  // Writes when the buffer is large; call after each unit of output. Text shown on a terminal is kept whole
  // (a flush must not cut a character or a line end in two).
  void MaybeFlush() {
    if (m_buffer.size() >= kFlushSize && !m_shown) Flush();
  }
  void Flush();

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;
  std::string m_buffer;
  bool m_shown;
};

}  // namespace tvqcli
