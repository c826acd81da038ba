// The log is opened without following links, read at the start and written in place at the end; a key is the
// first characters of a SHA-256 of the path, the subject's units and the due date's bits and status.
#include "cli/RemindLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli/Cli.h"
#include "cli/Errors.h"
#include "platform/core/NativePath.h"

namespace tvqcli {
namespace {

constexpr std::size_t kKeyLength = 32;  // hex digits: 128 bits of the hash

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw OutputError(what + " " + path + ": " + std::strerror(errno));
}

// The folder for the log, private to the user.
void MakeFolder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path(), ignored);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot make the folder", folder);
}

// Opens the log without following a link or waiting on a FIFO; a missing file is -1 when not writing.
int OpenLog(const std::string& path, bool write) {
  const int flags = (write ? O_RDWR | O_CREAT : O_RDONLY) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags, 0600);
  if (fd < 0) {
    if (!write && errno == ENOENT) return -1;
    Fail("cannot open", path);
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    Fail("not a regular file:", path);
  }
  return fd;
}

std::string ReadAll(int fd) {
  std::string text;
  char chunk[1 << 14];
  for (ssize_t got; (got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(text.size()))) != 0;) {
    if (got < 0) {
      if (errno == EINTR) continue;
      return text;  // what could be read; the worst is a task announced again
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return text;
}

}  // namespace

std::string RemindLog::Path() { return StateFolder() + "/reminded"; }

RemindLog::RemindLog(Day today, bool write) : m_day(IsoDate(today)), m_write(write) {
  const std::string path = Path();
  if (write) MakeFolder(path.substr(0, path.rfind('/')));
  m_fd = OpenLog(path, write);
  if (m_fd < 0) return;
  if (write && ::flock(m_fd, LOCK_EX) != 0) Fail("cannot lock", path);
  const std::string text = ReadAll(m_fd);
  std::size_t line = text.find('\n');
  if (line == std::string::npos || text.compare(0, line, m_day) != 0) return;  // another day's: all stale
  for (std::size_t next; (next = text.find('\n', line + 1)) != std::string::npos; line = next) {
    if (next - line - 1 == kKeyLength) m_keys.insert(text.substr(line + 1, kKeyLength));
  }
}

RemindLog::~RemindLog() {
  if (m_fd >= 0) ::close(m_fd);  // and with it the lock
}

std::string RemindLog::KeyOf(const std::string& filePath, const TaskItem& task) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(QByteArrayView(filePath.data(), static_cast<qsizetype>(filePath.size() + 1)));
  const std::u16string_view subject = task.subject.view();
  hash.addData(QByteArrayView(reinterpret_cast<const char*>(subject.data()),
                              static_cast<qsizetype>(subject.size() * sizeof(char16_t))));
  const std::uint64_t due[2] = {DateBits(task.dueDate.m_dt), static_cast<std::uint32_t>(task.dueDate.m_status)};
  hash.addData(QByteArrayView(reinterpret_cast<const char*>(due), sizeof due));
  return hash.result().toHex().left(kKeyLength).toStdString();
}

void RemindLog::Save() {
  if (m_fd < 0 || !m_write) return;
  std::string text = m_day + "\n";
  for (const std::string& key : m_keys) text += key + "\n";
  if (::ftruncate(m_fd, 0) != 0) Fail("cannot write", Path());
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t written = ::pwrite(m_fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail("cannot write", Path());
    done += static_cast<std::size_t>(written);
  }
}

}  // namespace tvqcli
