// flock with short, growing, jittered sleeps until the deadline; each try locks what the path names now and
// checks afterwards that it still names the same file (or still none), else tries again.
#include "platform/core/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <random>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::mutex g_heldMutex;
std::vector<std::pair<unsigned long long, unsigned long long>> g_held;  // covering locks of this process

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int LockUntil(int fd, CFileLock::Mode mode, std::chrono::steady_clock::time_point deadline) {
  const int operation = (mode == CFileLock::Mode::exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  // Short sleeps that grow, with some jitter so that waiting writers do not wake in step.
  thread_local std::minstd_rand jitter(static_cast<unsigned>(::getpid()));
  auto pause = std::chrono::microseconds(500);
  while (true) {
    if (::flock(fd, operation) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return errno;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return EWOULDBLOCK;
    const auto sleep = pause + std::chrono::microseconds(jitter() % static_cast<unsigned>(pause.count()));
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(sleep, deadline - now));
    pause = std::min(pause * 2, std::chrono::microseconds(16000));
  }
}

}  // namespace

bool CFileLock::HeldByProcess(unsigned long long device, unsigned long long inode) {
  std::lock_guard lock(g_heldMutex);
  return std::find(g_held.begin(), g_held.end(), std::make_pair(device, inode)) != g_held.end();
}

int CFileLock::LockDescriptor(int fd, Mode mode, std::chrono::milliseconds wait) {
  return LockUntil(fd, mode, std::chrono::steady_clock::now() + wait);
}

int CFileLock::Acquire(const std::string& nativePath, Mode mode, std::chrono::milliseconds wait) {
  Release();
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (true) {
    bool retry = false;
    const int result = TryPath(nativePath, mode, deadline, retry);
    if (!retry) return result;
    if (std::chrono::steady_clock::now() >= deadline) return EWOULDBLOCK;
  }
}

// One try: lock what the path names now. `retry` when the path changed while waiting.
int CFileLock::TryPath(const std::string& nativePath, Mode mode, std::chrono::steady_clock::time_point deadline,
                       bool& retry) {
  struct stat named {};
  const bool exists = ::stat(nativePath.c_str(), &named) == 0;
  if (!exists && errno != ENOENT) return errno;
  if (exists && S_ISDIR(named.st_mode)) return EISDIR;
  if (exists && !S_ISREG(named.st_mode)) return EACCES;  // never open a device or a FIFO to lock it

  const std::string target = exists ? nativePath : FolderOf(nativePath);
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (exists ? 0 : O_DIRECTORY);
  int fd = -1;
  do {
    fd = ::open(target.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (exists && errno == ENOENT) retry = true;  // gone between the look and the open
    return errno;
  }
  struct stat locked {};
  if (::fstat(fd, &locked) != 0) {
    const int error = errno;
    CloseQuietly(fd);
    return error;
  }
  if (exists && !S_ISREG(locked.st_mode)) {
    CloseQuietly(fd);
    return EACCES;
  }
  const bool covered = HeldByProcess(locked.st_dev, locked.st_ino);
  if (!covered) {
    if (const int error = LockUntil(fd, mode, deadline)) {
      CloseQuietly(fd);
      return error;
    }
  }
  // The path must still name what was locked: a file where the file was, no file where the folder was.
  struct stat now {};
  const bool stillThere = ::stat(nativePath.c_str(), &now) == 0;
  const bool same = exists ? (stillThere && now.st_dev == locked.st_dev && now.st_ino == locked.st_ino)
                           : (!stillThere && errno == ENOENT);
  if (!same) {
    CloseQuietly(fd);
    retry = true;
    return EWOULDBLOCK;
  }
  m_folder = !exists;
  m_device = locked.st_dev;
  m_inode = locked.st_ino;
  if (covered) {
    CloseQuietly(fd);  // the process's own lock holds it already
    return 0;
  }
  m_fd = fd;
  if (m_coversProcess) {
    std::lock_guard lock(g_heldMutex);
    g_held.emplace_back(m_device, m_inode);
    m_registered = true;
  }
  return 0;
}

void CFileLock::Release() {
  if (m_registered) {
    std::lock_guard lock(g_heldMutex);
    const auto found = std::find(g_held.begin(), g_held.end(), std::make_pair(m_device, m_inode));
    if (found != g_held.end()) g_held.erase(found);
    m_registered = false;
  }
  CloseQuietly(m_fd);  // closing the descriptor drops the lock
  m_fd = -1;
  m_folder = false;
}
