// Reads and writes go through the buffer, large blocks straight to the file; short strings are read and written
// in one go from the buffer, and long ones in pieces once the file is known to hold them.
#include "platform/core/CArchive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <string>

#include "platform/core/Locale.h"

namespace {

template <typename T>
void StoreLE(BYTE* out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<BYTE>(static_cast<ULONGLONG>(value) >> (8 * i));
}

template <typename T>
T LoadLE(const BYTE* in) {
  ULONGLONG value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<ULONGLONG>(in[i]) << (8 * i);
  return static_cast<T>(value);
}

constexpr ULONGLONG kMaxStringLength = 2147483647;
// Long strings are read in pieces of this many bytes, so that what is allocated grows with what was read.
constexpr ULONGLONG kStringChunk = ULONGLONG{1} << 20;

CString ArchiveFileName(const CFile* file) { return file ? file->GetFilePath() : CString(); }

}  // namespace

CArchive::CArchive(CFile* file, UINT mode, UINT bufferSize)
    : m_file(file), m_mode(mode == load ? load : store), m_buffer(std::max<UINT>(bufferSize, 16)) {}

CArchive::~CArchive() = default;

void CArchive::Flush() {
  if (m_mode != store || m_bufferPos == 0) return;
  const UINT count = m_bufferPos;
  m_bufferPos = 0;
  Hash(m_buffer.data(), count);
  m_file->Write(m_buffer.data(), count);
}

void CArchive::Close() {
  if (m_closed) return;
  if (m_mode == store) Flush();
  m_closed = true;
}

void CArchive::Abort() {
  m_bufferPos = 0;
  m_bufferEnd = 0;
  m_closed = true;
}

void CArchive::ThrowUnusable(Mode wanted) const {
  if (m_closed || !m_file) AfxThrowArchiveException(CArchiveException::genericException, ArchiveFileName(m_file));
  AfxThrowArchiveException(wanted == store ? CArchiveException::readOnly : CArchiveException::writeOnly,
                           ArchiveFileName(m_file));
}

void CArchive::FillBuffer(UINT needed) {
  // Keep what is still unread at the front, then read as much as the buffer takes.
  const UINT unread = m_bufferEnd - m_bufferPos;
  if (unread >= needed) return;
  if (unread > 0 && m_bufferPos > 0) std::memmove(m_buffer.data(), m_buffer.data() + m_bufferPos, unread);
  m_bufferPos = 0;
  m_bufferEnd = unread;
  const auto capacity = static_cast<UINT>(m_buffer.size());
  if (m_bufferEnd < capacity) {
    const UINT got = ReadFile(m_buffer.data() + m_bufferEnd, capacity - m_bufferEnd);
    Hash(m_buffer.data() + m_bufferEnd, got);
    m_bufferEnd += got;
  }
}

UINT CArchive::Read(void* buffer, UINT count) {
  CheckUsable(load);
  auto* out = static_cast<BYTE*>(buffer);
  UINT done = 0;
  // First what the buffer holds, then large blocks straight from the file, then small rests through the buffer.
  const UINT buffered = std::min(count, m_bufferEnd - m_bufferPos);
  std::memcpy(out, m_buffer.data() + m_bufferPos, buffered);
  m_bufferPos += buffered;
  done += buffered;
  if (done == count) return done;
  const auto capacity = static_cast<UINT>(m_buffer.size());
  if (count - done >= capacity) {
    const UINT direct = (count - done) / capacity * capacity;
    const UINT got = ReadFile(out + done, direct);
    Hash(out + done, got);
    done += got;
    if (got < direct) return done;
  }
  if (done < count) {
    FillBuffer(count - done);
    const UINT rest = std::min(count - done, m_bufferEnd - m_bufferPos);
    std::memcpy(out + done, m_buffer.data() + m_bufferPos, rest);
    m_bufferPos += rest;
    done += rest;
  }
  return done;
}

void CArchive::ReadExact(void* buffer, UINT count) {
  if (Read(buffer, count) != count) AfxThrowArchiveException(CArchiveException::endOfFile, ArchiveFileName(m_file));
}

void CArchive::Write(const void* buffer, UINT count) {
  CheckUsable(store);
  const auto* in = static_cast<const BYTE*>(buffer);
  const auto capacity = static_cast<UINT>(m_buffer.size());
  while (count > 0) {
    if (m_bufferPos == 0 && count >= capacity) {  // a whole block: no copy through the buffer
      const UINT direct = count / capacity * capacity;
      Hash(in, direct);
      m_file->Write(in, direct);
      in += direct;
      count -= direct;
      continue;
    }
    const UINT part = std::min(count, capacity - m_bufferPos);
    std::memcpy(m_buffer.data() + m_bufferPos, in, part);
    m_bufferPos += part;
    in += part;
    count -= part;
    if (m_bufferPos == capacity) Flush();
  }
}

ULONGLONG CArchive::GetRemainingLength() const {
  const ULONGLONG buffered = m_mode == load ? m_bufferEnd - m_bufferPos : 0;
  if (!m_file || !m_file->IsOpen()) return buffered;
  const ULONGLONG length = m_file->GetLength();
  const ULONGLONG position = m_file->GetPosition();
  return buffered + (length > position ? length - position : 0);
}

ULONGLONG CArchive::KnownRemainingLength() {
  if (!m_knowsRemaining) {
    if (!m_file || !m_file->IsOpen()) return 0;
    const ULONGLONG length = m_file->GetLength();
    const ULONGLONG position = m_file->GetPosition();
    m_remainingAtMark = length > position ? length - position : 0;
    m_readAtMark = m_fileRead;
    m_knowsRemaining = true;
  }
  const ULONGLONG readSince = m_fileRead - m_readAtMark;
  return m_remainingAtMark > readSince ? m_remainingAtMark - readSince : 0;
}

ULONGLONG CArchive::GetStoredRemainingLength(ULONGLONG enough) const {
  const ULONGLONG buffered = m_mode == load ? m_bufferEnd - m_bufferPos : 0;
  if (!m_file || !m_file->IsOpen()) return buffered;
  const ULONGLONG stored = m_file->GetStoredLength(m_file->GetPosition(), enough > buffered ? enough - buffered : 0);
  return buffered + stored;
}

void CArchive::ReadToEnd() {
  CheckUsable(load);
  m_bufferPos = m_bufferEnd;
  while (true) {
    m_bufferPos = 0;
    m_bufferEnd = 0;
    FillBuffer(1);
    if (m_bufferEnd == 0) return;
  }
}

// ---- values -------------------------------------------------------------------------------------------------

template <typename T>
void CArchive::WriteValue(T value) {
  if (m_mode == store && !m_closed && m_buffer.size() - m_bufferPos >= sizeof(T)) {  // the common case
    StoreLE(m_buffer.data() + m_bufferPos, value);
    m_bufferPos += sizeof(T);
    return;
  }
  BYTE bytes[sizeof(T)];
  StoreLE(bytes, value);
  Write(bytes, sizeof(T));
}

template <typename T>
T CArchive::ReadValue() {
  CheckUsable(load);
  BYTE bytes[sizeof(T)];
  if (m_bufferEnd - m_bufferPos >= sizeof(T)) {  // the common case: straight from the buffer
    std::memcpy(bytes, m_buffer.data() + m_bufferPos, sizeof(T));
    m_bufferPos += sizeof(T);
  } else {
    ReadExact(bytes, sizeof(T));
  }
  return LoadLE<T>(bytes);
}

CArchive& CArchive::operator<<(BYTE value) { WriteValue(value); return *this; }
CArchive& CArchive::operator<<(WORD value) { WriteValue(value); return *this; }
CArchive& CArchive::operator<<(DWORD value) { WriteValue(value); return *this; }
CArchive& CArchive::operator<<(LONG value) { WriteValue(static_cast<DWORD>(value)); return *this; }
CArchive& CArchive::operator<<(ULONGLONG value) { WriteValue(value); return *this; }
CArchive& CArchive::operator<<(double value) { WriteValue(std::bit_cast<ULONGLONG>(value)); return *this; }

CArchive& CArchive::operator>>(BYTE& value) { value = ReadValue<BYTE>(); return *this; }
CArchive& CArchive::operator>>(WORD& value) { value = ReadValue<WORD>(); return *this; }
CArchive& CArchive::operator>>(DWORD& value) { value = ReadValue<DWORD>(); return *this; }
CArchive& CArchive::operator>>(LONG& value) { value = static_cast<LONG>(ReadValue<DWORD>()); return *this; }
CArchive& CArchive::operator>>(ULONGLONG& value) { value = ReadValue<ULONGLONG>(); return *this; }
CArchive& CArchive::operator>>(double& value) { value = std::bit_cast<double>(ReadValue<ULONGLONG>()); return *this; }

// ---- strings ------------------------------------------------------------------------------------------------

void CArchive::WriteStringLength(std::size_t length, bool unicode) {
  if (unicode) {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
  }
  if (length < 0xFF) {
    *this << static_cast<BYTE>(length);
  } else if (length < 0xFFFE) {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(length);
  } else if (length < 0xFFFFFFFF) {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(length);
  } else {
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << static_cast<DWORD>(0xFFFFFFFF)
          << static_cast<ULONGLONG>(length);
  }
}

CArchive& CArchive::operator<<(const CString& value) {
  const std::u16string& text = value.str();
  const std::size_t byteCount = text.size() * sizeof(char16_t);
  // A short string with room in the buffer: the tag, the length byte and the units in one go.
  if (std::endian::native == std::endian::little && m_mode == store && !m_closed && text.size() < 0xFF &&
      m_buffer.size() - m_bufferPos >= 4 + byteCount) {
    BYTE* out = m_buffer.data() + m_bufferPos;
    out[0] = 0xFF;
    out[1] = 0xFE;
    out[2] = 0xFF;
    out[3] = static_cast<BYTE>(text.size());
    std::memcpy(out + 4, text.data(), byteCount);
    m_bufferPos += static_cast<UINT>(4 + byteCount);
    return *this;
  }
  WriteStringLength(text.size(), true);
  if constexpr (std::endian::native == std::endian::little) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    std::size_t left = text.size() * sizeof(char16_t);
    while (left > 0) {  // Write takes at most UINT bytes at a time
      const auto part = static_cast<UINT>(std::min<std::size_t>(left, 0x40000000));
      Write(bytes, part);
      bytes += part;
      left -= part;
    }
  } else {
    for (const char16_t unit : text) *this << static_cast<WORD>(unit);
  }
  return *this;
}

// The length prefix of a string: the unit size (1 for untagged 8-bit text, 2 for UTF-16) and the length.
std::pair<UINT, ULONGLONG> CArchive::ReadStringLength() {
  // Nearly every string is short: an 8-bit length byte, or FF FE FF and a length byte, taken from the buffer.
  if (m_bufferEnd - m_bufferPos >= 4) {
    const BYTE* bytes = m_buffer.data() + m_bufferPos;
    if (bytes[0] < 0xFF) {
      m_bufferPos += 1;
      return {1, bytes[0]};
    }
    if (bytes[1] == 0xFE && bytes[2] == 0xFF && bytes[3] < 0xFF) {
      m_bufferPos += 4;
      return {2, bytes[3]};
    }
  }
  UINT unitSize = 1;
  const BYTE first = ReadValue<BYTE>();
  if (first < 0xFF) return {unitSize, first};
  WORD word = ReadValue<WORD>();
  if (word == 0xFFFE) {
    unitSize = 2;
    const BYTE byte = ReadValue<BYTE>();
    if (byte < 0xFF) return {unitSize, byte};
    word = ReadValue<WORD>();
  }
  if (word < 0xFFFF) return {unitSize, word};
  const DWORD dword = ReadValue<DWORD>();
  if (dword < 0xFFFFFFFF) return {unitSize, dword};
  const ULONGLONG qword = ReadValue<ULONGLONG>();
  if (qword > kMaxStringLength) AfxThrowArchiveException(CArchiveException::genericException, ArchiveFileName(m_file));
  return {unitSize, qword};
}

CArchive& CArchive::operator>>(CString& value) {
  CheckUsable(load);
  const auto [unitSize, length] = ReadStringLength();
  const ULONGLONG byteCount = length * unitSize;
  // A length beyond what the file still holds is a cut file; say so before allocating anything for it. Long
  // strings must also be really stored: a sparse file's holes would read as zeros without limit.
  // (Most strings sit in the buffer already; only longer ones need to ask the file, and it is asked again only
  // when it seemed too short: it may have grown since.)
  const ULONGLONG buffered = m_bufferEnd - m_bufferPos;
  if (byteCount > buffered &&
      ((byteCount > buffered + KnownRemainingLength() && byteCount > GetRemainingLength()) ||
       (byteCount - buffered > kStringChunk && byteCount > GetStoredRemainingLength(byteCount)))) {
    AfxThrowArchiveException(CArchiveException::endOfFile, ArchiveFileName(m_file));
  }
  if (unitSize == 2 && byteCount <= buffered) {  // the common case: the whole string is in the buffer
    try {
      std::u16string& text = value.str();
      text.assign(static_cast<std::size_t>(length), u'\0');
      std::memcpy(text.data(), m_buffer.data() + m_bufferPos, static_cast<std::size_t>(byteCount));
      m_bufferPos += static_cast<UINT>(byteCount);
      if constexpr (std::endian::native != std::endian::little) {
        for (char16_t& unit : text) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
      }
    } catch (const std::bad_alloc&) {
      AfxThrowMemoryException();
    }
    return *this;
  }
  try {
    if (unitSize == 2) {
      std::u16string text;
      ReadInPieces(text, static_cast<std::size_t>(length));
      if constexpr (std::endian::native != std::endian::little) {
        for (char16_t& unit : text) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
      }
      value = CString(std::move(text));
    } else {
      std::string bytes;
      ReadInPieces(bytes, static_cast<std::size_t>(length));
      value = platform::FromAnsi(bytes);  // the ANSI code page of the settings
    }
  } catch (const std::bad_alloc&) {
    AfxThrowMemoryException();
  }
  return *this;
}

// Reads `length` units into text a piece at a time: the string grows with the bytes actually read.
template <typename Text>
void CArchive::ReadInPieces(Text& text, std::size_t length) {
  constexpr std::size_t unit = sizeof(typename Text::value_type);
  constexpr std::size_t pieceUnits = kStringChunk / unit;
  if (length <= pieceUnits) {
    text = Text(length, typename Text::value_type{});  // one allocation, as most strings are short
    ReadExact(text.data(), static_cast<UINT>(length * unit));
    return;
  }
  text.reserve(pieceUnits);
  while (text.size() < length) {
    const std::size_t done = text.size();
    const std::size_t piece = std::min(pieceUnits, length - done);
    text.resize(done + piece);
    ReadExact(text.data() + done, static_cast<UINT>(piece * unit));
  }
}
