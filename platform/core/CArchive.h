// CArchive: the buffered little-endian byte stream over a CFile through which documents are stored and loaded.
// Strings use the framework's CString encoding: a Unicode tag FF FE FF, then the length in UTF-16 code units
// (1, 3, 7 or 15 bytes), then the units. The reader also takes the untagged 8-bit form, converted through the
// ANSI code page.
#pragma once

#include <utility>
#include <vector>

#include "platform/core/CFile.h"
#include "platform/core/CString.h"
#include "platform/core/ContentHash.h"
#include "platform/core/WinTypes.h"

class CDocument;

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };
  static constexpr UINT kBufferSize = 4096;
  // What a document's open and save stream through: a 100,000-task file is 27 MB, which in 4 KB pieces would
  // be 7,000 system calls.
  static constexpr UINT kDocumentBufferSize = 1 << 16;

  CArchive(CFile* file, UINT mode, UINT bufferSize = kBufferSize);
  ~CArchive();  // does not flush: call Close() to write the rest of the buffer
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return m_mode == load; }
  BOOL IsStoring() const { return m_mode == store; }
  CFile* GetFile() const { return m_file; }

  void Flush();  // storing: writes the buffer to the file
  void Close();  // storing: Flush; the archive can no longer be used
  void Abort();  // drops the buffer without writing

  // Raw blocks. Read returns the number of bytes read (fewer at the end of the file).
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);
  // Reads exactly count bytes or throws CArchiveException(endOfFile).
  void ReadExact(void* buffer, UINT count);

  // Bytes that a load can still read from the file (buffered plus the rest of the file).
  ULONGLONG GetRemainingLength() const;
  // The same, counting only what the file really stores (a sparse file's holes do not count), looked at no
  // further than `enough`. Where the file system cannot tell, GetRemainingLength.
  ULONGLONG GetStoredRemainingLength(ULONGLONG enough) const;

  // Every byte read from or written to the file passes through this hash, in file order.
  std::uint64_t GetContentHash() const { return m_hash.Value(); }
  // For a store whose hash nobody reads: the bytes go by unhashed (GetContentHash then means nothing).
  void SkipContentHash() { m_hashing = false; }
  // Loading: reads the rest of the file (bytes after the document), so that the hash covers the whole file.
  void ReadToEnd();

  CArchive& operator<<(BYTE value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(DWORD value);
  CArchive& operator<<(LONG value);  // LONG is int here: also the int overload
  CArchive& operator<<(ULONGLONG value);
  CArchive& operator<<(double value);  // the raw 64 bits, so NaN payloads survive
  CArchive& operator<<(const CString& value);

  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(LONG& value);
  CArchive& operator>>(ULONGLONG& value);
  CArchive& operator>>(double& value);
  // Throws CArchiveException(endOfFile) when the file ends inside the string (including a length that claims
  // more than the rest of the file holds, found before anything is allocated) and
  // CArchiveException(genericException) for a 64-bit length above 2147483647.
  CArchive& operator>>(CString& value);

  // The length prefix alone, as the framework writes it (exposed for tests and the format notes).
  void WriteStringLength(std::size_t length, bool unicode);

  CDocument* m_pDocument = nullptr;

 private:
  void FillBuffer(UINT needed);
  // Throws when the archive is closed or used against its direction (readOnly / writeOnly). Asked for every
  // value, so the test is inline and only the throw is not.
  void CheckUsable(Mode wanted) const {
    if (m_closed || !m_file || m_mode != wanted) [[unlikely]] ThrowUnusable(wanted);
  }
  [[noreturn]] void ThrowUnusable(Mode wanted) const;
  // Loading: what the file held beyond the buffer when first asked, less what was read since (two system calls
  // once instead of at every refill). A file that shrank meanwhile is caught by the read that comes short.
  ULONGLONG KnownRemainingLength();
  UINT ReadFile(void* buffer, UINT count) {
    const UINT got = m_file->Read(buffer, count);
    m_fileRead += got;
    return got;
  }
  void Hash(const BYTE* bytes, std::size_t count) {
    if (m_hashing) m_hash.Update(bytes, count);
  }
  template <typename T>
  void WriteValue(T value);
  template <typename T>
  T ReadValue();
  std::pair<UINT, ULONGLONG> ReadStringLength();  // unit size (1 or 2) and length in units
  template <typename Text>
  void ReadInPieces(Text& text, std::size_t length);

  CFile* m_file;
  Mode m_mode;
  std::vector<BYTE> m_buffer;
  UINT m_bufferPos = 0;   // next byte to read or write
  UINT m_bufferEnd = 0;   // loading: bytes valid in the buffer
  bool m_closed = false;
  platform::ContentHash m_hash;
  bool m_hashing = true;
  ULONGLONG m_fileRead = 0;      // loading: bytes read from the file so far
  bool m_knowsRemaining = false;
  ULONGLONG m_remainingAtMark = 0;  // the file's bytes beyond what it had read at m_readAtMark
  ULONGLONG m_readAtMark = 0;
};
