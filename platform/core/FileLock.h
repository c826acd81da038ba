// CFileLock: the advisory lock through which writers of one document file take turns. A writer replaces the
// file by a rename, so a lock on the old inode says nothing about the new one: after locking, the path must
// still name the locked file, or the lock is taken again on what it names now. When no file is there yet, the
// folder is locked instead, so that two writers creating the same file take turns as well.
#pragma once

#include <chrono>
#include <string>

class CFileLock {
 public:
  enum class Mode { shared, exclusive };

  // coversProcess: while held, this process's own opens of the same file or folder do not lock again (they
  // would wait for the process itself); for a lock held from a read to the save that follows it.
  explicit CFileLock(bool coversProcess = false) : m_coversProcess(coversProcess) {}
  ~CFileLock() { Release(); }
  CFileLock(const CFileLock&) = delete;
  CFileLock& operator=(const CFileLock&) = delete;

  // Waits up to `wait` for the lock of the file that nativePath names (through links). 0, or the errno value:
  // EWOULDBLOCK when the wait ran out, EACCES for something that is not a regular file, ENOENT when not even
  // the folder exists.
  int Acquire(const std::string& nativePath, Mode mode, std::chrono::milliseconds wait);
  void Release();
  bool LocksFolder() const { return m_folder; }

  // True when a covering lock of this process holds the file or folder with this device and inode.
  static bool HeldByProcess(unsigned long long device, unsigned long long inode);
  // Locks fd (shared or exclusive), waiting up to `wait`: 0 or the errno value.
  static int LockDescriptor(int fd, Mode mode, std::chrono::milliseconds wait);

 private:
  int TryPath(const std::string& nativePath, Mode mode, std::chrono::steady_clock::time_point deadline,
              bool& retry);

  bool m_coversProcess;
  int m_fd = -1;
  bool m_folder = false;
  bool m_registered = false;
  unsigned long long m_device = 0;
  unsigned long long m_inode = 0;
};
