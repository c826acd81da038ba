// The mirror file: a save through a temporary file renamed over the target, and the names kept files get.
#include "platform/core/CMirrorFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <random>
#include <string>

#include "platform/core/FileLock.h"
#include "platform/core/NativePath.h"

namespace {

using platform::ToNativePath;

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

std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random(std::random_device{}());
  std::string suffix(6, 'X');
  for (char& c : suffix) c = kChars[random() % (sizeof kChars - 1)];
  return suffix;
}

constexpr int kMaxKeptNameTries = 1000;

// The name a failed save's message gives: the folder when the folder is what is missing or closed.
CString FailedName(const CString& target, int errnoValue) {
  if (target.IsEmpty()) return {};
  const bool aboutFolder = errnoValue == ENOENT || errnoValue == EACCES || errnoValue == EROFS ||
                           errnoValue == ENOTDIR || errnoValue == EPERM;
  if (!aboutFolder) return {};
  const CString folder = platform::FolderOf(target);
  struct stat info {};
  if (::stat(ToNativePath(folder).c_str(), &info) != 0) return folder;  // gone, or not a folder
  if (errnoValue != ENOENT && ::access(ToNativePath(folder).c_str(), W_OK | X_OK) != 0) return folder;
  return {};
}

bool Unsupported(int errnoValue) { return errnoValue == EINVAL || errnoValue == ENOSYS || errnoValue == EOPNOTSUPP; }

}  // namespace

CMirrorFile::CMirrorFile() = default;

CMirrorFile::~CMirrorFile() {
  if (IsOpen() || m_mirroring) CMirrorFile::Abort();
}

BOOL CMirrorFile::Open(const CString& fileName, UINT openFlags, CFileException* error) {
  if (IsOpen() || m_mirroring) Abort();
  m_strKeptName.Empty();
  m_keptReason = Displaced::drop;
  m_strDivertedName.Empty();
  m_writtenIdentity = {};
  const bool writing = (openFlags & 0x3) != modeRead;
  if (!(openFlags & modeCreate) || (openFlags & modeNoTruncate) || !writing) {
    return CFile::Open(fileName, openFlags, error);
  }
  const auto fail = [&](int errnoValue) {
    m_lock.reset();
    return FailOpen(errnoValue, error, FailedName(m_strRenameTarget, errnoValue));
  };
  m_strRenameTarget.Empty();
  if (const int refused = BeginOpen(fileName)) return fail(refused);

  m_strRenameTarget = m_strFileName;
  const std::string named = ToNativePath(m_strFileName);
  if (m_checkEntry) {
    if (const int failed = CheckEntry(named)) return fail(failed);
  }
  struct stat info {};
  // Saving through a symbolic link replaces the file it points to and keeps the link.
  if (m_strDivertedName.IsEmpty() && ::lstat(named.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = ::realpath(named.c_str(), nullptr)) {
      m_strRenameTarget = platform::PathFromNative(resolved);
      std::free(resolved);
    }
  }
  const std::string target = ToNativePath(m_strRenameTarget);
  // Writers take turns: whoever holds the target (or, for a new file, its folder) finishes first.
  m_lock = std::make_unique<CFileLock>();
  if (const int locked = m_lock->Acquire(target, CFileLock::Mode::exclusive, GetLockWait())) return fail(locked);
  if (::stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return fail(EISDIR);
    if (!S_ISREG(info.st_mode)) return fail(EACCES);  // never replace a device, FIFO or socket
    if (::access(target.c_str(), W_OK) != 0) return fail(errno);
    m_targetMode = info.st_mode & 07777 & m_modeLimit;
    m_targetUid = info.st_uid;
    m_targetGid = info.st_gid;
    m_targetExists = true;
  } else if (errno != ENOENT) {
    return fail(errno);
  } else {
    m_targetMode = NewFileMode() & m_modeLimit;
    m_targetExists = false;
  }
  RemoveLeftoverTemporaries(m_strRenameTarget);
  if (!m_strDivertedName.IsEmpty()) RemoveLeftoverTemporaries(m_strFileName);
  if (const int failed = CreateTemporary()) return fail(failed);
  m_mirroring = true;
  m_writebackStarted = 0;
  m_writebackPending = 0;
  return TRUE;
}

// Before the save: what the name holds now must be what the document read or wrote (a regular file, the
// remembered link) or nothing. Anything else appeared since and stays as it is; the save goes beside it.
int CMirrorFile::CheckEntry(const std::string& named) {
  struct stat info {};
  if (::lstat(named.c_str(), &info) != 0) return errno == ENOENT ? 0 : errno;
  if (S_ISREG(info.st_mode)) return 0;
  if (S_ISLNK(info.st_mode) && m_rememberedLink.SameFile(CFileIdentity::OfLink(m_strFileName))) return 0;
  m_strRenameTarget = AfxFreeKeptFileName(m_strFileName, "conflict");
  if (m_strRenameTarget.IsEmpty()) return EEXIST;
  m_strDivertedName = m_strRenameTarget;
  return 0;
}

// An unnamed file in the target's folder where the file system has them (it only gets a name when it is
// complete, just before the rename), else a named ".NAME.XXXXXX".
int CMirrorFile::CreateTemporary() {
  const std::string folder = ToNativePath(platform::FolderOf(m_strRenameTarget));
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) {
    m_fd = fd;
    m_strMirrorName.Empty();
    return 0;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
  std::string pattern = TemporaryStem(ToNativePath(m_strRenameTarget)) + "XXXXXX";
  fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  m_fd = fd;
  m_strMirrorName = platform::PathFromNative(pattern);
  return 0;
}

// Gives the finished unnamed file its temporary name beside the target.
int CMirrorFile::NameTemporary() {
  const std::string stem = TemporaryStem(ToNativePath(m_strRenameTarget));
  const std::string procPath = "/proc/self/fd/" + std::to_string(m_fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = stem + RandomSuffix();
    int linked = ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT) linked = ::linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    if (linked == 0) {
      m_strMirrorName = platform::PathFromNative(name);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

void CMirrorFile::Write(const void* buffer, UINT count) {
  CFile::Write(buffer, count);
  if (!m_mirroring) return;
  m_writebackPending += count;
  if (m_writebackPending < kWritebackStep) return;
  // A request only: a failure here is the fsync's to report.
  ::sync_file_range(m_fd, static_cast<off_t>(m_writebackStarted), static_cast<off_t>(m_writebackPending),
                    SYNC_FILE_RANGE_WRITE);
  m_writebackStarted += m_writebackPending;
  m_writebackPending = 0;
}

void CMirrorFile::Close() {
  if (!m_mirroring) {
    CFile::Close();
    return;
  }
  const auto failWith = [&](int errnoValue) {
    Abort();
    ThrowOsError(errnoValue);
  };
  // Every byte must be on the disk before the name moves.
  if (const int injected = InjectedFault(Operation::flush, m_strFileName)) failWith(injected);
  if (::fsync(m_fd) != 0) failWith(errno);
  if (::fchmod(m_fd, static_cast<mode_t>(m_targetMode)) != 0) failWith(errno);
  if (m_targetExists) {
    // Keep the owner and group where permitted (the group alone where only that is allowed).
    if (::fchown(m_fd, static_cast<uid_t>(m_targetUid), static_cast<gid_t>(m_targetGid)) != 0) {
      [[maybe_unused]] const int ignored = ::fchown(m_fd, static_cast<uid_t>(-1), static_cast<gid_t>(m_targetGid));
    }
  }
  m_writtenIdentity = CFileIdentity::OfDescriptor(m_fd);
  if (m_strMirrorName.IsEmpty()) {
    if (const int failed = NameTemporary()) failWith(failed);
  }
  const int fd = m_fd;
  m_fd = -1;
  const int injected = InjectedFault(Operation::close, m_strFileName);
  const int closed = ::close(fd);
  if (injected) failWith(injected);
  if (closed != 0 && errno != EINTR) failWith(errno);
  if (const int failed = Commit()) failWith(failed);
  m_strMirrorName.Empty();
  m_mirroring = false;
  m_lock.reset();
  // Make the rename itself durable.
  const std::string folder = ToNativePath(platform::FolderOf(m_strRenameTarget));
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

// Moves the finished file onto the target. Where the file system can exchange two names atomically, the file
// it replaces is looked at afterwards (race-free even against writers that take no lock); elsewhere before.
// 0 or errno; on failure the target is as it was.
int CMirrorFile::Commit() {
  const std::string mirror = ToNativePath(m_strMirrorName);
  const std::string target = ToNativePath(m_strRenameTarget);
  if (!m_targetExists) {
    if (::renameat2(AT_FDCWD, mirror.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EEXIST) return Unsupported(errno) && ::rename(mirror.c_str(), target.c_str()) == 0 ? 0 : errno;
    if (!m_strDivertedName.IsEmpty()) return Divert();  // a conflict name is never replaced: the next one
    // Someone made the file meanwhile: replace it as an existing one.
  }
  struct stat linked {};
  if (::lstat(target.c_str(), &linked) == 0 && S_ISREG(linked.st_mode) && linked.st_nlink > 1) {
    return WriteInPlace(mirror, target);  // a rename would leave the file's other names with the old list
  }
  if (::renameat2(AT_FDCWD, mirror.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
    return SettleDisplaced(mirror, target);
  }
  if (errno == ENOENT) return ::rename(mirror.c_str(), target.c_str()) == 0 ? 0 : errno;
  if (!Unsupported(errno)) return errno;
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return m_checkEntry ? Divert() : EACCES;
    if (m_displacedCheck) {
      const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      const Displaced reason = fd < 0 ? Displaced::keepConflict : m_displacedCheck(fd);
      CloseQuietly(fd);
      if (reason != Displaced::drop) {
        if (const int failed = KeepAside(target, true, reason)) return failed;
      }
    }
  }
  return ::rename(mirror.c_str(), target.c_str()) == 0 ? 0 : errno;
}

// After the exchange the temporary name holds what the target was: dropped when it is the version this save
// replaces knowingly, kept aside when it is another writer's (or held bytes nobody read), put back when it is
// no regular file (a link or special file planted since the read: the save then goes beside it).
int CMirrorFile::SettleDisplaced(const std::string& displaced, const std::string& target) {
  struct stat info {};
  if (::lstat(displaced.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    if (::renameat2(AT_FDCWD, displaced.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
      m_strMirrorName.Empty();  // what sits there now is not ours to remove
      return EACCES;
    }
    return m_checkEntry ? Divert() : EACCES;
  }
  Displaced reason = Displaced::drop;
  if (m_displacedCheck) {
    const int fd = ::open(displaced.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    reason = fd < 0 ? Displaced::keepConflict : m_displacedCheck(fd);  // what cannot be read is kept
    CloseQuietly(fd);
  }
  if (reason == Displaced::drop) {
    ::unlink(displaced.c_str());
    return 0;
  }
  if (KeepAside(displaced, false, reason) != 0) {
    m_strKeptName = m_strMirrorName;  // it stays under the temporary name
    m_keptReason = reason;
  }
  m_strMirrorName.Empty();
  return 0;
}

namespace {

// Copies everything from `from` (from its start) to `to` (at its position): 0 or errno.
int CopyBytes(int from, int to) {
  if (::lseek(from, 0, SEEK_SET) < 0) return errno;
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return errno;
      if (put == 0) return ENOSPC;
      done += put;
    }
  }
}

// Replaces the contents of fd by those of `source`, synced: 0 or errno.
int Overwrite(int fd, int source) {
  if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) < 0) return errno;
  if (const int failed = CopyBytes(source, fd)) return failed;
  return ::fsync(fd) == 0 ? 0 : errno;
}

}  // namespace

// A file with other names (hard links) keeps them: its old bytes first go to a synced copy beside it under a
// free "original" name (kept when a killed or failed write leaves the file half-written, and kept as the
// conflict or original copy when the displaced check asks for one), then the new bytes are written in place.
int CMirrorFile::WriteInPlace(const std::string& mirror, const std::string& target) {
  const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno;
  const int source = ::open(mirror.c_str(), O_RDONLY | O_CLOEXEC);
  const auto finish = [&](int result) {
    CloseQuietly(source);
    CloseQuietly(fd);
    return result;
  };
  if (source < 0) return finish(errno);
  const Displaced reason = m_displacedCheck ? m_displacedCheck(fd) : Displaced::drop;
  const char* word = reason == Displaced::keepConflict ? "conflict" : "original";
  const auto nameFor = AfxKeptNamer(m_strRenameTarget, word);
  CString copyName;
  int copy = -1;
  for (int attempt = 1; copy < 0 && attempt < kMaxKeptNameTries; ++attempt) {
    copyName = nameFor(attempt);
    copy = ::open(ToNativePath(copyName).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (copy < 0 && errno != EEXIST) return finish(errno);
  }
  if (copy < 0) return finish(EEXIST);
  const std::string copyPath = ToNativePath(copyName);
  struct stat info {};
  int failed = ::fstat(fd, &info) != 0 ? errno : CopyBytes(fd, copy);
  if (!failed && ::fchmod(copy, info.st_mode & 07777) != 0) failed = errno;
  if (!failed && ::fsync(copy) != 0) failed = errno;
  CloseQuietly(copy);
  if (failed) {
    ::unlink(copyPath.c_str());
    return finish(failed);
  }
  if (const int written = Overwrite(fd, source)) {
    // Put the old bytes back; the copy stays beside in any case.
    const int backup = ::open(copyPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (backup >= 0 && Overwrite(fd, backup) == 0) ::unlink(copyPath.c_str());
    CloseQuietly(backup);
    return finish(written);
  }
  ::fchmod(fd, static_cast<mode_t>(m_targetMode));
  m_writtenIdentity = CFileIdentity::OfDescriptor(fd);
  if (reason == Displaced::drop) {
    ::unlink(copyPath.c_str());
  } else {
    m_strKeptName = copyName;
    m_keptReason = reason;
  }
  ::unlink(mirror.c_str());
  m_strMirrorName.Empty();
  return finish(0);
}

// Puts `from` under the first free name for `reason` beside the target: by a rename, or (linkOnly) by a second
// link.
int CMirrorFile::KeepAside(const std::string& from, bool linkOnly, Displaced reason) {
  const char* word = reason == Displaced::keepOriginal ? "original" : "conflict";
  const int failed = MoveToFreeName(from, linkOnly, AfxKeptNamer(m_strRenameTarget, word), m_strKeptName);
  if (failed == 0) m_keptReason = reason;
  return failed;
}

// The finished temporary file goes under a free conflict name beside the name the save was given, which
// holds something planted since the read.
int CMirrorFile::Divert() {
  CString diverted;
  if (const int failed =
          MoveToFreeName(ToNativePath(m_strMirrorName), false, AfxKeptNamer(m_strFileName, "conflict"), diverted)) {
    return failed;
  }
  m_strDivertedName = diverted;
  m_strRenameTarget = diverted;
  m_strMirrorName.Empty();
  return 0;
}

int CMirrorFile::MoveToFreeName(const std::string& from, bool linkOnly, const std::function<CString(int)>& nameFor,
                                CString& movedTo) {
  for (int attempt = 1; attempt < kMaxKeptNameTries; ++attempt) {
    const CString name = nameFor(attempt);
    const std::string native = ToNativePath(name);
    int moved = -1;
    if (!linkOnly) {
      moved = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, native.c_str(), RENAME_NOREPLACE);
      if (moved != 0 && Unsupported(errno)) linkOnly = true;
    }
    if (linkOnly) {
      moved = ::link(from.c_str(), native.c_str());
      if (moved == 0 && from == ToNativePath(m_strMirrorName)) ::unlink(from.c_str());
    }
    if (moved == 0) {
      movedTo = name;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Long names keep their first bytes and a hash of the whole name, so that stem + 6 characters stays a legal
// name and two long names never share a stem.
std::string CMirrorFile::TemporaryStem(const std::string& target) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  const std::size_t nameMax = limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
  constexpr std::size_t kAdded = 1 + 1 + 6;  // ".", ".", the random part
  if (name.size() + kAdded <= nameMax) return folder + "." + name + ".";
  char hash[16];
  std::snprintf(hash, sizeof hash, "~%08x", static_cast<unsigned>(std::hash<std::string>{}(name)));
  const std::size_t kept = nameMax > kAdded + 9 ? nameMax - kAdded - 9 : 0;
  return folder + "." + name.substr(0, kept) + hash + ".";
}

void CMirrorFile::RemoveLeftoverTemporaries(const CString& fileName) {
  const std::string stem = TemporaryStem(ToNativePath(platform::AbsolutePath(fileName)));
  const std::size_t slash = stem.rfind('/');
  const std::string folder = stem.substr(0, slash + 1);
  const std::string prefix = stem.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const auto isSuffixChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
    if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), isSuffixChar)) continue;
    // A writer holds a lock on the file its rename just displaced (it sits under a temporary name until that
    // writer settles it): only what nobody holds is left over.
    const int fd = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat info {};
    const bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
    if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

void CMirrorFile::Abort() {
  CFile::Abort();  // an unnamed temporary file goes with its descriptor
  if (!m_strMirrorName.IsEmpty()) {
    ::unlink(ToNativePath(m_strMirrorName).c_str());
    m_strMirrorName.Empty();
  }
  m_mirroring = false;
  m_lock.reset();
}

CString AfxConflictFileName(const CString& target, const struct tm& when, int attempt) {
  return AfxKeptFileName(target, "conflict", when, attempt);
}

CString AfxKeptFileName(const CString& target, const char* word, const struct tm& when, int attempt) {
  const CString name = platform::FileNameOf(target);
  const std::u16string_view text = name.view();
  std::size_t dot = text.rfind(u'.');
  if (dot == 0 || dot == std::u16string_view::npos) dot = text.size();
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, " (%s %04d-%02d-%02d %02d%02d%02d", word, when.tm_year + 1900, when.tm_mon + 1,
                when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
  std::string suffix = stamp;
  if (attempt > 1) suffix += " " + std::to_string(attempt);
  suffix += ")";
  CString folder = platform::FolderOf(target);
  if (folder != CString(u"/")) folder += u'/';
  // A long name gives up the end of its stem, so that the kept name is still a legal name.
  const CString tail = CString::FromUtf8(suffix) + CString(text.substr(dot));
  std::u16string_view stem = text.substr(0, dot);
  while (!stem.empty() && ToNativePath(CString(stem) + tail).size() > NAME_MAX) {
    stem.remove_suffix(stem.size() >= 2 && stem.back() >= 0xDC00 && stem.back() <= 0xDFFF ? 2 : 1);
  }
  return folder + CString(stem) + tail;
}

std::function<CString(int)> AfxKeptNamer(const CString& target, const char* word) {
  const std::time_t now = std::time(nullptr);
  struct tm local {};
  ::localtime_r(&now, &local);
  return [target, word, local](int attempt) { return AfxKeptFileName(target, word, local, attempt); };
}

CString AfxFreeKeptFileName(const CString& target, const char* word) {
  const auto nameFor = AfxKeptNamer(target, word);
  for (int attempt = 1; attempt < kMaxKeptNameTries; ++attempt) {
    const CString name = nameFor(attempt);
    struct stat info {};
    if (::lstat(ToNativePath(name).c_str(), &info) != 0 && errno == ENOENT) return name;
  }
  return {};
}
