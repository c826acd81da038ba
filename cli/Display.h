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
int CodePointWidth(char32_t codePoint);
int TextWidth(std::u32string_view text);
// At most `width` columns; a text that does not fit ends in "…".
std::u32string CutToWidth(std::u32string_view text, int width);
void AppendUtf8(std::string& out, std::u32string_view text);

// Columns of the terminal on standard output: its size, else $COLUMNS, else 80.
int TerminalWidth();

// Lays out rows of cells in columns two spaces apart. Columns listed in `rightAligned` are padded on the left.
// When the natural width exceeds maxWidth (> 0), the columns in `shrinkable` share what is left.
std::string FormatTable(const std::vector<std::vector<std::u32string>>& rows, const std::vector<bool>& rightAligned,
                        const std::vector<bool>& shrinkable, int maxWidth);

}  // namespace tvqcli
