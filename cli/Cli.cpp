#include "cli/Cli.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/Display.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/core/CString.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Resource.h"
#include "res/resource.h"
#include "platform/core/NativePath.h"

namespace tvqcli {

const std::string* ParsedArguments::Value(std::string_view name) const {
  const auto found = options.find(name);
  return found == options.end() ? nullptr : &found->second;
}

ParsedArguments ParseArguments(const std::vector<std::string>& args, std::span<const OptionSpec> options) {
  ParsedArguments parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg.size() < 3 || arg[1] != '-') throw UsageError("unknown option '" + Echo(arg) + "'");
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionSpec* option = nullptr;
    for (const OptionSpec& candidate : options) {
      if (candidate.name == name) option = &candidate;
    }
    if (!option) throw UsageError("unknown option '--" + Echo(name) + "'");
    if (parsed.Has(name)) throw UsageError("option '--" + name + "' given twice");
    std::string value;
    if (option->takesValue) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("option '--" + name + "' needs a value");
      }
    } else if (equals != std::string::npos) {
      throw UsageError("option '--" + name + "' takes no value");
    }
    parsed.options.emplace(name, std::move(value));
  }
  return parsed;
}

void ExpectPositional(const ParsedArguments& parsed, std::size_t count, std::string_view what) {
  if (parsed.positional.size() < count) throw UsageError("missing " + std::string(what));
  if (parsed.positional.size() > count) {
    throw UsageError("unexpected argument '" + Echo(parsed.positional[count]) + "'");
  }
}

int ColumnNamed(std::string_view name) {
  static constexpr std::string_view kColumns[] = {"subject", "due", "priority", "memo"};
  for (int column = 0; column < 4; ++column) {
    if (kColumns[column] == name) return column;
  }
  return -1;
}

std::string HomeFolder() {
  if (const char* env = std::getenv("HOME"); env && *env) return env;
  if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

std::string XdgFolder(const char* variable, const char* underHome) {
  if (const char* configured = std::getenv(variable); configured && configured[0] == '/') return configured;
  return HomeFolder() + "/" + underHome;
}

std::string StateFolder() { return XdgFolder("XDG_STATE_HOME", ".local/state") + "/tarvelquist"; }

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

std::string ReadStandardInput() {
  std::string input;
  char chunk[1 << 16];
  while (true) {
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw InputError(std::string("cannot read standard input: ") + std::strerror(errno));
    }
    if (input.size() + static_cast<std::size_t>(got) > kMaxStandardInput) {
      throw InputError("standard input is larger than " + std::to_string(kMaxStandardInput >> 20) +
                       " MiB; nothing was written");
    }
    input.append(chunk, static_cast<std::size_t>(got));
  }
  return input;
}

bool ReadSettingsFile(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return false;
  const auto fail = [&path](int error) {
    throw InputError("cannot read " + TerminalText(path) + ": " + std::strerror(error));
  };
  if (fd < 0) fail(errno);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    fail(EINVAL);
  }
  text.clear();
  char chunk[1 << 14];
  for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      fail(error);
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return true;
}

std::string Echo(std::string_view input) {
  if (input.size() <= kMaxEcho) return std::string(input);
  std::size_t cut = kMaxEcho;
  while (cut > 0 && (static_cast<unsigned char>(input[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
  return std::string(input.substr(0, cut)) + "…";
}

namespace {

bool Open(CTarvelquistDoc& document, const std::string& path) {
  return document.OnOpenDocument(platform::PathFromNative(path)) != FALSE;
}

}  // namespace

bool LoadDocument(CTarvelquistDoc& document, const std::string& path) {
  if (!Open(document, path)) return false;
  // What the tasks do not show is said once: a save over the file keeps it aside.
  if (document.GetFileState().unreadBytes) {
    AfxMessageBox(AfxLoadString(IDP_UNREAD_BYTES).FormatMessage1(platform::DisplayPath(document.GetFileState().path)),
                  MB_ICONEXCLAMATION);
  }
  return true;
}

bool LoadForChange(CTarvelquistDoc& document, const std::string& path, bool createWhenMissing) {
  if (!document.HoldFileLock(platform::PathFromNative(path))) return false;
  struct stat info {};
  if (createWhenMissing && ::lstat(path.c_str(), &info) != 0 && errno == ENOENT) return true;
  return Open(document, path);
}

bool SaveDocument(CTarvelquistDoc& document, const std::string& path) {
  return document.OnSaveDocument(platform::PathFromNative(path)) != FALSE;
}

}  // namespace tvqcli
