#include "platform/core/CFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

std::mutex g_injectorMutex;
CFile::FaultInjector g_injector;

// Absolute, with "." and ".." folded, so that messages always name the whole path.
CString FullPath(const CString& fileName) {
  if (fileName.IsEmpty()) return fileName;
  const QString absolute = QFileInfo(fileName.ToQString()).absoluteFilePath();
  return CString::FromQString(QDir::cleanPath(absolute));
}

std::string NativePath(const CString& fileName) { return QFile::encodeName(fileName.ToQString()).toStdString(); }

int AccessMode(UINT flags) {
  switch (flags & 0x3) {
    case CFile::modeWrite: return O_WRONLY;
    case CFile::modeReadWrite: return O_RDWR;
    default: return O_RDONLY;
  }
}

// The advisory lock that stands for the share mode: readers that deny writers share the file, writers that
// deny others hold it alone.
int LockFor(UINT flags) {
  const UINT share = flags & 0x70;
  const bool writing = (flags & 0x3) != CFile::modeRead;
  if (share == CFile::shareExclusive || share == CFile::shareDenyRead) return LOCK_EX;
  if (share == CFile::shareDenyWrite) return writing ? LOCK_EX : LOCK_SH;
  return 0;
}

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

// The mode a new file gets: 0666 less the process's umask (read without changing it for long).
mode_t NewFileMode() {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

// ---- CFile --------------------------------------------------------------------------------------------------

CFile::CFile(const CString& fileName, UINT openFlags) {
  CFileException error;
  if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() {
  if (IsOpen()) CFile::Abort();
}

void CFile::SetFaultInjector(FaultInjector injector) {
  std::lock_guard lock(g_injectorMutex);
  g_injector = std::move(injector);
}

int CFile::InjectedFault(Operation op, const CString& fileName) {
  FaultInjector injector;
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
  m_strFileName = FullPath(fileName);
  m_written = false;
  if (m_strFileName.IsEmpty()) return ENOENT;
  return InjectedFault(Operation::open, m_strFileName);
}

BOOL CFile::FailOpen(int errnoValue, CFileException* error) const {
  if (error) *error = CFileException(CFileException::OsErrorToCause(errnoValue), errnoValue, m_strFileName);
  return FALSE;
}

BOOL CFile::Open(const CString& fileName, UINT openFlags, CFileException* error) {
  if (IsOpen()) Abort();
  const auto fail = [&](int errnoValue) { return FailOpen(errnoValue, error); };
  if (const int refused = BeginOpen(fileName)) return fail(refused);

  int flags = AccessMode(openFlags) | O_CLOEXEC;
  if (openFlags & modeCreate) flags |= O_CREAT | ((openFlags & modeNoTruncate) ? 0 : O_TRUNC);
  int fd = -1;
  do {
    fd = ::open(NativePath(m_strFileName).c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return fail(errno);

  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int errnoValue = S_ISDIR(info.st_mode) ? EISDIR : errno;
    CloseQuietly(fd);
    return fail(errnoValue);
  }
  if (const int lock = LockFor(openFlags)) {
    int result = 0;
    do {
      result = ::flock(fd, lock | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
      const int errnoValue = errno;
      CloseQuietly(fd);
      return fail(errnoValue);
    }
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
      ThrowOsError(errno);
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

// ---- CMirrorFile --------------------------------------------------------------------------------------------

CMirrorFile::~CMirrorFile() {
  if (IsOpen() || !m_strMirrorName.IsEmpty()) CMirrorFile::Abort();
}

BOOL CMirrorFile::Open(const CString& fileName, UINT openFlags, CFileException* error) {
  if (IsOpen() || !m_strMirrorName.IsEmpty()) Abort();
  const bool writing = (openFlags & 0x3) != modeRead;
  if (!(openFlags & modeCreate) || (openFlags & modeNoTruncate) || !writing) {
    return CFile::Open(fileName, openFlags, error);
  }
  const auto fail = [&](int errnoValue) { return FailOpen(errnoValue, error); };
  if (const int refused = BeginOpen(fileName)) return fail(refused);

  // Saving through a symbolic link replaces the file it points to and keeps the link.
  m_strRenameTarget = m_strFileName;
  if (const QFileInfo link(m_strFileName.ToQString()); link.isSymLink()) {
    const QString resolved = link.canonicalFilePath();
    if (!resolved.isEmpty()) m_strRenameTarget = CString::FromQString(resolved);
  }
  const std::string target = NativePath(m_strRenameTarget);
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return fail(EISDIR);
    if (::access(target.c_str(), W_OK) != 0) return fail(errno);
    m_targetMode = info.st_mode & 07777;
    m_targetUid = info.st_uid;
    m_targetGid = info.st_gid;
    m_targetExists = true;
    // Someone who holds the file (a reader that denies writers) blocks the save, as an open would.
    const int probe = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (probe >= 0) {
      const int locked = ::flock(probe, LOCK_EX | LOCK_NB);
      const int errnoValue = errno;
      if (locked != 0) {
        ::close(probe);
        return fail(errnoValue);
      }
      m_targetLockFd = probe;
    }
  } else if (errno != ENOENT) {
    return fail(errno);
  } else {
    m_targetMode = NewFileMode();
    m_targetExists = false;
  }

  const QFileInfo targetInfo(m_strRenameTarget.ToQString());
  std::string pattern =
      QFile::encodeName(targetInfo.absolutePath() + u'/' + u'.' + targetInfo.fileName()).toStdString() +
      ".XXXXXX";
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    const int errnoValue = errno;
    ReleaseTargetLock();
    return fail(errnoValue);
  }
  m_fd = fd;
  m_strMirrorName = CString::FromQString(QFile::decodeName(pattern.c_str()));
  return TRUE;
}

void CMirrorFile::ReleaseTargetLock() {
  CloseQuietly(m_targetLockFd);
  m_targetLockFd = -1;
}

void CMirrorFile::Close() {
  if (m_strMirrorName.IsEmpty()) {
    CFile::Close();
    return;
  }
  const std::string mirror = NativePath(m_strMirrorName);
  const std::string target = NativePath(m_strRenameTarget);
  const auto failWith = [&](int errnoValue) {
    Abort();
    ThrowOsError(errnoValue);
  };
  // Every byte must be on the disk before the name moves.
  if (const int injected = InjectedFault(Operation::flush, m_strFileName)) failWith(injected);
  if (::fsync(m_fd) != 0) failWith(errno);
  if (::fchmod(m_fd, static_cast<mode_t>(m_targetMode)) != 0) failWith(errno);
  if (m_targetExists && ::geteuid() == 0) {
    [[maybe_unused]] const int ignored = ::fchown(m_fd, static_cast<uid_t>(m_targetUid), static_cast<gid_t>(m_targetGid));  // keep the owner
  }
  const int fd = m_fd;
  m_fd = -1;
  const int injected = InjectedFault(Operation::close, m_strFileName);
  const int closed = ::close(fd);
  if (injected) failWith(injected);
  if (closed != 0 && errno != EINTR) failWith(errno);
  if (::rename(mirror.c_str(), target.c_str()) != 0) failWith(errno);
  m_strMirrorName.Empty();
  ReleaseTargetLock();
  // Make the rename itself durable.
  const std::string folder = QFile::encodeName(QFileInfo(m_strRenameTarget.ToQString()).absolutePath()).toStdString();
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void CMirrorFile::Abort() {
  CFile::Abort();
  if (!m_strMirrorName.IsEmpty()) {
    ::unlink(NativePath(m_strMirrorName).c_str());
    m_strMirrorName.Empty();
  }
  ReleaseTargetLock();
}
