// Each exception's message from a template per cause with the file's name put in, errno values mapped to file
// causes, and the Afx throw helpers.
#include "platform/core/Exceptions.h"

#include "platform/core/NativePath.h"

#include <cerrno>

#include "platform/core/FrameworkStrings.h"

namespace {

// The name a message uses when the exception carries none.
CString NameOrUnnamed(const CString& fileName) {
  return fileName.IsEmpty() ? CString(u"an unnamed file") : platform::DisplayPath(fileName);
}

}  // namespace

BOOL CMemoryException::GetErrorMessage(CString& message) const {
  message = AfxFrameworkString(AFX_IDP_FAILED_MEMORY_ALLOC);
  return TRUE;
}

BOOL CArchiveException::GetErrorMessage(CString& message) const {
  const char16_t* text = u"An unexpected error occurred while reading %1.";
  switch (m_cause) {
    case none:
    case genericException: break;
    case readOnly: text = u"Tried to write to %1 while reading it."; break;
    case endOfFile: text = u"An attempt was made to access %1 past its end."; break;
    case writeOnly: text = u"Tried to read from %1 while writing it."; break;
    case badIndex: text = u"%1 has a bad format."; break;
    case badClass: text = u"%1 contained an unexpected object."; break;
    case badSchema: text = u"%1 contains an incorrect schema."; break;
  }
  message = CString(text).FormatMessage1(NameOrUnnamed(m_strFileName));
  return TRUE;
}

CString CFileException::CauseMessageTemplate(Cause cause) {
  switch (cause) {
    case none:
    case genericException: return u"An unknown error occurred while accessing %1.";
    case fileNotFound: return u"%1 was not found.";
    case badPath: return u"%1 contains an invalid path.";
    case tooManyOpenFiles: return u"%1 could not be opened because there are too many open files.";
    case accessDenied: return u"Access to %1 was denied.";
    case invalidFile: return u"An invalid file handle was associated with %1.";
    case removeCurrentDir: return u"%1 could not be removed because it is the current directory.";
    case directoryFull: return u"%1 could not be created because the directory is full.";
    case badSeek: return u"Seek failed on %1";
    case hardIO: return u"A hardware I/O error was reported while accessing %1.";
    case sharingViolation: return u"A sharing violation occurred while accessing %1.";
    case lockViolation: return u"A locking violation occurred while accessing %1.";
    case diskFull: return u"Disk full while accessing %1.";
    case endOfFile: return u"An attempt was made to access %1 past its end.";
  }
  return u"An unknown error occurred while accessing %1.";
}

BOOL CFileException::GetErrorMessage(CString& message) const {
  message = CauseMessageTemplate(m_cause).FormatMessage1(NameOrUnnamed(m_strFileName));
  return TRUE;
}

CFileException::Cause CFileException::OsErrorToCause(int errnoValue) {
  switch (errnoValue) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EIO: return hardIO;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return sharingViolation;  // EWOULDBLOCK only comes from a lock held elsewhere
    case EBADF: return invalidFile;
    default: return genericException;
  }
}

void AfxThrowMemoryException() { throw CMemoryException(); }

void AfxThrowArchiveException(CArchiveException::Cause cause, const CString& fileName) {
  throw CArchiveException(cause, fileName);
}

void AfxThrowFileException(CFileException::Cause cause, int osError, const CString& fileName) {
  throw CFileException(cause, osError, fileName);
}
