// The XDG folders from the environment with their defaults under the home folder, tvq's settings and standard
// input read whole, and documents kept alive to the end and opened, locked and saved as the window does.
#include "cli/Cli.h"
#include "cli/Errors.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/Display.h"
#include "doc/CTarvelquistDoc.h"
#include "platform/core/CString.h"
#include "platform/core/MessageBox.h"
#include "platform/core/NativePath.h"
#include "platform/core/ProgramFolder.h"
#include "platform/core/Resource.h"
#include "res/resource.h"

namespace tvqcli {

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

std::string ExecutableFolder() { return platform::ProgramFolder(); }

std::string StateFolder() { return XdgFolder("XDG_STATE_HOME", ".local/state") + "/tarvelquist"; }

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

CTarvelquistDoc& DocumentForCommand() {
  // Deliberately never destroyed (see the header): a static container would free the documents at exit.
  static auto& kept = *new std::vector<std::unique_ptr<CTarvelquistDoc>>;
  kept.push_back(std::make_unique<CTarvelquistDoc>());
  return *kept.back();
}

namespace {

bool Open(CTarvelquistDoc& document, const std::string& path) {
  return document.OnOpenDocument(platform::PathFromNative(path)) != FALSE;
}

}  // namespace

bool LoadDocument(CTarvelquistDoc& document, const std::string& path) {
  document.SetReadHashUnused();  // only read: no version of it is ever compared
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
  document.SetWrittenHashUnused();  // tvq is done with the document once it is saved
  return document.OnSaveDocument(platform::PathFromNative(path)) != FALSE;
}

}  // namespace tvqcli
