// Text for a person on a terminal, and the cells of tvq list: what a terminal shows (no character that a
// terminal would act on or that reorders what follows it), its width in columns (East Asian wide characters
// take two), and cutting to a width with "…".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tvqcli {

// The one rule for text that tvq writes for a person (list cells, messages, errors, file names): a line break
// (CR LF, LF or CR) shows as "↵", other C0 controls and DEL as their control pictures (U+2400 ...), hidden
// controls (platform::IsHiddenControl) as "\u202E", an unpaired surrogate as "\uD800" and a byte that is not UTF-8 as "\xFF"; pairs are
// joined and everything else stays as it is.
std::u32string ShownText(std::u16string_view text);
std::string TerminalText(std::u16string_view text);
std::string TerminalText(std::string_view utf8);
// A file's text shown on a terminal (tvq export there): its CR LF line ends stay, the rest as TerminalText.
std::string TerminalLines(std::string_view utf8);

int CodePointWidthSlow(char32_t codePoint);
inline int CodePointWidth(char32_t codePoint) { return codePoint < 0x300 ? 1 : CodePointWidthSlow(codePoint); }
int TextWidth(std::u32string_view text);
// At most `width` columns; a text that does not fit ends in "…".
std::u32string CutToWidth(std::u32string_view text, int width);

// Columns of the terminal on standard output: its size, else $COLUMNS, else 80.
int TerminalWidth();

// Rows of cells laid out in columns two spaces apart; cells are added row by row. A cell is shown as the
// rule above shows its text, and only as much of it is looked at as the layout needs: the widths up to the
// limit, then what fits the column.
class Table {
 public:
  explicit Table(std::size_t columns) : m_columns(columns) {}
  // Room for this many cells and units of copied text, to add without reallocating.
  void Reserve(std::size_t cells, std::size_t copiedUnits) {
    m_cells.reserve(cells);
    if (copiedUnits > m_copyRoom) NewCopyBlock(copiedUnits);
  }
  // The next cell, its text copied. With a limit (> 0) only what can be shown of the text counts: a text wider
  // than the limit keeps limit + 1 columns (or limit + 2 when a wide character crosses it), so it is cut.
  void Add(std::u16string_view text, int limit = 0);
  // The same for a text that outlives the table (a task's memo): not copied.
  void AddLasting(std::u16string_view text, int limit = 0);
  // Columns in `rightAligned` are padded on the left. When the natural width exceeds maxWidth (> 0), the columns
  // in `shrinkable` share what is left and longer cells end in "…".
  std::string Format(const std::vector<bool>& rightAligned, const std::vector<bool>& shrinkable, int maxWidth) const;
  // The same appended to `out`, with rowDone() called after each row: a long table goes out a piece at a time
  // through a buffer that stays small.
  void FormatInto(std::string& out, const std::vector<bool>& rightAligned, const std::vector<bool>& shrinkable,
                  int maxWidth, const std::function<void()>& rowDone) const;

 private:
  // Sixteen bytes a cell: a list of 10,000 tasks has 50,000 of them.
  struct CellRef {
    const char16_t* text;  // the lasting text, or its copy in a block of m_copyBlocks
    std::uint32_t length;  // a task's text holds at most 2^31 - 1 units
    int stop;              // nothing more is shown once the cell is wider than this
  };
  static std::u16string_view TextOf(const CellRef& cell) { return {cell.text, cell.length}; }
  std::vector<int> ColumnWidths(const std::vector<bool>& shrinkable, int maxWidth) const;
  void NewCopyBlock(std::size_t units);

  std::size_t m_columns;
  // Copies go into blocks that never move, so a cell points at its copy as at a lasting text.
  std::vector<std::unique_ptr<char16_t[]>> m_copyBlocks;
  char16_t* m_copyNext = nullptr;
  std::size_t m_copyRoom = 0;
  std::vector<CellRef> m_cells;
};

}  // namespace tvqcli
