// CFile: a real file with the framework's open flags and failures reported as CFileException, the cause taken
// from errno. CMirrorFile: a CFile opened for writing that writes a temporary file beside the target and
// renames it over the target only when every byte is written and flushed (the previous file survives any failed
// save, and keeps its permissions).
#pragma once

#include <functional>
#include <memory>

#include "platform/core/CString.h"
#include "platform/core/Exceptions.h"
#include "platform/core/WinTypes.h"

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
  bool IsOpen() const { return m_fd >= 0; }

  const CString& GetFilePath() const { return m_strFileName; }

  // Test seam: called before every read, write, flush and close with the operation; a non-zero errno value
  // makes that operation fail with it. Pass an empty function to remove.
  enum class Operation { open, read, write, flush, close };
  using FaultInjector = std::function<int(Operation, const CString& fileName)>;
  static void SetFaultInjector(FaultInjector injector);

 protected:
  [[noreturn]] void ThrowOsError(int errnoValue) const;
  static int InjectedFault(Operation op, const CString& fileName);
  // The start of every open: takes the full path and forgets earlier writes. 0, or the errno value that fails
  // the open before the disk is touched (an empty name, an injected fault).
  int BeginOpen(const CString& fileName);
  // Puts the failed open's exception in *error when given; FALSE.
  BOOL FailOpen(int errnoValue, CFileException* error) const;

  int m_fd = -1;
  CString m_strFileName;
  bool m_written = false;
};

class CMirrorFile : public CFile {
 public:
  ~CMirrorFile() override;
  // With modeCreate|modeWrite the bytes go to a temporary file in the same folder.
  BOOL Open(const CString& fileName, UINT openFlags, CFileException* error = nullptr) override;
  // Flushes, syncs and renames the temporary file over the target (keeping the target's permissions).
  void Close() override;
  // Removes the temporary file; the target stays as it was.
  void Abort() override;

 private:
  void ReleaseTargetLock();

  CString m_strMirrorName;  // the temporary file while writing; empty when not mirroring
  CString m_strRenameTarget;  // where the finished file goes: the target, or the file a link points to
  unsigned m_targetMode = 0;  // permissions the finished file gets: the old file's, or new-file defaults
  unsigned m_targetUid = 0;
  unsigned m_targetGid = 0;
  bool m_targetExists = false;
  int m_targetLockFd = -1;  // holds the old file against other writers and readers until the rename
};
