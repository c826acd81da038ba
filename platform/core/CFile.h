// CFile: a real file with the framework's open flags and failures reported as CFileException, the cause taken
// from errno. Only regular files are opened (a FIFO or a device is refused without blocking); share modes are
// advisory locks, waited for briefly. Saves go through CMirrorFile (CMirrorFile.h).
#pragma once

#include <chrono>

#include "platform/core/CString.h"
#include "platform/core/Exceptions.h"
#include "platform/core/WinTypes.h"

// One version of a file on disk: the same device, inode, size and modification time.
struct CFileIdentity {
  ULONGLONG device = 0;
  ULONGLONG inode = 0;
  ULONGLONG size = 0;
  LONGLONG mtimeNs = 0;
  bool valid = false;
  friend bool operator==(const CFileIdentity&, const CFileIdentity&) = default;

  static CFileIdentity OfDescriptor(int fd);   // invalid when fstat fails
  static CFileIdentity OfPath(const CString& path);  // through links; invalid when there is no such file
  // The symbolic link itself at path; invalid when path is no link.
  static CFileIdentity OfLink(const CString& path);
  bool SameFile(const CFileIdentity& other) const {
    return valid && other.valid && device == other.device && inode == other.inode;
  }
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoTruncate = 0x0100,
    modeCreate = 0x1000,
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };

  CFile() = default;
  CFile(const CString& fileName, UINT openFlags);  // throws CFileException
  virtual ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // FALSE with *error filled (when given) on failure.
  virtual BOOL Open(const CString& fileName, UINT openFlags, CFileException* error = nullptr);
  virtual UINT Read(void* buffer, UINT count);          // throws; returns fewer bytes at the end of file
  virtual void Write(const void* buffer, UINT count);   // throws; a short write is diskFull
  virtual void Flush();
  virtual void Close();                                 // throws on a failed close of a written file
  virtual void Abort();                                 // closes without throwing; a mirror file is dropped
  ULONGLONG GetLength() const;
  ULONGLONG GetPosition() const;
  ULONGLONG Seek(LONGLONG offset, UINT from);
  // Bytes the file really stores from `position` on (the data between its holes), counted no further than
  // `enough`; where the file system cannot tell, the length from `position`. The position is unchanged.
  ULONGLONG GetStoredLength(ULONGLONG position, ULONGLONG enough) const;
  bool IsOpen() const { return m_fd >= 0; }

  const CString& GetFilePath() const { return m_strFileName; }
  CFileIdentity GetIdentity() const { return CFileIdentity::OfDescriptor(m_fd); }
  // The open file's permission bits (07777 when they cannot be had).
  unsigned GetMode() const;

  // How long an open waits for a share lock that someone else holds before it fails with a sharing violation.
  static void SetLockWait(std::chrono::milliseconds wait);
  static std::chrono::milliseconds GetLockWait();

  // What a fault injected by tests (CFileTestHooks.h) can make fail.
  enum class Operation { open, read, write, flush, close };

 protected:
  [[noreturn]] void ThrowOsError(int errnoValue) const;
  static int InjectedFault(Operation op, const CString& fileName);
  // The start of every open: takes the full path and forgets earlier writes. 0, or the errno value that fails
  // the open before the disk is touched (an empty name, an injected fault).
  int BeginOpen(const CString& fileName);
  // Puts the failed open's exception in *error when given, naming `named` (default: the file); FALSE.
  BOOL FailOpen(int errnoValue, CFileException* error, const CString& named = {}) const;

  int m_fd = -1;
  CString m_strFileName;
  bool m_written = false;
};

// Ignores SIGXFSZ, so that a write beyond the file-size limit fails ("Disk full while accessing %1.") instead
// of killing the process with a half-done save. Called once at start-up.
void AfxIgnoreFileSizeSignal();
