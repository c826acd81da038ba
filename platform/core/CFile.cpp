// The framework's file on a POSIX descriptor: open flags and share locks, reads and writes, failures as
// CFileException, and the faults tests inject.
#include "platform/core/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/CFileTestHooks.h"
#include "platform/core/FileLock.h"
#include "platform/core/NativePath.h"

namespace {

std::mutex g_injectorMutex;
testhooks::FaultInjector g_injector;
std::atomic<long long> g_lockWaitMs{2000};

using platform::ToNativePath;

int AccessMode(UINT flags) {
  switch (flags & 0x3) {
    case CFile::modeWrite: return O_WRONLY;
    case CFile::modeReadWrite: return O_RDWR;
    default: return O_RDONLY;
  }
}

// The advisory lock that stands for the share mode: readers that deny writers share the file, writers that
// deny others hold it alone.
std::optional<CFileLock::Mode> LockFor(UINT flags) {
  const UINT share = flags & 0x70;
  const bool writing = (flags & 0x3) != CFile::modeRead;
  if (share == CFile::shareExclusive || share == CFile::shareDenyRead) return CFileLock::Mode::exclusive;
  if (share == CFile::shareDenyWrite) return writing ? CFileLock::Mode::exclusive : CFileLock::Mode::shared;
  return std::nullopt;
}

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

// Opens without blocking (a FIFO without a writer, a device) and without taking a terminal; 0 or errno.
int OpenNonBlocking(const std::string& path, int flags, int& fd) {
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0) return 0;
  return errno == ENXIO ? EACCES : errno;  // a socket, or a FIFO nobody reads: not a file to use
}

// Only regular files are documents: a folder, FIFO, device or socket is refused; 0 or errno. The descriptor
// blocks again afterwards, as files do.
int CheckRegular(int fd, struct stat& info) {
  if (::fstat(fd, &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return EACCES;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return errno;
  return 0;
}

}  // namespace

// ---- identity -----------------------------------------------------------------------------------------------

namespace {
CFileIdentity IdentityOf(const struct stat& info) {
  CFileIdentity identity;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.size = static_cast<ULONGLONG>(info.st_size);
  identity.mtimeNs = static_cast<LONGLONG>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
  identity.valid = true;
  return identity;
}
}  // namespace

CFileIdentity CFileIdentity::OfDescriptor(int fd) {
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0) return {};
  return IdentityOf(info);
}

CFileIdentity CFileIdentity::OfPath(const CString& path) {
  struct stat info {};
  if (path.IsEmpty() || ::stat(ToNativePath(path).c_str(), &info) != 0) return {};
  return IdentityOf(info);
}

CFileIdentity CFileIdentity::OfLink(const CString& path) {
  struct stat info {};
  if (path.IsEmpty() || ::lstat(ToNativePath(path).c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return {};
  return IdentityOf(info);
}

// ---- CFile --------------------------------------------------------------------------------------------------

CFile::CFile(const CString& fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() {
  if (IsOpen()) CFile::Abort();
}

void testhooks::SetFaultInjector(FaultInjector injector) {
  std::lock_guard lock(g_injectorMutex);
  g_injector = std::move(injector);
}

void CFile::SetLockWait(std::chrono::milliseconds wait) { g_lockWaitMs = wait.count(); }

std::chrono::milliseconds CFile::GetLockWait() { return std::chrono::milliseconds(g_lockWaitMs.load()); }

int CFile::InjectedFault(Operation op, const CString& fileName) {
  testhooks::FaultInjector injector;
  {
    std::lock_guard lock(g_injectorMutex);
    injector = g_injector;
  }
  return injector ? injector(op, fileName) : 0;
}

void CFile::ThrowOsError(int errnoValue) const {
  AfxThrowFileException(CFileException::OsErrorToCause(errnoValue), errnoValue, m_strFileName);
}

int CFile::BeginOpen(const CString& fileName) {
  m_strFileName = platform::AbsolutePath(fileName);
  m_written = false;
  if (m_strFileName.IsEmpty()) return ENOENT;
  if (fileName.view().ends_with(u'/')) return ENOTDIR;  // a name ending in a slash names a folder, never a file
  return InjectedFault(Operation::open, m_strFileName);
}

BOOL CFile::FailOpen(int errnoValue, CFileException* error, const CString& named) const {
  if (error) {
    *error = CFileException(CFileException::OsErrorToCause(errnoValue), errnoValue,
                            named.IsEmpty() ? m_strFileName : named);
  }
  return FALSE;
}

BOOL CFile::Open(const CString& fileName, UINT openFlags, CFileException* error) {
  if (IsOpen()) Abort();
  const auto fail = [&](int errnoValue) { return FailOpen(errnoValue, error); };
  if (const int refused = BeginOpen(fileName)) return fail(refused);

  int flags = AccessMode(openFlags);
  if (openFlags & modeCreate) flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);
  int fd = -1;
  if (const int failed = OpenNonBlocking(ToNativePath(m_strFileName), flags, fd)) return fail(failed);
  struct stat info {};
  int failed = CheckRegular(fd, info);
  const auto lock = LockFor(openFlags);
  // A lock this process holds from a read to its save covers its own opens of that file.
  if (!failed && lock && !CFileLock::HeldByProcess(info.st_dev, info.st_ino)) {
    failed = CFileLock::LockDescriptor(fd, *lock, GetLockWait());
  }
  if (failed) {
    CloseQuietly(fd);
    return fail(failed);
  }
  m_fd = fd;
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (!IsOpen()) ThrowOsError(EBADF);
  if (count == 0) return 0;
  if (const int injected = InjectedFault(Operation::read, m_strFileName)) ThrowOsError(injected);
  auto* bytes = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const ssize_t got = ::read(m_fd, bytes + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowOsError(errno);
    }
    if (got == 0) break;  // end of file
    done += static_cast<UINT>(got);
  }
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (!IsOpen()) ThrowOsError(EBADF);
  if (count == 0) return;
  if (const int injected = InjectedFault(Operation::write, m_strFileName)) ThrowOsError(injected);
  m_written = true;
  const auto* bytes = static_cast<const char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const ssize_t put = ::write(m_fd, bytes + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      ThrowOsError(errno);  // EFBIG beyond the file-size limit (SIGXFSZ is ignored): disk full
    }
    if (put == 0) ThrowOsError(ENOSPC);  // the device took nothing: it is full
    done += static_cast<UINT>(put);
  }
}

void CFile::Flush() {
  if (!IsOpen()) return;
  if (const int injected = InjectedFault(Operation::flush, m_strFileName)) ThrowOsError(injected);
  if (m_written && ::fsync(m_fd) != 0 && errno != EINVAL) ThrowOsError(errno);
}

void CFile::Close() {
  if (!IsOpen()) return;
  const int fd = m_fd;
  m_fd = -1;
  const int injected = InjectedFault(Operation::close, m_strFileName);
  const int result = ::close(fd);
  const int errnoValue = injected ? injected : (result != 0 && errno != EINTR ? errno : 0);
  // A failed close loses data only when something was written.
  if (errnoValue != 0 && m_written) ThrowOsError(errnoValue);
}

void CFile::Abort() {
  CloseQuietly(m_fd);
  m_fd = -1;
}

ULONGLONG CFile::GetLength() const {
  if (!IsOpen()) ThrowOsError(EBADF);
  struct stat info {};
  if (::fstat(m_fd, &info) != 0) ThrowOsError(errno);
  return static_cast<ULONGLONG>(info.st_size);
}

unsigned CFile::GetMode() const {
  struct stat info {};
  if (m_fd < 0 || ::fstat(m_fd, &info) != 0) return 07777;
  return info.st_mode & 07777;
}

ULONGLONG CFile::GetPosition() const {
  if (!IsOpen()) ThrowOsError(EBADF);
  const off_t position = ::lseek(m_fd, 0, SEEK_CUR);
  if (position < 0) ThrowOsError(errno);
  return static_cast<ULONGLONG>(position);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!IsOpen()) ThrowOsError(EBADF);
  const int whence = from == end ? SEEK_END : from == current ? SEEK_CUR : SEEK_SET;
  const off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
  if (position < 0) {
    const int errnoValue = errno;
    AfxThrowFileException(CFileException::badSeek, errnoValue, m_strFileName);
  }
  return static_cast<ULONGLONG>(position);
}

ULONGLONG CFile::GetStoredLength(ULONGLONG position, ULONGLONG enough) const {
  const ULONGLONG length = GetLength();
  const ULONGLONG apparent = length > position ? length - position : 0;
  const off_t saved = ::lseek(m_fd, 0, SEEK_CUR);
  ULONGLONG stored = 0;
  auto offset = static_cast<off_t>(position);
  while (stored < enough && static_cast<ULONGLONG>(offset) < length) {
    const off_t data = ::lseek(m_fd, offset, SEEK_DATA);
    if (data < 0) {
      if (errno != ENXIO) stored = apparent;  // no way to tell: take the length
      break;                                  // ENXIO: only a hole is left
    }
    const off_t hole = ::lseek(m_fd, data, SEEK_HOLE);
    if (hole < 0) {
      stored = apparent;
      break;
    }
    stored += static_cast<ULONGLONG>(hole - data);
    offset = hole;
  }
  if (saved >= 0) ::lseek(m_fd, saved, SEEK_SET);
  return std::min(stored, apparent);
}

void AfxIgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }
