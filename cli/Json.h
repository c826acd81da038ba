// A small strict JSON reader and writer for tvq (RFC 8259, UTF-8).
// The reader is a pull parser: the caller walks the document it expects, so no tree is built and memory stays
// proportional to the largest single string. Every error carries the line and column (1-based, columns in
// characters) where the input went wrong. Strings are read into UTF-16 code units; a \uXXXX escape of an
// unpaired surrogate is kept as that unit, so what tvq dumps it reads back unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tvqjson {

class JsonError : public std::runtime_error {
 public:
  JsonError(int line, int column, const std::string& message)
      : std::runtime_error(message), m_line(line), m_column(column) {}
  int Line() const { return m_line; }
  int Column() const { return m_column; }

 private:
  int m_line;
  int m_column;
};

enum class JsonType { null, boolean, number, string, array, object };

const char* TypeName(JsonType type);

class JsonReader {
 public:
  // Values nested deeper than this are refused (SkipValue walks without recursion, but nobody writes tasks
  // thousands of levels deep).
  static constexpr int kMaxDepth = 512;

  explicit JsonReader(std::string_view text);

  // The type of the next value (after white space). Fails on anything that cannot start a value.
  JsonType Peek();
  // Byte offset where the next value starts (for errors about that value).
  std::size_t ValueOffset();

  void BeginObject();
  // Reads the next key of the current object, or returns false at its closing brace.
  bool NextKey(std::u16string& key);
  void BeginArray();
  // True when another element follows in the current array (positioned at it); false at its closing bracket.
  bool NextElement();

  std::u16string ReadString();
  // The number's exact text as written (validated against the JSON grammar).
  std::string_view ReadNumberText();
  bool ReadBool();
  void ReadNull();
  // Skips one whole value of any type and depth (up to kMaxDepth).
  void SkipValue();
  // Nothing but white space may follow.
  void End();

  [[noreturn]] void FailAt(std::size_t offset, const std::string& message) const;
  // Line and column of a byte offset.
  void Position(std::size_t offset, int& line, int& column) const;

 private:
  enum class Frame : std::uint8_t { objectFirst, objectNext, arrayFirst, arrayNext };

  void SkipSpace();
  bool AtEnd() const { return m_pos >= m_text.size(); }
  char Current() const { return m_text[m_pos]; }
  void Expect(char c, const char* what);
  void ReadStringInto(std::u16string* out);  // null: validate and skip
  void EnterContainer(Frame frame);
  [[noreturn]] void Fail(const std::string& message) const { FailAt(m_pos, message); }

  std::string_view m_text;
  std::size_t m_pos = 0;
  std::vector<Frame> m_stack;
};

// Appends a JSON string literal of UTF-16 text as UTF-8: quotes, backslashes and control characters escaped,
// unpaired surrogates as \uXXXX escapes, everything else as UTF-8. `spill`, when given, is called whenever
// `out` has grown large (it may empty it), so that a long text is written out as it goes.
void AppendString(std::string& out, std::u16string_view text, const std::function<void()>& spill = {});
// Shortest decimal that reads back as the same double; "null" when not finite.
void AppendNumber(std::string& out, double value);
void AppendInteger(std::string& out, long long value);

// Strict UTF-8 to UTF-16 (rejects overlong forms, surrogates and bytes that are not UTF-8): false when invalid.
bool Utf8ToUtf16(std::string_view utf8, std::u16string& out);

}  // namespace tvqjson
