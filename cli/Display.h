// Terminal cells for tvq list: text as a terminal shows it (line breaks and control characters as visible
// marks), its width in columns (East Asian wide characters take two), and cutting to a width with "…".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tvqcli {

// Code points as shown: pairs joined, lone surrogates as U+FFFD, a line break (CR LF, LF or CR) as "↵",
// other control characters as their control pictures (U+2400 ...).
std::u32string ShownText(std::u16string_view text);

int CodePointWidthSlow(char32_t codePoint);
inline int CodePointWidth(char32_t codePoint) { return codePoint < 0x300 ? 1 : CodePointWidthSlow(codePoint); }
int TextWidth(std::u32string_view text);
// At most `width` columns; a text that does not fit ends in "…".
std::u32string CutToWidth(std::u32string_view text, int width);

// Columns of the terminal on standard output: its size, else $COLUMNS, else 80.
int TerminalWidth();

// Rows of cells laid out in columns two spaces apart; cells are added row by row. All cell texts share one
// buffer, so a table of 10,000 rows costs a handful of allocations.
class Table {
 public:
  explicit Table(std::size_t columns) : m_columns(columns) {}
  // Room for this many cells and code points, to add without reallocating.
  void Reserve(std::size_t cells, std::size_t codePoints) {
    m_cells.reserve(cells);
    m_text.reserve(codePoints);
  }
  // The next cell. With a limit (> 0) only what can be shown of the text is kept: a text wider than the limit
  // keeps limit + 1 columns, so it is always cut.
  void Add(std::u16string_view text, int limit = 0);
  // Columns in `rightAligned` are padded on the left. When the natural width exceeds maxWidth (> 0), the columns
  // in `shrinkable` share what is left and longer cells end in "…".
  std::string Format(const std::vector<bool>& rightAligned, const std::vector<bool>& shrinkable, int maxWidth) const;

 private:
  struct CellRef {
    std::size_t offset;
    std::size_t length;
    int width;
  };
  std::size_t m_columns;
  std::u32string m_text;
  std::vector<CellRef> m_cells;
};

}  // namespace tvqcli
