// The basic plane's widths and what shows as itself are tables made at compile time; the rest of the code
// points go through ranges. Cells walk their text once for width, escaping and cutting.
#include "cli/Display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "platform/core/Utf.h"

namespace tvqcli {
namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// East Asian Wide and Fullwidth blocks (the common ones).
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B}, {0x2329, 0x232A}, {0x23E9, 0x23EC}, {0x2E80, 0x303E},
    {0x3041, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xA960, 0xA97F},
    {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE10, 0xFE19}, {0xFE30, 0xFE6F}, {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Combining marks and format characters that take no column.
constexpr Range kZero[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D},
    {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
};

// Widths of the basic plane, made when the program is compiled: a list of 10,000 Japanese tasks asks for
// hundreds of thousands.
constexpr std::array<std::uint8_t, 0x10000> MakeBasicPlaneWidths() {
  std::array<std::uint8_t, 0x10000> widths{};
  for (auto& width : widths) width = 1;
  for (const Range& range : kWide) {
    for (char32_t c = range.first; c <= range.last && c <= 0xFFFF; ++c) widths[c] = 2;
  }
  for (const Range& range : kZero) {  // a combining mark inside a wide block takes no column
    for (char32_t c = range.first; c <= range.last && c <= 0xFFFF; ++c) widths[c] = 0;
  }
  return widths;
}
constexpr std::array<std::uint8_t, 0x10000> kBasicPlaneWidths = MakeBasicPlaneWidths();

// For each unit of UTF-16 that shows as itself (not a control, a line break, a hidden control or half of a
// pair): its width + 1; 0 for the others. Most units of most texts are such, and a table takes them in one look.
constexpr std::array<std::uint8_t, 0x10000> MakeShownAsItself() {
  std::array<std::uint8_t, 0x10000> plain{};
  for (char32_t c = 0x20; c < 0x10000; ++c) {
    if (c != 0x7F && !platform::IsHiddenControl(c) && !platform::IsSurrogate(c)) {
      plain[c] = static_cast<std::uint8_t>(kBasicPlaneWidths[c] + 1);
    }
  }
  return plain;
}
constexpr std::array<std::uint8_t, 0x10000> kShownAsItself = MakeShownAsItself();

// How many code points of text fit in `room` columns; `used` gets their width.
std::size_t FittingPrefix(std::u32string_view text, int room, int& used) {
  used = 0;
  std::size_t kept = 0;
  for (; kept < text.size(); ++kept) {
    const int w = CodePointWidth(text[kept]);
    if (used + w > room) break;
    used += w;
  }
  return kept;
}

bool InRanges(char32_t codePoint, const Range* begin, const Range* end) {
  const Range* found =
      std::upper_bound(begin, end, codePoint, [](char32_t value, const Range& range) { return value < range.first; });
  return found != begin && codePoint <= (found - 1)->last;
}

constexpr char32_t kLineBreakMark = U'\u21B5';  // ↵
constexpr char32_t kEllipsis = U'\u2026';       // …
constexpr int kGap = 2;           // between the columns of a table
constexpr int kMinimumShare = 4;  // the narrowest a shared column becomes

}  // namespace

namespace {

constexpr char32_t kHex[] = U"0123456789ABCDEF";

// Puts the code points that show `codePoint` (itself, a control picture or an escape); false as soon as put does.
template <typename Put>
bool PutShown(char32_t codePoint, Put& put) {
  if (codePoint >= 0x20 && codePoint < 0x7F) return put(codePoint);
  if (codePoint < 0x20) return put(0x2400 + codePoint);
  if (codePoint == 0x7F) return put(U'\u2421');
  if (!platform::IsHiddenControl(codePoint) && !platform::IsSurrogate(codePoint)) return put(codePoint);
  if (!put(U'\\') || !put(U'u')) return false;
  for (int shift = 12; shift >= 0; shift -= 4) {
    if (!put(kHex[(codePoint >> shift) & 15])) return false;
  }
  return true;
}

template <typename Put>
bool PutByteEscape(unsigned char byte, Put& put) {
  return put(U'\\') && put(U'x') && put(kHex[byte >> 4]) && put(kHex[byte & 15]);
}

// Calls shown() for what text[i] shows (a line break, a code point, a pair joined) and moves i past it; false
// as soon as shown does.
template <typename Sink>
bool ShowNext(std::u16string_view text, std::size_t& i, Sink& shown) {
  const char16_t unit = text[i++];
  if (unit == u'\r' || unit == u'\n') {
    if (unit == u'\r' && i < text.size() && text[i] == u'\n') ++i;
    return shown(kLineBreakMark);
  }
  char32_t codePoint = unit;
  if (platform::IsHighSurrogate(unit) && i < text.size() && platform::IsLowSurrogate(text[i])) {
    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (text[i++] - 0xDC00);
  }
  return PutShown(codePoint, shown);
}

// Calls shown(codePoint) for each code point as shown, until it returns false.
template <typename Sink>
void ForEachShown(std::u16string_view text, Sink&& shown) {
  for (std::size_t i = 0; i < text.size();) {
    if (!ShowNext(text, i, shown)) return;
  }
}

// The same for UTF-8 bytes; with keepCrLf, CR LF pairs are passed on as they are.
template <typename Sink>
void ForEachShownUtf8(std::string_view text, bool keepCrLf, Sink&& shown) {
  for (std::size_t pos = 0; pos < text.size();) {
    const char byte = text[pos];
    if (byte == '\r' || byte == '\n') {
      const bool crLf = byte == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n';
      pos += crLf ? 2 : 1;
      if (crLf && keepCrLf) {
        if (!shown(U'\r') || !shown(U'\n')) return;
      } else if (!shown(kLineBreakMark)) {
        return;
      }
      continue;
    }
    char32_t codePoint = 0;
    const std::size_t length = platform::DecodeUtf8(text, pos, codePoint);
    if (length == 0) {
      if (!PutByteEscape(static_cast<unsigned char>(byte), shown)) return;
      ++pos;
      continue;
    }
    if (!PutShown(codePoint, shown)) return;
    pos += length;
  }
}

std::string ShownUtf8(std::string_view utf8, bool keepCrLf) {
  std::string out;
  out.reserve(utf8.size());
  ForEachShownUtf8(utf8, keepCrLf, [&out](char32_t codePoint) {
    platform::AppendUtf8(out, codePoint);
    return true;
  });
  return out;
}

}  // namespace

std::u32string ShownText(std::u16string_view text) {
  std::u32string shown;
  shown.reserve(text.size());
  ForEachShown(text, [&shown](char32_t codePoint) {
    shown.push_back(codePoint);
    return true;
  });
  return shown;
}

std::string TerminalText(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachShown(text, [&out](char32_t codePoint) {
    platform::AppendUtf8(out, codePoint);
    return true;
  });
  return out;
}

std::string TerminalText(std::string_view utf8) { return ShownUtf8(utf8, false); }

std::string TerminalLines(std::string_view utf8) { return ShownUtf8(utf8, true); }

namespace {

int StopOf(int limit) { return limit > 0 ? limit : std::numeric_limits<int>::max(); }

constexpr std::size_t kCopyBlockUnits = 4096;  // copies made beyond what Reserve made room for

// Walks what `text` shows, as a cell that takes nothing more once wider than `stop`: calls shown(codePoint,
// width) for each code point kept, with the cell's width before it, until shown returns false. Returns the
// width reached.
template <typename Shown>
int WalkCell(std::u16string_view text, int stop, Shown&& shown, std::size_t i = 0, int width = 0) {
  auto put = [&width, stop, &shown](char32_t codePoint) {
    if (width > stop) return false;
    const int w = CodePointWidth(codePoint);
    if (!shown(codePoint, w)) return false;
    width += w;
    return true;
  };
  while (i < text.size()) {
    const char16_t unit = text[i];
    if (const int plain = kShownAsItself[unit]) {
      if (width > stop || !shown(unit, plain - 1)) break;
      width += plain - 1;
      ++i;
      continue;
    }
    if (!ShowNext(text, i, put)) break;
  }
  return width;
}

int CellWidth(std::u16string_view text, int stop) {
  // Units that show as themselves first, in runs that cannot pass the stop (a unit adds at most two columns);
  // the walk takes the rest from the first other unit, or finds the stop passed.
  std::size_t i = 0;
  int width = 0;
  while (i < text.size() && width <= stop) {
    const std::size_t end = i + std::min(text.size() - i, static_cast<std::size_t>((stop - width) / 2 + 1));
    for (; i < end; ++i) {
      const int plain = kShownAsItself[text[i]];
      if (!plain) break;
      width += plain - 1;
    }
    if (i < end) break;
  }
  return WalkCell(text, stop, [](char32_t, int) { return true; }, i, width);
}

// Writes UTF-8 at the end of a string through a pointer, making room a piece at a time; the string has its
// final size again when the writer goes.
class Utf8Writer {
 public:
  Utf8Writer(std::string& out, std::size_t piece) : m_out(out), m_piece(piece + kMostBytes) { MakeRoomAt(out.size()); }
  ~Utf8Writer() { m_out.resize(Size()); }
  Utf8Writer(const Utf8Writer&) = delete;
  Utf8Writer& operator=(const Utf8Writer&) = delete;

  std::size_t Size() const { return m_used + static_cast<std::size_t>(m_at - m_begin); }
  void Truncate(std::size_t size) { MakeRoomAt(size); }
  // Room for `bytes` written through the pointer returned; End says where the writing stopped.
  char* Room(std::size_t bytes) {
    if (static_cast<std::size_t>(m_end - m_at) < bytes) {
      m_piece = std::max(m_piece, bytes);
      MakeRoomAt(Size());
    }
    return m_at;
  }
  void End(char* at) { m_at = at; }
  void Put(char32_t codePoint) {
    if (m_end - m_at < kMostBytes) MakeRoomAt(Size());
    if (codePoint < 0x80) {
      *m_at++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      *m_at++ = static_cast<char>(0xC0 | (codePoint >> 6));
      *m_at++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
      *m_at++ = static_cast<char>(0xE0 | (codePoint >> 12));
      *m_at++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *m_at++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      *m_at++ = static_cast<char>(0xF0 | (codePoint >> 18));
      *m_at++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      *m_at++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      *m_at++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
  }

 private:
  static constexpr std::ptrdiff_t kMostBytes = 4;
  // The string holds `used` bytes, then room for a piece.
  void MakeRoomAt(std::size_t used) {
    m_used = used;
    m_out.resize(used + m_piece);
    m_begin = m_at = m_out.data() + m_used;
    m_end = m_begin + m_piece;
  }
  std::string& m_out;
  std::size_t m_piece;
  std::size_t m_used = 0;  // bytes of m_out before m_begin
  char* m_begin = nullptr;
  char* m_at = nullptr;
  char* m_end = nullptr;
};

// Appends the cell as shown in a column `columnWidth` wide: cut with "…" when wider. Returns its width.
int AppendCell(std::string& out, std::u16string_view text, int stop, int columnWidth) {
  const int room = std::max(columnWidth - 1, 0);  // what a cut cell keeps before its "…"
  int width = 0;
  std::size_t fitting = std::string::npos;  // where the first code point beyond `room` starts
  int fittingWidth = 0;
  Utf8Writer writer(out, static_cast<std::size_t>(columnWidth) * 3);
  // While two more columns still fit before `room` and the stop is not passed, a unit that shows as itself
  // cannot reach the cut: it goes out at once.
  std::size_t i = 0;
  const std::size_t bulk = std::min(text.size(), static_cast<std::size_t>(room));  // a unit takes a column or none
  char* at = writer.Room(bulk * 3);
  // A unit adds at most two columns, so a run of units that cannot pass the limit goes without looking at the
  // width: the limit is looked at once a run.
  for (const int limit = std::min(room - 2, stop); i < bulk && width <= limit;) {
    const std::size_t end = i + std::min(bulk - i, static_cast<std::size_t>((limit - width) / 2 + 1));
    for (; i < end; ++i) {
      const char16_t unit = text[i];
      const int plain = kShownAsItself[unit];
      if (!plain) break;
      width += plain - 1;
      if (unit < 0x80) {
        *at++ = static_cast<char>(unit);
      } else if (unit < 0x800) {
        *at++ = static_cast<char>(0xC0 | (unit >> 6));
        *at++ = static_cast<char>(0x80 | (unit & 0x3F));
      } else {
        *at++ = static_cast<char>(0xE0 | (unit >> 12));
        *at++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (unit & 0x3F));
      }
    }
    if (i < end) break;  // a unit that does not show as itself: the walk below takes it
  }
  writer.End(at);
  const int total = WalkCell(text, stop, [&](char32_t codePoint, int w) {
    if (fitting == std::string::npos && width + w > room) {
      fitting = writer.Size();
      fittingWidth = width;
    }
    width += w;
    if (width > columnWidth) return false;  // cut: the rest is not shown
    writer.Put(codePoint);
    return true;
  }, i, width);
  if (width <= columnWidth) return total;
  if (fitting != std::string::npos) writer.Truncate(fitting);
  if (columnWidth < 1) return fittingWidth;
  writer.Put(kEllipsis);
  return fittingWidth + CodePointWidth(kEllipsis);
}

}  // namespace

void Table::NewCopyBlock(std::size_t units) {
  m_copyBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(units));  // touched only as it fills
  m_copyNext = m_copyBlocks.back().get();
  m_copyRoom = units;
}

void Table::Add(std::u16string_view text, int limit) {
  if (text.size() > m_copyRoom) NewCopyBlock(std::max<std::size_t>(text.size(), kCopyBlockUnits));
  char16_t* const copy = m_copyNext;
  std::copy(text.begin(), text.end(), copy);
  m_copyNext += text.size();
  m_copyRoom -= text.size();
  m_cells.push_back({copy, static_cast<std::uint32_t>(text.size()), StopOf(limit)});
}

void Table::AddLasting(std::u16string_view text, int limit) {
  m_cells.push_back({text.data(), static_cast<std::uint32_t>(text.size()), StopOf(limit)});
}

int CodePointWidthSlow(char32_t codePoint) {
  if (codePoint <= 0xFFFF) return kBasicPlaneWidths[codePoint];
  if (InRanges(codePoint, std::begin(kZero), std::end(kZero))) return 0;
  if (InRanges(codePoint, std::begin(kWide), std::end(kWide))) return 2;
  return 1;
}

int TextWidth(std::u32string_view text) {
  int width = 0;
  for (const char32_t codePoint : text) width += CodePointWidth(codePoint);
  return width;
}

std::u32string CutToWidth(std::u32string_view text, int width) {
  if (TextWidth(text) <= width) return std::u32string(text);
  int used = 0;
  std::u32string cut(text.substr(0, FittingPrefix(text, std::max(width - 1, 0), used)));
  if (width >= 1) cut.push_back(kEllipsis);
  return cut;
}

int TerminalWidth() {
  winsize size{};
  if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    return size.ws_col;
  }
  if (const char* columns = std::getenv("COLUMNS")) {
    const int value = std::atoi(columns);
    if (value > 0) return value;
  }
  return 80;
}

std::vector<int> Table::ColumnWidths(const std::vector<bool>& shrinkable, int maxWidth) const {
  const std::size_t columns = m_columns;
  std::vector<int> natural(columns, 0);
  for (std::size_t i = 0, c = 0; i < m_cells.size(); ++i, c = c + 1 == columns ? 0 : c + 1) {
    const CellRef& cell = m_cells[i];
    // No cell is wider than its stop + 2 (a wide character crossing it): a column there needs no more looks.
    if (cell.stop <= std::numeric_limits<int>::max() - 2 && natural[c] >= cell.stop + 2) continue;
    natural[c] = std::max(natural[c], CellWidth(TextOf(cell), cell.stop));
  }
  std::vector<int> width = natural;
  int total = kGap * static_cast<int>(columns - 1);
  for (const int w : natural) total += w;
  if (maxWidth <= 0 || total <= maxWidth) return width;
  // The fixed columns keep their width; the shrinkable ones share the rest, none taking more than it needs.
  int room = maxWidth - kGap * static_cast<int>(columns - 1);
  std::vector<std::size_t> sharing;
  for (std::size_t c = 0; c < columns; ++c) {
    if (shrinkable[c]) {
      sharing.push_back(c);
    } else {
      room -= natural[c];
    }
  }
  std::sort(sharing.begin(), sharing.end(), [&natural](std::size_t a, std::size_t b) { return natural[a] < natural[b]; });
  for (std::size_t k = 0; k < sharing.size(); ++k) {
    const int share = std::max(room / static_cast<int>(sharing.size() - k), kMinimumShare);
    width[sharing[k]] = std::min(natural[sharing[k]], share);
    room -= width[sharing[k]];
  }
  return width;
}

std::string Table::Format(const std::vector<bool>& rightAligned, const std::vector<bool>& shrinkable,
                          int maxWidth) const {
  std::string out;
  FormatInto(out, rightAligned, shrinkable, maxWidth, [] {});
  return out;
}

void Table::FormatInto(std::string& out, const std::vector<bool>& rightAligned, const std::vector<bool>& shrinkable,
                       int maxWidth, const std::function<void()>& rowDone) const {
  const std::size_t columns = m_columns;
  const std::vector<int> width = ColumnWidths(shrinkable, maxWidth);
  for (std::size_t i = 0, c = 0; i < m_cells.size(); ++i, c = c + 1 == columns ? 0 : c + 1) {
    const CellRef& cell = m_cells[i];
    const std::u16string_view text = TextOf(cell);
    int cellWidth = 0;
    if (rightAligned[c]) {
      const std::size_t padAt = out.size();
      cellWidth = AppendCell(out, text, cell.stop, width[c]);
      out.insert(padAt, static_cast<std::size_t>(std::max(width[c] - cellWidth, 0)), ' ');
    } else {
      cellWidth = AppendCell(out, text, cell.stop, width[c]);
    }
    if (c + 1 == columns) {
      while (!out.empty() && out.back() == ' ') out.pop_back();
      out.push_back('\n');
      rowDone();
    } else {
      if (!rightAligned[c]) out.append(static_cast<std::size_t>(std::max(width[c] - cellWidth, 0)), ' ');
      out.append(kGap, ' ');
    }
  }
}

}  // namespace tvqcli
