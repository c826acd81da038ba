// The reader keeps a stack of open containers and checks each token as the caller asks for it; the writer
// escapes through a local block that spills into the output, and numbers go through std::to_chars.
#include "cli/Json.h"

#include <charconv>
#include <cmath>

#include "cli/Display.h"
#include "platform/core/Utf.h"

namespace tvqjson {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Printable(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x20 && byte < 0x7F) return std::string("'") + c + "'";
  static constexpr char kHex[] = "0123456789abcdef";
  return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15];
}

}  // namespace

const char* TypeName(JsonType type) {
  switch (type) {
    case JsonType::null:
      return "null";
    case JsonType::boolean:
      return "a boolean";
    case JsonType::number:
      return "a number";
    case JsonType::string:
      return "a string";
    case JsonType::array:
      return "an array";
    case JsonType::object:
      return "an object";
  }
  return "a value";
}

JsonReader::JsonReader(std::string_view text) : m_text(text) {
  if (m_text.substr(0, 3) == "\xEF\xBB\xBF") m_pos = 3;  // a byte order mark that some editors write
}

void JsonReader::Position(std::size_t offset, int& line, int& column) const {
  line = 1;
  column = 1;
  const std::size_t end = std::min(offset, m_text.size());
  for (std::size_t i = 0; i < end; ++i) {
    const char c = m_text[i];
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++column;
    }
  }
}

void JsonReader::FailAt(std::size_t offset, const std::string& message) const {
  int line = 0;
  int column = 0;
  Position(offset, line, column);
  throw JsonError(line, column, message);
}

void JsonReader::SkipSpace() {
  while (!AtEnd()) {
    const char c = Current();
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
    ++m_pos;
  }
}

void JsonReader::Expect(char c, const char* what) {
  SkipSpace();
  if (AtEnd()) Fail(std::string("unexpected end of input, expected ") + what);
  if (Current() != c) Fail(std::string("expected ") + what + ", found " + Printable(Current()));
  ++m_pos;
}

std::size_t JsonReader::ValueOffset() {
  SkipSpace();
  return m_pos;
}

JsonType JsonReader::Peek() {
  SkipSpace();
  if (AtEnd()) Fail("unexpected end of input, expected a value");
  const char c = Current();
  switch (c) {
    case '{':
      return JsonType::object;
    case '[':
      return JsonType::array;
    case '"':
      return JsonType::string;
    case 't':
    case 'f':
      return JsonType::boolean;
    case 'n':
      return JsonType::null;
    default:
      if (c == '-' || IsDigit(c)) return JsonType::number;
      Fail("expected a value, found " + Printable(c));
  }
}

void JsonReader::EnterContainer(Frame frame) {
  if (m_stack.size() >= static_cast<std::size_t>(kMaxDepth)) {
    Fail("values nested more than " + std::to_string(kMaxDepth) + " levels deep");
  }
  m_stack.push_back(frame);
}

void JsonReader::BeginObject() {
  if (Peek() != JsonType::object) Fail(std::string("expected an object, found ") + TypeName(Peek()));
  EnterContainer(Frame::objectFirst);
  ++m_pos;
}

bool JsonReader::NextKey(std::u16string& key) {
  SkipSpace();
  if (AtEnd()) Fail("unexpected end of input inside an object");
  if (Current() == '}') {
    ++m_pos;
    m_stack.pop_back();
    return false;
  }
  if (m_stack.back() == Frame::objectNext) {
    if (Current() != ',') Fail("expected ',' or '}' after a member, found " + Printable(Current()));
    ++m_pos;
    SkipSpace();
  }
  if (AtEnd()) Fail("unexpected end of input, expected a key");
  if (Current() != '"') Fail("expected a key in double quotes, found " + Printable(Current()));
  key.clear();
  ReadStringInto(&key);
  Expect(':', "':' after the key");
  m_stack.back() = Frame::objectNext;
  return true;
}

void JsonReader::BeginArray() {
  if (Peek() != JsonType::array) Fail(std::string("expected an array, found ") + TypeName(Peek()));
  EnterContainer(Frame::arrayFirst);
  ++m_pos;
}

bool JsonReader::NextElement() {
  SkipSpace();
  if (AtEnd()) Fail("unexpected end of input inside an array");
  if (Current() == ']') {
    ++m_pos;
    m_stack.pop_back();
    return false;
  }
  if (m_stack.back() == Frame::arrayNext) {
    if (Current() != ',') Fail("expected ',' or ']' after an element, found " + Printable(Current()));
    ++m_pos;
  }
  m_stack.back() = Frame::arrayNext;
  return true;
}

std::u16string JsonReader::ReadString() {
  if (Peek() != JsonType::string) Fail(std::string("expected a string, found ") + TypeName(Peek()));
  std::u16string out;
  ReadStringInto(&out);
  return out;
}

void JsonReader::ReadStringInto(std::u16string* out) {
  ++m_pos;  // the opening quote
  while (true) {
    // Plain ASCII runs go in one step.
    const std::size_t runStart = m_pos;
    while (!AtEnd()) {
      const auto byte = static_cast<unsigned char>(Current());
      if (byte < 0x20 || byte >= 0x80 || byte == '"' || byte == '\\') break;
      ++m_pos;
    }
    if (out) {
      for (std::size_t i = runStart; i < m_pos; ++i) out->push_back(static_cast<char16_t>(m_text[i]));
    }
    if (AtEnd()) Fail("unexpected end of input inside a string");
    const auto byte = static_cast<unsigned char>(Current());
    if (byte == '"') {
      ++m_pos;
      return;
    }
    if (byte < 0x20) Fail("control character " + Printable(Current()) + " in a string must be escaped");
    if (byte >= 0x80) {
      char32_t codePoint = 0;
      const std::size_t length = platform::DecodeUtf8(m_text, m_pos, codePoint);
      if (length == 0) Fail("text is not valid UTF-8");
      if (out) platform::AppendUtf16(*out, codePoint);
      m_pos += length;
      continue;
    }
    // A backslash escape.
    ++m_pos;
    if (AtEnd()) Fail("unexpected end of input inside a string");
    const char escape = Current();
    char16_t unit = 0;
    switch (escape) {
      case '"':
        unit = u'"';
        break;
      case '\\':
        unit = u'\\';
        break;
      case '/':
        unit = u'/';
        break;
      case 'b':
        unit = u'\b';
        break;
      case 'f':
        unit = u'\f';
        break;
      case 'n':
        unit = u'\n';
        break;
      case 'r':
        unit = u'\r';
        break;
      case 't':
        unit = u'\t';
        break;
      case 'u': {
        if (m_text.size() - m_pos < 5) Fail("incomplete \\u escape");
        int value = 0;
        for (std::size_t i = 1; i <= 4; ++i) {
          const int digit = HexValue(m_text[m_pos + i]);
          if (digit < 0) FailAt(m_pos + i, "\\u escape needs four hexadecimal digits");
          value = value * 16 + digit;
        }
        unit = static_cast<char16_t>(value);
        m_pos += 4;
        break;
      }
      default:
        Fail("unknown escape \\" + std::string(1, escape));
    }
    ++m_pos;
    if (out) out->push_back(unit);
  }
}

std::string_view JsonReader::ReadNumberText() {
  if (Peek() != JsonType::number) Fail(std::string("expected a number, found ") + TypeName(Peek()));
  const std::size_t start = m_pos;
  if (Current() == '-') ++m_pos;
  if (AtEnd() || !IsDigit(Current())) Fail("a number needs digits after '-'");
  if (Current() == '0') {
    ++m_pos;
    if (!AtEnd() && IsDigit(Current())) Fail("numbers must not have leading zeros");
  } else {
    while (!AtEnd() && IsDigit(Current())) ++m_pos;
  }
  if (!AtEnd() && Current() == '.') {
    ++m_pos;
    if (AtEnd() || !IsDigit(Current())) Fail("a number needs digits after '.'");
    while (!AtEnd() && IsDigit(Current())) ++m_pos;
  }
  if (!AtEnd() && (Current() == 'e' || Current() == 'E')) {
    ++m_pos;
    if (!AtEnd() && (Current() == '+' || Current() == '-')) ++m_pos;
    if (AtEnd() || !IsDigit(Current())) Fail("a number needs digits in its exponent");
    while (!AtEnd() && IsDigit(Current())) ++m_pos;
  }
  return m_text.substr(start, m_pos - start);
}

bool JsonReader::ReadBool() {
  if (Peek() != JsonType::boolean) Fail(std::string("expected true or false, found ") + TypeName(Peek()));
  if (m_text.substr(m_pos, 4) == "true") {
    m_pos += 4;
    return true;
  }
  if (m_text.substr(m_pos, 5) == "false") {
    m_pos += 5;
    return false;
  }
  Fail("expected true or false");
}

void JsonReader::ReadNull() {
  if (Peek() != JsonType::null || m_text.substr(m_pos, 4) != "null") Fail("expected null");
  m_pos += 4;
}

void JsonReader::SkipValue() {
  const std::size_t base = m_stack.size();
  while (true) {
    switch (Peek()) {
      case JsonType::object:
        EnterContainer(Frame::objectFirst);
        ++m_pos;
        break;
      case JsonType::array:
        EnterContainer(Frame::arrayFirst);
        ++m_pos;
        break;
      case JsonType::string:
        ReadStringInto(nullptr);
        break;
      case JsonType::number:
        ReadNumberText();
        break;
      case JsonType::boolean:
        ReadBool();
        break;
      case JsonType::null:
        ReadNull();
        break;
    }
    // Close finished containers until one wants another value (or the skipped value is complete).
    while (true) {
      if (m_stack.size() == base) return;
      const Frame top = m_stack.back();
      if (top == Frame::objectFirst || top == Frame::objectNext) {
        SkipSpace();
        if (AtEnd()) Fail("unexpected end of input inside an object");
        if (Current() == '}') {
          ++m_pos;
          m_stack.pop_back();
          continue;
        }
        if (top == Frame::objectNext) {
          if (Current() != ',') Fail("expected ',' or '}' after a member, found " + Printable(Current()));
          ++m_pos;
          SkipSpace();
        }
        if (AtEnd()) Fail("unexpected end of input, expected a key");
        if (Current() != '"') Fail("expected a key in double quotes, found " + Printable(Current()));
        ReadStringInto(nullptr);
        Expect(':', "':' after the key");
        m_stack.back() = Frame::objectNext;
        break;
      }
      if (!NextElement()) continue;
      break;
    }
  }
}

void JsonReader::End() {
  SkipSpace();
  if (!AtEnd()) Fail("unexpected " + Printable(Current()) + " after the end of the JSON text");
}

void AppendString(std::string& out, std::u16string_view text, const std::function<void()>& spill) {
  constexpr std::size_t kSpillSize = 1 << 16;
  static constexpr char kHex[] = "0123456789abcdef";
  // Written through a pointer into a local block that goes to `out` whenever it might not take one more unit.
  char block[1024];
  char* const blockEnd = block + sizeof block - 8;
  char* p = block;
  *p++ = '"';
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size; ++i) {
    if (p >= blockEnd) {
      out.append(block, static_cast<std::size_t>(p - block));
      p = block;
      if (spill && out.size() >= kSpillSize) spill();
    }
    const char32_t unit = text[i];
    // Escaped besides what JSON requires: DEL and the hidden controls (platform::IsHiddenControl), so that the
    // output is safe on a terminal; a reader gets the same text back.
    if (unit < 0x80) {
      if (unit >= 0x20 && unit != u'"' && unit != u'\\' && unit != 0x7F) {
        *p++ = static_cast<char>(unit);
        continue;
      }
      *p++ = '\\';
      switch (unit) {
        case u'"':
          *p++ = '"';
          break;
        case u'\\':
          *p++ = '\\';
          break;
        case u'\b':
          *p++ = 'b';
          break;
        case u'\f':
          *p++ = 'f';
          break;
        case u'\n':
          *p++ = 'n';
          break;
        case u'\r':
          *p++ = 'r';
          break;
        case u'\t':
          *p++ = 't';
          break;
        default:
          *p++ = 'u';
          *p++ = '0';
          *p++ = '0';
          *p++ = kHex[unit >> 4];
          *p++ = kHex[unit & 15];
      }
      continue;
    }
    if (platform::IsSurrogate(unit) || platform::IsHiddenControl(unit)) {
      const bool pair = platform::IsHighSurrogate(unit) && i + 1 < size && platform::IsLowSurrogate(text[i + 1]);
      if (!pair) {
        *p++ = '\\';
        *p++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4) *p++ = kHex[(unit >> shift) & 15];
        continue;
      }
      const char32_t codePoint = platform::NextCodePoint(text, i);
      *p++ = static_cast<char>(0xF0 | (codePoint >> 18));
      *p++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (codePoint & 0x3F));
      continue;
    }
    if (unit < 0x800) {
      *p++ = static_cast<char>(0xC0 | (unit >> 6));
      *p++ = static_cast<char>(0x80 | (unit & 0x3F));
      continue;
    }
    *p++ = static_cast<char>(0xE0 | (unit >> 12));
    *p++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (unit & 0x3F));
  }
  *p++ = '"';
  out.append(block, static_cast<std::size_t>(p - block));
}

void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out.append("null");
    return;
  }
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendInteger(std::string& out, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

bool Utf8ToUtf16(std::string_view utf8, std::u16string& out) {
  out.clear();
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t codePoint = 0;
    const std::size_t length = platform::DecodeUtf8(utf8, pos, codePoint);
    if (length == 0) return false;
    platform::AppendUtf16(out, codePoint);
    pos += length;
  }
  return true;
}

}  // namespace tvqjson
