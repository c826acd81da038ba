// tvqrc: compiles the program's resource script (the subset of the RC language described at the top of
// res/tarvelquist.rc) into a standard 32-bit .res image, and optionally into a C++ source that holds the
// image as a byte array for embedding. Host tool: the standard library and the header-only resource writer.
//
// Usage: tvqrc [-I dir]... -o out.res [--cpp out.cpp --symbol NAME] [--depfile out.d] script.rc
//
// Errors are reported as "file:line: error: message" and give exit status 1.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/core/ResourceWriter.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------------------------
// Positions and errors

struct Pos {
  std::string file;
  int line = 0;
};

struct CompileError : std::runtime_error {
  CompileError(const Pos& pos, const std::string& message)
      : std::runtime_error(pos.file + ":" + std::to_string(pos.line) + ": error: " + message), message(message) {}
  std::string message;  // without the position
};

[[noreturn]] void Fail(const Pos& pos, const std::string& message) { throw CompileError(pos, message); }

// ---------------------------------------------------------------------------------------------------------
// Text

std::u16string Utf8ToUtf16(std::string_view text, const Pos& pos) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code = lead & 0x07;
    } else {
      Fail(pos, "invalid UTF-8 in the script");
    }
    if (i + extra >= text.size() && extra > 0) Fail(pos, "truncated UTF-8 sequence in the script");
    for (int k = 1; k <= extra; ++k) {
      const auto unit = static_cast<unsigned char>(text[i + k]);
      if ((unit & 0xC0) != 0x80) Fail(pos, "invalid UTF-8 in the script");
      code = (code << 6) | (unit & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      Fail(pos, "invalid UTF-8 in the script");
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += 1 + extra;
  }
  return out;
}

std::u16string AsciiToUtf16(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::string Upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return text;
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return text;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path, const Pos& pos) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(pos, "cannot read " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------------------------------------
// Tokens

enum class Kind { Ident, Number, String, Punct, End };

struct Token {
  Kind kind = Kind::End;
  std::string text;      // identifier or punctuation
  std::int64_t number = 0;
  bool isLong = false;   // a number written with the L suffix
  std::u16string str;    // string literal, decoded
  bool wide = false;     // L"..."
  Pos pos;
};

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Lexes one line-oriented chunk of text. Directive lines (first non-blank character '#') are handed to the
// callback with their text; everything else becomes tokens.
class Lexer {
 public:
  Lexer(std::string_view text, std::string file, int firstLine = 1) : m_text(text), m_pos{std::move(file), firstLine} {}

  template <typename OnDirective>
  std::vector<Token> Run(OnDirective onDirective) {
    std::vector<Token> tokens;
    bool lineStart = true;
    while (m_i < m_text.size()) {
      const char c = m_text[m_i];
      if (c == '\n') {
        ++m_pos.line;
        ++m_i;
        lineStart = true;
        continue;
      }
      if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++m_i;
        continue;
      }
      if (c == '/' && Peek(1) == '/') {
        while (m_i < m_text.size() && m_text[m_i] != '\n') ++m_i;
        continue;
      }
      if (c == '/' && Peek(1) == '*') {
        SkipBlockComment();
        continue;
      }
      if (c == '#' && lineStart) {
        const std::size_t end = m_text.find('\n', m_i);
        const std::string_view line = m_text.substr(m_i + 1, end == std::string_view::npos ? end : end - m_i - 1);
        onDirective(line, m_pos);
        m_i = end == std::string_view::npos ? m_text.size() : end;
        continue;
      }
      lineStart = false;
      tokens.push_back(Next());
    }
    Token end;
    end.kind = Kind::End;
    end.pos = m_pos;
    tokens.push_back(end);
    return tokens;
  }

 private:
  char Peek(std::size_t ahead) const { return m_i + ahead < m_text.size() ? m_text[m_i + ahead] : '\0'; }

  void SkipBlockComment() {
    const Pos start = m_pos;
    m_i += 2;
    while (m_i < m_text.size() && !(m_text[m_i] == '*' && Peek(1) == '/')) {
      if (m_text[m_i] == '\n') ++m_pos.line;
      ++m_i;
    }
    if (m_i >= m_text.size()) Fail(start, "unterminated comment");
    m_i += 2;
  }

  Token Next() {
    Token token;
    token.pos = m_pos;
    const char c = m_text[m_i];
    if ((c == 'L' || c == 'l') && Peek(1) == '"') {
      ++m_i;
      token.wide = true;
      return String(token);
    }
    if (c == '"') return String(token);
    if (IsIdentStart(c)) {
      const std::size_t start = m_i;
      while (m_i < m_text.size() && IsIdentChar(m_text[m_i])) ++m_i;
      token.kind = Kind::Ident;
      token.text = std::string(m_text.substr(start, m_i - start));
      return token;
    }
    if (IsDigit(c)) return Number(token);
    static constexpr std::string_view kPunct = ",|&+-~()*/{}";
    if (kPunct.find(c) != std::string_view::npos) {
      token.kind = Kind::Punct;
      token.text = std::string(1, c);
      ++m_i;
      return token;
    }
    Fail(m_pos, std::string("unexpected character '") + c + "'");
  }

  Token Number(Token token) {
    token.kind = Kind::Number;
    const std::size_t start = m_i;
    int base = 10;
    if (m_text[m_i] == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
      base = 16;
      m_i += 2;
    }
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; m_i < m_text.size(); ++m_i, ++digits) {
      const char d = m_text[m_i];
      int v = -1;
      if (IsDigit(d)) v = d - '0';
      else if (base == 16 && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      else if (base == 16 && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      if (v < 0) break;
      value = value * static_cast<unsigned>(base) + static_cast<unsigned>(v);
      if (value > 0xFFFFFFFFull) Fail(token.pos, "number too large");
    }
    if (digits == 0) Fail(token.pos, "malformed number");
    while (m_i < m_text.size() && (m_text[m_i] == 'L' || m_text[m_i] == 'l' || m_text[m_i] == 'U' || m_text[m_i] == 'u')) {
      if (m_text[m_i] == 'L' || m_text[m_i] == 'l') token.isLong = true;
      ++m_i;
    }
    if (m_i < m_text.size() && IsIdentChar(m_text[m_i])) {
      Fail(token.pos, "malformed number '" + std::string(m_text.substr(start, m_i - start + 1)) + "'");
    }
    token.number = static_cast<std::int64_t>(value);
    return token;
  }

  // "..." with the escapes \n \r \t \a \\ \" \0 \xHHHH and "" for a quote; UTF-8 text becomes UTF-16.
  Token String(Token token) {
    token.kind = Kind::String;
    ++m_i;  // opening quote
    std::string pending;  // raw UTF-8 run, converted in one go
    auto flush = [&] {
      token.str += Utf8ToUtf16(pending, token.pos);
      pending.clear();
    };
    for (;;) {
      if (m_i >= m_text.size() || m_text[m_i] == '\n') Fail(token.pos, "unterminated string");
      const char c = m_text[m_i++];
      if (c == '"') {
        if (m_i < m_text.size() && m_text[m_i] == '"') {
          pending.push_back('"');
          ++m_i;
          continue;
        }
        break;
      }
      if (c != '\\') {
        pending.push_back(c);
        continue;
      }
      if (m_i >= m_text.size()) Fail(token.pos, "unterminated string");
      const char e = m_text[m_i++];
      switch (e) {
        case 'n': pending.push_back('\n'); break;
        case 'r': pending.push_back('\r'); break;
        case 't': pending.push_back('\t'); break;
        case 'a': pending.push_back('\a'); break;
        case '\\': pending.push_back('\\'); break;
        case '"': pending.push_back('"'); break;
        case '0':
          flush();
          token.str.push_back(u'\0');
          break;
        case 'x': {
          flush();
          unsigned value = 0;
          int count = 0;
          for (; count < 4 && m_i < m_text.size(); ++count, ++m_i) {
            const char d = m_text[m_i];
            const int v = IsDigit(d) ? d - '0' : (d >= 'a' && d <= 'f') ? d - 'a' + 10 : (d >= 'A' && d <= 'F') ? d - 'A' + 10 : -1;
            if (v < 0) break;
            value = value * 16 + static_cast<unsigned>(v);
          }
          if (count == 0) Fail(token.pos, "\\x without hex digits");
          token.str.push_back(static_cast<char16_t>(value));
          break;
        }
        default:
          Fail(token.pos, std::string("unknown escape \\") + e);
      }
    }
    flush();
    return token;
  }

  std::string_view m_text;
  std::size_t m_i = 0;
  Pos m_pos;
};

// ---------------------------------------------------------------------------------------------------------
// Symbols: #define in the script and in included headers, and "inline constexpr TYPE NAME = value;" lines
// of included C++ headers, so the script uses the very constants the code uses.

struct Macro {
  std::string body;
  Pos pos;
};

class Symbols {
 public:
  explicit Symbols(std::vector<fs::path> includeDirs) : m_includeDirs(std::move(includeDirs)) {
    // The few names a resource script takes from the platform's own headers.
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, const char*>>{
             {"VS_VERSION_INFO", "1"},      {"VS_FFI_FILEFLAGSMASK", "0x3F"}, {"VOS__WINDOWS32", "0x4"},
             {"VOS_NT_WINDOWS32", "0x40004"}, {"VFT_APP", "0x1"},            {"VFT2_UNKNOWN", "0x0"},
             {"LANG_NEUTRAL", "0x00"},      {"LANG_ENGLISH", "0x09"},         {"LANG_JAPANESE", "0x11"},
             {"SUBLANG_NEUTRAL", "0x00"},   {"SUBLANG_DEFAULT", "0x01"}}) {
      m_macros[name] = Macro{value, Pos{"<built-in>", 0}};
    }
  }

  void Define(const std::string& name, std::string body, const Pos& pos) {
    const auto found = m_macros.find(name);
    if (found != m_macros.end() && found->second.body != body && found->second.pos.line != 0) {
      Fail(pos, name + " redefined (first defined at " + found->second.pos.file + ":" +
                    std::to_string(found->second.pos.line) + ")");
    }
    m_macros[name] = Macro{std::move(body), pos};
  }
  const Macro* Find(const std::string& name) const {
    const auto found = m_macros.find(name);
    return found == m_macros.end() ? nullptr : &found->second;
  }

  fs::path Resolve(const std::string& name, const fs::path& from, const Pos& pos) const {
    std::vector<fs::path> candidates{from.parent_path() / name};
    for (const fs::path& dir : m_includeDirs) candidates.push_back(dir / name);
    for (const fs::path& candidate : candidates) {
      if (fs::is_regular_file(candidate)) return candidate;
    }
    Fail(pos, "cannot find \"" + name + "\" (searched next to the script and in the -I directories)");
  }

  // Reads a C/C++ header for its constants; its other content is ignored.
  void IncludeHeader(const fs::path& path, const Pos& pos) {
    const fs::path canonical = fs::weakly_canonical(path);
    if (!m_included.insert(canonical.string()).second) return;
    m_dependencies.push_back(canonical.string());
    const auto bytes = ReadFile(path, pos);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    static const std::regex kInclude(R"(^\s*#\s*include\s*"([^"]+)\")");
    static const std::regex kDefine(R"(^\s*#\s*define\s+([A-Za-z_]\w*)(\(?)\s*(.*)$)");
    static const std::regex kConstexpr(
        R"(^\s*(?:inline\s+)?(?:static\s+)?constexpr\s+[A-Za-z_][\w:]*\s+([A-Za-z_]\w*)\s*=\s*([^;]*);)");
    std::string line;
    Pos here{path.string(), 0};
    while (std::getline(in, line)) {
      ++here.line;
      const std::size_t comment = line.find("//");
      if (comment != std::string::npos) line.erase(comment);
      std::smatch match;
      if (std::regex_search(line, match, kInclude)) {
        IncludeHeader(Resolve(match[1], path, here), here);
      } else if (std::regex_search(line, match, kDefine)) {
        if (match[2].length() == 0) Define(match[1], match[3], here);  // function-like macros are skipped
      } else if (std::regex_search(line, match, kConstexpr)) {
        Define(match[1], match[2], here);
      }
    }
  }

  void AddDependency(const fs::path& path) { m_dependencies.push_back(fs::weakly_canonical(path).string()); }
  const std::vector<std::string>& Dependencies() const { return m_dependencies; }
  const std::vector<fs::path>& IncludeDirs() const { return m_includeDirs; }

 private:
  std::vector<fs::path> m_includeDirs;
  std::map<std::string, Macro> m_macros;
  std::set<std::string> m_included;
  std::vector<std::string> m_dependencies;
};

std::vector<Token> LexScript(const fs::path& path, Symbols& symbols) {
  const Pos filePos{path.string(), 0};
  symbols.AddDependency(path);
  const auto bytes = ReadFile(path, filePos);
  std::string text(bytes.begin(), bytes.end());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  static const std::regex kInclude(R"(^\s*include\s*"([^"]+)\"\s*$)");
  static const std::regex kDefine(R"(^\s*define\s+([A-Za-z_]\w*)\s*(.*)$)");
  static const std::regex kPragma(R"(^\s*pragma\b.*$)");
  Lexer lexer(text, path.string());
  return lexer.Run([&](std::string_view directive, const Pos& pos) {
    std::string line(directive);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t comment = line.find("//");
    if (comment != std::string::npos) line.erase(comment);
    std::smatch match;
    if (std::regex_match(line, match, kInclude)) {
      symbols.IncludeHeader(symbols.Resolve(match[1], path, pos), pos);
    } else if (std::regex_match(line, match, kDefine)) {
      symbols.Define(match[1], match[2], pos);
    } else if (!std::regex_match(line, kPragma)) {
      Fail(pos, "unsupported directive #" + line);
    }
  });
}

// ---------------------------------------------------------------------------------------------------------
// Output buffers

using Buffer = platform::ResourceWriter;

// A resource type or name, or a class or title field of a template.
struct NameOrId {
  bool isOrdinal = true;
  std::uint16_t ordinal = 0;
  std::u16string name;

  void Write(Buffer& out) const {
    if (isOrdinal) {
      out.Word(0xFFFF);
      out.Word(ordinal);
    } else {
      out.String(name);
    }
  }
  bool operator<(const NameOrId& other) const {
    return std::tie(isOrdinal, ordinal, name) < std::tie(other.isOrdinal, other.ordinal, other.name);
  }
  bool operator==(const NameOrId& other) const = default;
};

NameOrId Ordinal(std::uint16_t value) { return NameOrId{true, value, {}}; }
NameOrId Named(std::u16string name) { return NameOrId{false, 0, std::move(name)}; }

std::string Describe(const NameOrId& id) {
  if (id.isOrdinal) return std::to_string(id.ordinal);
  std::string text;
  for (char16_t c : id.name) text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return "\"" + text + "\"";
}

constexpr std::uint16_t kRtIcon = 3, kRtBitmap = 2, kRtMenu = 4, kRtDialog = 5, kRtString = 6, kRtAccelerator = 9,
                        kRtRcdata = 10, kRtGroupIcon = 14, kRtVersion = 16, kRtToolbar = 241;
constexpr std::uint16_t kMoveable = 0x0010, kPure = 0x0020, kDiscardable = 0x1000;

struct Resource {
  NameOrId type;
  NameOrId name;
  std::uint16_t language = 0;
  std::uint16_t memoryFlags = kMoveable | kPure | kDiscardable;
  std::vector<std::uint8_t> data;
  Pos pos;
};

// ---------------------------------------------------------------------------------------------------------
// Style bits the statements of the script add by themselves (the platform's values).

constexpr std::uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000,
                        WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000, WS_GROUP = 0x00020000,
                        WS_TABSTOP = 0x00010000, DS_SETFONT = 0x40, SS_LEFT = 0, SS_CENTER = 1, SS_RIGHT = 2,
                        SS_ICON = 3, ES_LEFT = 0, BS_PUSHBUTTON = 0, BS_DEFPUSHBUTTON = 1, BS_AUTOCHECKBOX = 3,
                        BS_GROUPBOX = 7;

struct ControlKind {
  const char* keyword;
  std::uint16_t classOrdinal;
  std::uint32_t defaultStyle;
  bool hasText;
};

constexpr std::array<ControlKind, 9> kControlKinds{{
    {"LTEXT", 0x82, SS_LEFT | WS_GROUP, true},
    {"CTEXT", 0x82, SS_CENTER | WS_GROUP, true},
    {"RTEXT", 0x82, SS_RIGHT | WS_GROUP, true},
    {"EDITTEXT", 0x81, ES_LEFT | WS_BORDER | WS_TABSTOP, false},
    {"PUSHBUTTON", 0x80, BS_PUSHBUTTON | WS_TABSTOP, true},
    {"DEFPUSHBUTTON", 0x80, BS_DEFPUSHBUTTON | WS_TABSTOP, true},
    {"GROUPBOX", 0x80, BS_GROUPBOX, true},
    {"AUTOCHECKBOX", 0x80, BS_AUTOCHECKBOX | WS_TABSTOP, true},
    {"ICON", 0x82, SS_ICON, true},
}};

std::optional<std::uint16_t> PredefinedClass(std::u16string name) {
  name = Upper(std::move(name));
  static const std::pair<std::u16string_view, std::uint16_t> kClasses[] = {
      {u"BUTTON", 0x80}, {u"EDIT", 0x81}, {u"STATIC", 0x82}, {u"LISTBOX", 0x83}, {u"SCROLLBAR", 0x84}, {u"COMBOBOX", 0x85}};
  for (const auto& [className, ordinal] : kClasses) {
    if (name == className) return ordinal;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------------------
// The parser

struct Value {
  std::int64_t value = 0;
  bool isLong = false;
};

class Compiler {
 public:
  Compiler(std::vector<Token> tokens, Symbols& symbols, fs::path script)
      : m_tokens(std::move(tokens)), m_symbols(symbols), m_script(std::move(script)) {}

  std::vector<Resource> Run() {
    while (Peek().kind != Kind::End) Statement();
    EmitStringTables();
    return std::move(m_resources);
  }

 private:
  // --- token access

  const Token& Peek(std::size_t ahead = 0) const { return m_tokens[std::min(m_i + ahead, m_tokens.size() - 1)]; }
  const Token& Next() {
    const Token& token = Peek();
    if (m_i < m_tokens.size() - 1) ++m_i;
    return token;
  }
  bool IsPunct(const Token& t, char c) const { return t.kind == Kind::Punct && t.text.size() == 1 && t.text[0] == c; }
  bool IsKeyword(const Token& t, std::string_view word) const { return t.kind == Kind::Ident && t.text == word; }
  bool AcceptPunct(char c) {
    if (!IsPunct(Peek(), c)) return false;
    Next();
    return true;
  }
  bool AcceptKeyword(std::string_view word) {
    if (!IsKeyword(Peek(), word)) return false;
    Next();
    return true;
  }
  std::string Show(const Token& t) const {
    switch (t.kind) {
      case Kind::Ident: return "'" + t.text + "'";
      case Kind::Number: return "number " + std::to_string(t.number);
      case Kind::String: return "a string";
      case Kind::Punct: return "'" + t.text + "'";
      case Kind::End: return "the end of the script";
    }
    return "?";
  }
  void ExpectPunct(char c, std::string_view where) {
    if (!AcceptPunct(c)) Fail(Peek().pos, std::string("expected '") + c + "' " + std::string(where) + ", found " + Show(Peek()));
  }
  void ExpectComma(std::string_view where) { ExpectPunct(',', where); }
  void ExpectBegin(std::string_view what) {
    if (!AcceptKeyword("BEGIN") && !AcceptPunct('{')) {
      Fail(Peek().pos, "expected BEGIN or '{' to open the " + std::string(what) + ", found " + Show(Peek()));
    }
  }
  bool AcceptEnd() { return AcceptKeyword("END") || AcceptPunct('}'); }
  bool AtEnd() const { return IsKeyword(Peek(), "END") || IsPunct(Peek(), '}'); }
  void CheckNotEndOfScript(std::string_view what) {
    if (Peek().kind == Kind::End) Fail(Peek().pos, "missing END of the " + std::string(what));
  }
  std::u16string ExpectString(std::string_view what) {
    if (Peek().kind != Kind::String) Fail(Peek().pos, "expected a string for " + std::string(what) + ", found " + Show(Peek()));
    return Next().str;
  }

  // --- expressions: | & + - * / with C precedence, unary - ~ +, parentheses, numbers and symbols

  Value Expr(int minPrecedence = 1) {
    Value left = Unary();
    for (;;) {
      const Token& op = Peek();
      const int precedence = IsPunct(op, '|') ? 1 : IsPunct(op, '&') ? 2 : (IsPunct(op, '+') || IsPunct(op, '-')) ? 3
                             : (IsPunct(op, '*') || IsPunct(op, '/')) ? 4 : 0;
      if (precedence == 0 || precedence < minPrecedence) return left;
      const Token opToken = Next();
      const Value right = Expr(precedence + 1);
      left.isLong = left.isLong || right.isLong;
      switch (opToken.text[0]) {
        case '|': left.value = (left.value | right.value) & 0xFFFFFFFFll; break;
        case '&': left.value &= right.value; break;
        case '+': left.value += right.value; break;
        case '-': left.value -= right.value; break;
        case '*': left.value *= right.value; break;
        case '/':
          if (right.value == 0) Fail(opToken.pos, "division by zero");
          left.value /= right.value;
          break;
      }
      if (left.value > 0xFFFFFFFFll || left.value < -0x80000000ll) Fail(opToken.pos, "value out of 32-bit range");
    }
  }

  Value Unary() {
    const Token& t = Peek();
    if (AcceptPunct('-')) {
      Value v = Unary();
      v.value = -v.value;
      return v;
    }
    if (AcceptPunct('+')) return Unary();
    if (AcceptPunct('~')) {
      Value v = Unary();
      v.value = ~v.value & 0xFFFFFFFFll;
      return v;
    }
    if (AcceptPunct('(')) {
      Value v = Expr();
      ExpectPunct(')', "to close the parenthesis");
      return v;
    }
    if (t.kind == Kind::Number) {
      Next();
      return Value{t.number, t.isLong};
    }
    if (t.kind == Kind::Ident) {
      Next();
      return Symbol(t);
    }
    Fail(t.pos, "expected a number or a symbol, found " + Show(t));
  }

  // A symbol's definition, evaluated as an expression; errors inside it are reported where it is used.
  Value Symbol(const Token& t) {
    const Macro* macro = m_symbols.Find(t.text);
    if (!macro) Fail(t.pos, "undefined symbol " + t.text);
    if (m_expanding.count(t.text)) Fail(t.pos, "symbol " + t.text + " refers to itself");
    try {
      Lexer lexer(macro->body, macro->pos.file, macro->pos.line);
      std::vector<Token> body =
          lexer.Run([](std::string_view, const Pos& pos) { Fail(pos, "directive inside a definition"); });
      if (body.size() == 1) Fail(macro->pos, "it is defined empty");
      Compiler inner(std::move(body), m_symbols, m_script);
      inner.m_expanding = m_expanding;
      inner.m_expanding.insert(t.text);
      const Value value = inner.Expr();
      if (inner.Peek().kind != Kind::End) Fail(inner.Peek().pos, "not a constant expression");
      return value;
    } catch (const CompileError& error) {
      Fail(t.pos, t.text + " (defined at " + macro->pos.file + ":" + std::to_string(macro->pos.line) +
                      "): " + error.message);
    }
  }

  // A style: terms joined by '|'; "NOT term" removes the bits from the statement's default.
  std::uint32_t Style(std::uint32_t defaults) {
    std::uint32_t set = defaults;
    std::uint32_t cleared = 0;
    do {
      const bool negate = AcceptKeyword("NOT");
      const std::uint32_t bits = Dword(Expr(2), "style");
      (negate ? cleared : set) |= bits;
    } while (AcceptPunct('|'));
    return set & ~cleared;
  }

  std::uint32_t Dword(const Value& v, std::string_view what) {
    if (v.value < -0x80000000ll || v.value > 0xFFFFFFFFll) Fail(Peek().pos, std::string(what) + " out of 32-bit range");
    return static_cast<std::uint32_t>(v.value);
  }
  std::uint16_t Word(const Value& v, std::string_view what) {
    if (v.value < -0x8000 || v.value > 0xFFFF) Fail(Peek().pos, std::string(what) + " out of 16-bit range");
    return static_cast<std::uint16_t>(v.value);
  }
  std::int16_t Short(const Value& v, std::string_view what) {
    if (v.value < -0x8000 || v.value > 0x7FFF) Fail(Peek().pos, std::string(what) + " out of range for dialog units");
    return static_cast<std::int16_t>(v.value);
  }
  std::uint16_t WordExpr(std::string_view what) { return Word(Expr(), what); }
  std::int16_t ShortExpr(std::string_view what) { return Short(Expr(), what); }

  // A resource name or type: a number or defined symbol is an ordinal; an undefined identifier or a string
  // is a name (stored upper case, as names compare without case).
  NameOrId NameOrOrdinal(std::string_view what) {
    const Token& t = Peek();
    if (t.kind == Kind::String) {
      Next();
      return Named(Upper(t.str));
    }
    if (t.kind == Kind::Ident && !m_symbols.Find(t.text)) {
      Next();
      return Named(AsciiToUtf16(Upper(t.text)));
    }
    if (t.kind == Kind::Ident || t.kind == Kind::Number) return Ordinal(WordExpr(what));
    Fail(t.pos, "expected " + std::string(what) + ", found " + Show(t));
  }

  // --- statements

  void Statement() {
    const Token start = Peek();
    if (AcceptKeyword("LANGUAGE")) {
      m_language = LanguageArgs();
      return;
    }
    if (AcceptKeyword("STRINGTABLE")) {
      StringTable();
      return;
    }
    const NameOrId name = NameOrOrdinal("a resource name");
    const Token typeToken = Next();
    if (typeToken.kind == Kind::End) Fail(typeToken.pos, "expected a resource type after the name");
    SkipMemoryOptions();
    const std::string type = typeToken.kind == Kind::Ident ? typeToken.text : std::string();
    if (type == "DIALOG") return Add(kRtDialog, name, Dialog(), start.pos);
    if (type == "MENU") return Add(kRtMenu, name, Menu(), start.pos);
    if (type == "ACCELERATORS") return Add(kRtAccelerator, name, Accelerators(), start.pos, kMoveable | kPure);
    if (type == "TOOLBAR") return Add(kRtToolbar, name, Toolbar(), start.pos);
    if (type == "RCDATA") return Add(kRtRcdata, name, RawData(), start.pos, kMoveable | kPure);
    if (type == "BITMAP") return Add(kRtBitmap, name, Bitmap(), start.pos, kMoveable | kPure);
    if (type == "ICON") return Icon(name, start.pos);
    if (type == "VERSIONINFO") return Add(kRtVersion, name, VersionInfo(), start.pos, kMoveable | kPure);
    if (type == "DIALOGEX" || type == "MENUEX" || type == "CURSOR" || type == "FONT" || type == "HTML" ||
        type == "MESSAGETABLE" || type == "DLGINCLUDE" || type == "TEXTINCLUDE") {
      Fail(typeToken.pos, type + " resources are not supported by this compiler");
    }
    // A user-defined type: a string or an undefined identifier names it, a number or symbol is an ordinal.
    NameOrId userType;
    if (typeToken.kind == Kind::String) {
      userType = Named(Upper(typeToken.str));
    } else if (typeToken.kind == Kind::Ident && !m_symbols.Find(typeToken.text)) {
      userType = Named(AsciiToUtf16(Upper(typeToken.text)));
    } else if (typeToken.kind == Kind::Ident || typeToken.kind == Kind::Number) {
      const Value value = typeToken.kind == Kind::Number ? Value{typeToken.number, false} : Symbol(typeToken);
      userType = Ordinal(Word(value, "resource type"));
    } else {
      Fail(typeToken.pos, "expected a resource type, found " + Show(typeToken));
    }
    Add(userType, name, RawData(), start.pos, kMoveable | kPure);
  }

  std::uint16_t LanguageArgs() {
    const std::uint16_t primary = WordExpr("primary language");
    ExpectComma("between the language and the sublanguage");
    const std::uint16_t sub = WordExpr("sublanguage");
    if (primary > 0x3FF || sub > 0x3F) Fail(Peek().pos, "language out of range");
    return static_cast<std::uint16_t>((sub << 10) | primary);
  }

  void SkipMemoryOptions() {
    static constexpr std::string_view kOptions[] = {"PRELOAD", "LOADONCALL", "MOVEABLE", "DISCARDABLE", "PURE", "IMPURE", "FIXED"};
    while (Peek().kind == Kind::Ident && std::find(std::begin(kOptions), std::end(kOptions), Peek().text) != std::end(kOptions)) Next();
  }

  void Add(std::uint16_t type, const NameOrId& name, std::vector<std::uint8_t> data, const Pos& pos,
           std::uint16_t flags = kMoveable | kPure | kDiscardable) {
    Add(Ordinal(type), name, std::move(data), pos, flags);
  }
  void Add(const NameOrId& type, const NameOrId& name, std::vector<std::uint8_t> data, const Pos& pos,
           std::uint16_t flags = kMoveable | kPure | kDiscardable) {
    for (const Resource& other : m_resources) {
      if (other.type == type && other.name == name && other.language == m_language) {
        Fail(pos, "duplicate resource " + Describe(name) + " of type " + Describe(type) + " (first at line " +
                      std::to_string(other.pos.line) + ")");
      }
    }
    m_resources.push_back(Resource{type, name, m_language, flags, std::move(data), pos});
  }

  fs::path FileArgument() {
    const Token t = Peek();
    const std::u16string name = ExpectString("the file name");
    std::string narrow;
    for (char16_t c : name) {
      if (c >= 0x80) Fail(t.pos, "file names must be ASCII");
      narrow.push_back(static_cast<char>(c));
    }
    const fs::path path = m_symbols.Resolve(narrow, m_script, t.pos);
    m_symbols.AddDependency(path);
    return path;
  }

  // DIALOG x, y, cx, cy, then STYLE, EXSTYLE, CAPTION, FONT, CLASS, MENU, then the controls.
  std::vector<std::uint8_t> Dialog() {
    const std::int16_t x = ShortExpr("x");
    ExpectComma("after x");
    const std::int16_t y = ShortExpr("y");
    ExpectComma("after y");
    const std::int16_t cx = ShortExpr("width");
    ExpectComma("after the width");
    const std::int16_t cy = ShortExpr("height");
    std::uint32_t style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    std::uint32_t exStyle = 0;
    std::u16string caption;
    std::optional<std::pair<std::uint16_t, std::u16string>> font;
    NameOrId menu = Named(u"");
    NameOrId windowClass = Named(u"");
    for (;;) {
      if (AcceptKeyword("STYLE")) {
        style = Style(0);
      } else if (AcceptKeyword("EXSTYLE")) {
        exStyle = Style(0);
      } else if (AcceptKeyword("CAPTION")) {
        caption = ExpectString("the caption");
      } else if (AcceptKeyword("FONT")) {
        const std::uint16_t points = WordExpr("point size");
        ExpectComma("after the point size");
        font.emplace(points, ExpectString("the font name"));
      } else if (AcceptKeyword("CLASS")) {
        windowClass = Peek().kind == Kind::String ? Named(Next().str) : Ordinal(WordExpr("class"));
      } else if (AcceptKeyword("MENU")) {
        menu = NameOrOrdinal("the menu");
      } else {
        break;
      }
    }
    if (font) style |= DS_SETFONT;
    ExpectBegin("dialog");
    Buffer items;
    std::uint16_t count = 0;
    while (!AcceptEnd()) {
      CheckNotEndOfScript("dialog");
      Control(items);
      ++count;
    }
    Buffer out;
    out.Dword(style);
    out.Dword(exStyle);
    out.Word(count);
    out.Word(static_cast<std::uint16_t>(x));
    out.Word(static_cast<std::uint16_t>(y));
    out.Word(static_cast<std::uint16_t>(cx));
    out.Word(static_cast<std::uint16_t>(cy));
    menu.Write(out);
    windowClass.Write(out);
    out.String(caption);
    if (style & DS_SETFONT) {
      out.Word(font ? font->first : 0);
      out.String(font ? font->second : u"");
    }
    // Items start on DWORD boundaries counted from the template start; their buffer was built the same way
    // from offset 0, so pad the header first and then append (the item buffer's own padding stays valid
    // because the header padding is a multiple of 4).
    if (count) {
      out.AlignDword();
      out.Append(items.Data());
    }
    return out.Data();
  }

  // One control: CONTROL text, id, class, style, x, y, cx, cy [, exstyle] or a shorthand
  // KEYWORD [text,] id, x, y, cx, cy [, style [, exstyle]].
  void Control(Buffer& out) {
    const Token keyword = Next();
    if (keyword.kind != Kind::Ident) Fail(keyword.pos, "expected a control statement, found " + Show(keyword));
    NameOrId title = Named(u"");
    NameOrId windowClass;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::uint16_t id = 0;
    std::int16_t rect[4] = {};
    auto readRect = [&] {
      static constexpr const char* kWhat[] = {"x", "y", "width", "height"};
      for (int k = 0; k < 4; ++k) {
        if (k) ExpectComma("between the coordinates");
        rect[k] = ShortExpr(kWhat[k]);
      }
    };
    auto readTitle = [&] {
      if (Peek().kind == Kind::String) title = Named(Next().str);
      else title = Ordinal(WordExpr("the control text or image"));
    };
    if (keyword.text == "CONTROL") {
      readTitle();
      ExpectComma("after the control text");
      id = WordExpr("control id");
      ExpectComma("after the control id");
      if (Peek().kind == Kind::String) {
        const std::u16string name = Next().str;
        const auto predefined = PredefinedClass(name);
        windowClass = predefined ? Ordinal(*predefined) : Named(name);
      } else if (Peek().kind == Kind::Ident && PredefinedClass(AsciiToUtf16(Peek().text))) {
        windowClass = Ordinal(*PredefinedClass(AsciiToUtf16(Next().text)));
      } else {
        Fail(Peek().pos, "expected the control class, found " + Show(Peek()));
      }
      ExpectComma("after the control class");
      style = Style(WS_CHILD | WS_VISIBLE);
      ExpectComma("after the control style");
      readRect();
      if (AcceptPunct(',')) exStyle = Style(0);
    } else {
      const auto kind = std::find_if(kControlKinds.begin(), kControlKinds.end(),
                                     [&](const ControlKind& k) { return keyword.text == k.keyword; });
      if (kind == kControlKinds.end()) Fail(keyword.pos, "unknown control statement " + keyword.text);
      windowClass = Ordinal(kind->classOrdinal);
      if (kind->hasText) {
        readTitle();
        ExpectComma("after the control text");
      }
      id = WordExpr("control id");
      ExpectComma("after the control id");
      readRect();
      style = WS_CHILD | WS_VISIBLE | kind->defaultStyle;
      if (AcceptPunct(',')) {
        style = Style(style);
        if (AcceptPunct(',')) exStyle = Style(0);
      }
    }
    out.AlignDword();
    out.Dword(style);
    out.Dword(exStyle);
    for (std::int16_t v : rect) out.Word(static_cast<std::uint16_t>(v));
    out.Word(id);
    windowClass.Write(out);
    title.Write(out);
    out.Word(0);  // no creation data
  }

  // MENU: MENUITEM "text", id [, options] | MENUITEM SEPARATOR | POPUP "text" [, options] BEGIN ... END
  std::vector<std::uint8_t> Menu() {
    Buffer out;
    out.Word(0);  // version
    out.Word(0);  // header size
    MenuLevel(out, "menu");
    return out.Data();
  }

  void MenuLevel(Buffer& out, std::string_view what) {
    const Pos open = Peek().pos;
    ExpectBegin(what);
    std::size_t lastOption = 0;
    bool any = false;
    while (!AcceptEnd()) {
      CheckNotEndOfScript(what);
      lastOption = out.Size();
      any = true;
      if (AcceptKeyword("POPUP")) {
        const std::u16string text = ExpectString("the pop-up text");
        const std::uint16_t options = MenuOptions();
        out.Word(static_cast<std::uint16_t>(0x0010 | options));
        out.String(text);
        MenuLevel(out, "pop-up");
      } else if (AcceptKeyword("MENUITEM")) {
        if (AcceptKeyword("SEPARATOR")) {
          out.Word(0);
          out.Word(0);
          out.String(u"");
          continue;
        }
        const std::u16string text = ExpectString("the item text");
        ExpectComma("after the item text");
        const std::uint16_t id = WordExpr("command id");
        const std::uint16_t options = MenuOptions();
        out.Word(options);
        out.Word(id);
        out.String(text);
      } else {
        Fail(Peek().pos, "expected MENUITEM or POPUP, found " + Show(Peek()));
      }
    }
    if (!any) Fail(open, "a " + std::string(what) + " needs at least one item");
    out.PatchWord(lastOption, static_cast<std::uint16_t>(out.WordAt(lastOption) | 0x0080));  // MF_END on the last item of the level
  }

  std::uint16_t MenuOptions() {
    std::uint16_t options = 0;
    while (AcceptPunct(',') || Peek().kind == Kind::Ident) {
      const Token t = Next();
      if (t.text == "GRAYED") options |= 0x0001;
      else if (t.text == "INACTIVE") options |= 0x0002;
      else if (t.text == "CHECKED") options |= 0x0008;
      else if (t.text == "MENUBARBREAK") options |= 0x0020;
      else if (t.text == "MENUBREAK") options |= 0x0040;
      else if (t.text == "HELP") options |= 0x4000;
      else if (t.text == "BEGIN" || t.text == "END" || t.text == "MENUITEM" || t.text == "POPUP") {
        --m_i;
        break;
      } else {
        Fail(t.pos, "unknown menu option " + Show(t));
      }
    }
    return options;
  }

  // ACCELERATORS: "key" or number, id [, VIRTKEY | ASCII] [, NOINVERT] [, CONTROL] [, SHIFT] [, ALT]
  std::vector<std::uint8_t> Accelerators() {
    ExpectBegin("accelerator table");
    struct Entry {
      std::uint16_t flags, key, id;
    };
    std::vector<Entry> entries;
    while (!AcceptEnd()) {
      CheckNotEndOfScript("accelerator table");
      const Token event = Peek();
      std::uint16_t key = 0;
      bool control = false;
      if (event.kind == Kind::String) {
        Next();
        if (event.str.size() == 2 && event.str[0] == u'^') {
          control = true;
          key = event.str[1];
        } else if (event.str.size() == 1) {
          key = event.str[0];
        } else {
          Fail(event.pos, "an accelerator key is one character (or ^ and a letter)");
        }
      } else {
        key = WordExpr("accelerator key");
      }
      ExpectComma("after the accelerator key");
      const std::uint16_t id = WordExpr("command id");
      std::uint16_t flags = 0;
      bool ascii = false;
      while (AcceptPunct(',')) {
        const Token option = Next();
        if (option.text == "VIRTKEY") flags |= 0x01;
        else if (option.text == "ASCII") ascii = true;
        else if (option.text == "NOINVERT") flags |= 0x02;
        else if (option.text == "SHIFT") flags |= 0x04;
        else if (option.text == "CONTROL") flags |= 0x08;
        else if (option.text == "ALT") flags |= 0x10;
        else Fail(option.pos, "unknown accelerator option " + Show(option));
      }
      const bool virtKey = flags & 0x01;
      if (virtKey && ascii) Fail(event.pos, "an accelerator is either VIRTKEY or ASCII");
      if (!virtKey && (flags & 0x1C)) Fail(event.pos, "CONTROL, SHIFT and ALT need VIRTKEY");
      if (control) {
        if (virtKey) Fail(event.pos, "^ keys are ASCII accelerators");
        const char16_t letter = static_cast<char16_t>(key & ~0x20);
        if (letter < u'A' || letter > u'Z') Fail(event.pos, "^ needs a letter");
        key = static_cast<std::uint16_t>(letter - u'A' + 1);
      } else if (virtKey && event.kind == Kind::String && key >= u'a' && key <= u'z') {
        Fail(event.pos, "virtual-key letters are written upper case");
      }
      entries.push_back(Entry{flags, key, id});
    }
    if (entries.empty()) Fail(Peek().pos, "an accelerator table needs at least one entry");
    Buffer out;
    for (std::size_t k = 0; k < entries.size(); ++k) {
      out.Word(static_cast<std::uint16_t>(entries[k].flags | (k + 1 == entries.size() ? 0x80 : 0)));
      out.Word(entries[k].key);
      out.Word(entries[k].id);
      out.Word(0);
    }
    return out.Data();
  }

  // TOOLBAR width, height BEGIN BUTTON id | SEPARATOR ... END
  std::vector<std::uint8_t> Toolbar() {
    const std::uint16_t width = WordExpr("image width");
    ExpectComma("after the image width");
    const std::uint16_t height = WordExpr("image height");
    ExpectBegin("toolbar");
    std::vector<std::uint16_t> ids;
    while (!AcceptEnd()) {
      CheckNotEndOfScript("toolbar");
      if (AcceptKeyword("SEPARATOR")) {
        ids.push_back(0);
      } else if (AcceptKeyword("BUTTON")) {
        ids.push_back(WordExpr("button id"));
      } else {
        Fail(Peek().pos, "expected BUTTON or SEPARATOR, found " + Show(Peek()));
      }
    }
    Buffer out;
    out.Word(1);
    out.Word(width);
    out.Word(height);
    out.Word(static_cast<std::uint16_t>(ids.size()));
    for (std::uint16_t id : ids) out.Word(id);
    return out.Data();
  }

  // RCDATA and user-defined resources: "file", or BEGIN items END where a number is a 16-bit word (32 bits
  // with the L suffix) and L"text" is UTF-16 without a terminator.
  std::vector<std::uint8_t> RawData() {
    if (Peek().kind == Kind::String) {
      const Pos pos = Peek().pos;
      return ReadFile(FileArgument(), pos);
    }
    ExpectBegin("data block");
    Buffer out;
    bool first = true;
    while (!AcceptEnd()) {
      CheckNotEndOfScript("data block");
      if (!first) ExpectComma("between data items");
      first = false;
      if (Peek().kind == Kind::String) {
        const Token t = Next();
        if (!t.wide) Fail(t.pos, "narrow strings are not supported in data blocks; write L\"...\"");
        out.String(t.str, false);
        continue;
      }
      const Value v = Expr();
      if (v.isLong) out.Dword(Dword(v, "data item"));
      else out.Word(Word(v, "data item (add the L suffix for 32 bits)"));
    }
    return out.Data();
  }

  std::vector<std::uint8_t> Bitmap() {
    const Pos pos = Peek().pos;
    const auto file = ReadFile(FileArgument(), pos);
    if (file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') Fail(pos, "not a bitmap file");
    return std::vector<std::uint8_t>(file.begin() + 14, file.end());
  }

  // ICON "file.ico": each image becomes an RT_ICON resource, the directory an RT_GROUP_ICON one.
  void Icon(const NameOrId& name, const Pos& pos) {
    const Pos filePos = Peek().pos;
    const auto file = ReadFile(FileArgument(), filePos);
    auto word = [&](std::size_t at) {
      if (at + 2 > file.size()) Fail(filePos, "icon file truncated");
      return static_cast<std::uint16_t>(file[at] | (file[at + 1] << 8));
    };
    auto dword = [&](std::size_t at) { return static_cast<std::uint32_t>(word(at) | (std::uint32_t{word(at + 2)} << 16)); };
    if (word(0) != 0 || word(2) != 1 || word(4) == 0) Fail(filePos, "not an icon file");
    const std::uint16_t count = word(4);
    Buffer group;
    group.Word(0);
    group.Word(1);
    group.Word(count);
    for (std::uint16_t k = 0; k < count; ++k) {
      const std::size_t entry = 6 + 16u * k;
      if (entry + 16 > file.size()) Fail(filePos, "icon directory truncated");
      const std::uint32_t size = dword(entry + 8);
      const std::uint32_t offset = dword(entry + 12);
      if (offset > file.size() || size > file.size() - offset || size < 40) Fail(filePos, "icon image outside the file");
      std::vector<std::uint8_t> image(file.begin() + offset, file.begin() + offset + size);
      std::uint16_t planes = word(entry + 4);
      std::uint16_t bitCount = word(entry + 6);
      if (planes == 0) planes = word(offset + 12);
      if (bitCount == 0) bitCount = word(offset + 14);
      const std::uint16_t imageId = ++m_lastIconId;
      Add(kRtIcon, Ordinal(imageId), std::move(image), pos, kMoveable | kDiscardable);
      for (int b = 0; b < 4; ++b) group.Byte(file[entry + b]);  // width, height, colour count, reserved
      group.Word(planes);
      group.Word(bitCount);
      group.Dword(size);
      group.Word(imageId);
    }
    Add(kRtGroupIcon, name, group.Data(), pos);
  }

  // STRINGTABLE BEGIN id[,] "text" ... END; the texts go into blocks of 16 when the script is done.
  void StringTable() {
    SkipMemoryOptions();
    std::uint16_t language = m_language;
    if (AcceptKeyword("LANGUAGE")) language = LanguageArgs();
    ExpectBegin("string table");
    while (!AcceptEnd()) {
      CheckNotEndOfScript("string table");
      const Pos pos = Peek().pos;
      const std::uint16_t id = WordExpr("string id");
      AcceptPunct(',');
      const std::u16string text = ExpectString("the string text");
      auto& strings = m_strings[language];
      if (const auto found = strings.find(id); found != strings.end()) {
        Fail(pos, "string " + std::to_string(id) + " defined twice (first at line " + std::to_string(found->second.second.line) + ")");
      }
      strings.emplace(id, std::make_pair(text, pos));
    }
  }

  void EmitStringTables() {
    for (const auto& [language, strings] : m_strings) {
      std::map<std::uint16_t, std::array<std::u16string, 16>> blocks;
      std::map<std::uint16_t, Pos> firstPos;
      for (const auto& [id, entry] : strings) {
        const auto block = static_cast<std::uint16_t>(id / 16 + 1);
        blocks[block][id % 16] = entry.first;
        firstPos.emplace(block, entry.second);
      }
      for (const auto& [block, texts] : blocks) {
        Buffer out;
        for (const std::u16string& text : texts) {
          out.Word(static_cast<std::uint16_t>(text.size()));
          out.String(text, false);
        }
        const std::uint16_t saved = m_language;
        m_language = language;
        Add(kRtString, Ordinal(block), out.Data(), firstPos[block]);
        m_language = saved;
      }
    }
  }

  // VERSIONINFO fixed statements, then BLOCK "key" BEGIN ... END and VALUE "key", values.
  std::vector<std::uint8_t> VersionInfo() {
    std::array<std::uint16_t, 4> fileVersion{}, productVersion{};
    std::uint32_t flagsMask = 0, flags = 0, os = 0, fileType = 0, subtype = 0;
    for (;;) {
      if (AcceptKeyword("FILEVERSION")) fileVersion = VersionNumbers();
      else if (AcceptKeyword("PRODUCTVERSION")) productVersion = VersionNumbers();
      else if (AcceptKeyword("FILEFLAGSMASK")) flagsMask = Dword(Expr(), "FILEFLAGSMASK");
      else if (AcceptKeyword("FILEFLAGS")) flags = Dword(Expr(), "FILEFLAGS");
      else if (AcceptKeyword("FILEOS")) os = Dword(Expr(), "FILEOS");
      else if (AcceptKeyword("FILETYPE")) fileType = Dword(Expr(), "FILETYPE");
      else if (AcceptKeyword("FILESUBTYPE")) subtype = Dword(Expr(), "FILESUBTYPE");
      else break;
    }
    Buffer fixed;
    fixed.Dword(0xFEEF04BD);
    fixed.Dword(0x00010000);
    fixed.Dword((std::uint32_t{fileVersion[0]} << 16) | fileVersion[1]);
    fixed.Dword((std::uint32_t{fileVersion[2]} << 16) | fileVersion[3]);
    fixed.Dword((std::uint32_t{productVersion[0]} << 16) | productVersion[1]);
    fixed.Dword((std::uint32_t{productVersion[2]} << 16) | productVersion[3]);
    fixed.Dword(flagsMask);
    fixed.Dword(flags);
    fixed.Dword(os);
    fixed.Dword(fileType);
    fixed.Dword(subtype);
    fixed.Dword(0);  // file date
    fixed.Dword(0);
    Buffer out;
    const std::size_t start = BeginVersionNode(out, u"VS_VERSION_INFO", 0, 52);
    out.Append(fixed.Data());
    VersionChildren(out);
    EndVersionNode(out, start);
    return out.Data();
  }

  std::array<std::uint16_t, 4> VersionNumbers() {
    std::array<std::uint16_t, 4> parts{};
    for (int k = 0; k < 4; ++k) {
      if (k) ExpectComma("between version numbers");
      parts[k] = WordExpr("version number");
    }
    return parts;
  }

  // Node: length (patched at the end), value length, type, key, padding; the caller writes the value.
  std::size_t BeginVersionNode(Buffer& out, const std::u16string& key, std::uint16_t type, std::uint16_t valueLength) {
    out.AlignDword();
    const std::size_t start = out.Size();
    out.Word(0);
    out.Word(valueLength);
    out.Word(type);
    out.String(key);
    out.AlignDword();
    return start;
  }
  void EndVersionNode(Buffer& out, std::size_t start) {
    const std::size_t length = out.Size() - start;
    if (length > 0xFFFF) Fail(Peek().pos, "version block too large");
    out.PatchWord(start, static_cast<std::uint16_t>(length));
  }

  void VersionChildren(Buffer& out) {
    ExpectBegin("version block");
    while (!AcceptEnd()) {
      CheckNotEndOfScript("version block");
      if (AcceptKeyword("BLOCK")) {
        const std::u16string key = ExpectString("the block name");
        const std::size_t start = BeginVersionNode(out, key, 1, 0);
        VersionChildren(out);
        EndVersionNode(out, start);
      } else if (AcceptKeyword("VALUE")) {
        const std::u16string key = ExpectString("the value name");
        ExpectComma("after the value name");
        if (Peek().kind == Kind::String) {
          const std::u16string text = Next().str;
          if (IsPunct(Peek(), ',')) Fail(Peek().pos, "a text value is one string");
          const std::size_t start = BeginVersionNode(out, key, 1, static_cast<std::uint16_t>(text.size() + 1));
          out.String(text);
          EndVersionNode(out, start);
        } else {
          Buffer value;
          do {
            const Value v = Expr();
            if (v.isLong) value.Dword(Dword(v, "version value"));
            else value.Word(Word(v, "version value"));
          } while (AcceptPunct(','));
          const std::size_t start = BeginVersionNode(out, key, 0, static_cast<std::uint16_t>(value.Size()));
          out.Append(value.Data());
          EndVersionNode(out, start);
        }
      } else {
        Fail(Peek().pos, "expected BLOCK or VALUE, found " + Show(Peek()));
      }
    }
  }

  std::vector<Token> m_tokens;
  std::size_t m_i = 0;
  Symbols& m_symbols;
  fs::path m_script;
  std::set<std::string> m_expanding;
  std::uint16_t m_language = 0;  // LANG_NEUTRAL until a LANGUAGE statement
  std::uint16_t m_lastIconId = 0;
  std::map<std::uint16_t, std::map<std::uint16_t, std::pair<std::u16string, Pos>>> m_strings;
  std::vector<Resource> m_resources;
};

// ---------------------------------------------------------------------------------------------------------
// Writing the image

std::vector<std::uint8_t> WriteResImage(const std::vector<Resource>& resources) {
  Buffer out;
  // The null entry that marks a 32-bit image.
  out.Dword(0);
  out.Dword(32);
  Ordinal(0).Write(out);
  Ordinal(0).Write(out);
  for (int k = 0; k < 4; ++k) out.Dword(0);
  for (const Resource& resource : resources) {
    Buffer header;
    resource.type.Write(header);
    resource.name.Write(header);
    header.AlignDword();  // aligned relative to the entry start, which is aligned itself (+8 for the sizes)
    header.Dword(0);    // data version
    header.Word(resource.memoryFlags);
    header.Word(resource.language);
    header.Dword(0);    // version
    header.Dword(0);    // characteristics
    out.Dword(static_cast<std::uint32_t>(resource.data.size()));
    out.Dword(static_cast<std::uint32_t>(8 + header.Size()));
    out.Append(header.Data());
    out.Append(resource.data);
    out.AlignDword();
  }
  return out.Data();
}

std::string CppSource(const std::vector<std::uint8_t>& image, const std::string& symbol, const std::string& script) {
  std::ostringstream out;
  out << "// Generated by tvqrc from " << script << "; edit the script, not this file.\n"
      << "#include <cstddef>\n\n"
      << "extern const unsigned char " << symbol << "[];\n"
      << "extern const std::size_t " << symbol << "Size;\n\n"
      << "alignas(4) const unsigned char " << symbol << "[] = {";
  for (std::size_t k = 0; k < image.size(); ++k) {
    if (k % 16 == 0) out << "\n   ";
    char hex[8];
    std::snprintf(hex, sizeof hex, " 0x%02x,", image[k]);
    out << hex;
  }
  out << "\n};\n"
      << "const std::size_t " << symbol << "Size = sizeof(" << symbol << ");\n";
  return out.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + temporary.string());
  }
  fs::rename(temporary, path);
}

std::string DepfileEscape(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == ' ' || c == '#' || c == '\\') out.push_back('\\');
    if (c == '$') out.push_back('$');
    out.push_back(c);
  }
  return out;
}

int Usage() {
  std::cerr << "usage: tvqrc [-I dir]... -o out.res [--cpp out.cpp --symbol NAME] [--depfile out.d] script.rc\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> includeDirs;
  fs::path output, cpp, depfile, script;
  std::string symbol;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    auto value = [&]() -> std::string {
      if (k + 1 >= argc) throw std::invalid_argument(arg);
      return argv[++k];
    };
    try {
      if (arg == "-I") includeDirs.emplace_back(value());
      else if (arg.rfind("-I", 0) == 0) includeDirs.emplace_back(arg.substr(2));
      else if (arg == "-o") output = value();
      else if (arg == "--cpp") cpp = value();
      else if (arg == "--symbol") symbol = value();
      else if (arg == "--depfile") depfile = value();
      else if (!arg.empty() && arg[0] == '-') return Usage();
      else if (script.empty()) script = arg;
      else return Usage();
    } catch (const std::invalid_argument&) {
      return Usage();
    }
  }
  if (script.empty() || output.empty() || (cpp.empty() != symbol.empty())) return Usage();
  try {
    Symbols symbols(includeDirs);
    std::vector<Token> tokens = LexScript(script, symbols);
    Compiler compiler(std::move(tokens), symbols, script);
    const std::vector<std::uint8_t> image = WriteResImage(compiler.Run());
    WriteFile(output, std::string(image.begin(), image.end()));
    if (!cpp.empty()) WriteFile(cpp, CppSource(image, symbol, script.filename().string()));
    if (!depfile.empty()) {
      std::string text = DepfileEscape(output.string()) + ":";
      for (const std::string& dependency : symbols.Dependencies()) text += " \\\n  " + DepfileEscape(dependency);
      WriteFile(depfile, text + "\n");
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
