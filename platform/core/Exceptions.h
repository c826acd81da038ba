// Framework exceptions. Thrown by value and caught by reference (const CException&).
#pragma once

#include <exception>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CException : public std::exception {
 public:
  ~CException() override = default;
  const char* what() const noexcept override { return "CException"; }
  // The framework's English message for the exception; FALSE when it has none of its own.
  virtual BOOL GetErrorMessage(CString& message) const {
    message.Empty();
    return FALSE;
  }
};

class CMemoryException : public CException {
 public:
  const char* what() const noexcept override { return "CMemoryException"; }
  BOOL GetErrorMessage(CString& message) const override;
};

class CArchiveException : public CException {
 public:
  enum Cause { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
  explicit CArchiveException(Cause cause = none, CString fileName = {})
      : m_cause(cause), m_strFileName(std::move(fileName)) {}
  const char* what() const noexcept override { return "CArchiveException"; }
  BOOL GetErrorMessage(CString& message) const override;

  Cause m_cause;
  CString m_strFileName;
};

class CFileException : public CException {
 public:
  enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };
  explicit CFileException(Cause cause = none, int osError = 0, CString fileName = {})
      : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}
  const char* what() const noexcept override { return "CFileException"; }
  // The cause's message with %1 replaced by the file name, e.g. "Access to /home/a/x.txt was denied."
  BOOL GetErrorMessage(CString& message) const override;

  static Cause OsErrorToCause(int errnoValue);
  // The message template for a cause, with %1 for the file name.
  static CString CauseMessageTemplate(Cause cause);

  Cause m_cause;
  int m_lOsError;
  CString m_strFileName;
};

// Helpers in the framework's style.
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowArchiveException(CArchiveException::Cause cause, const CString& fileName = {});
[[noreturn]] void AfxThrowFileException(CFileException::Cause cause, int osError = 0,
                                        const CString& fileName = {});
