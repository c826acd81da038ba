// Hostile text for tvq's tests: random task texts and file names full of what a terminal would act on, and
// the check that text meant for a terminal carries none of it.
#pragma once

#include <random>
#include <string>
#include <string_view>

namespace clitest {

// UTF-16 text of up to `maxUnits` units drawn from C0 and C1 controls, DEL, the direction controls, escape
// sequences (ESC [ and U+009B), line breaks, lone surrogates and pairs, the characters a spreadsheet reacts to
// (= + - @ ' , ") and ordinary ASCII and kanji. Without `loneSurrogates`, the text is valid Unicode.
std::u16string HostileText(std::mt19937& random, std::size_t maxUnits, bool loneSurrogates = true);

// A file name's bytes in the same spirit: ESC, line breaks, C1 and direction controls in UTF-8, and bytes that
// are not UTF-8; never NUL or '/'. Never empty, never "." or "..".
std::string HostileFileName(std::mt19937& random);

// Empty when `output` is safe to show on a terminal: valid UTF-8 without C0 controls other than line ends
// (LF, or CR LF with `crLf`), DEL, C1 controls, direction controls (U+202A-202E, U+2066-2069, U+200E, U+200F,
// U+061C) or line and paragraph separators. Otherwise what is wrong and where.
std::string TerminalHazard(std::string_view output, bool crLf = false);

}  // namespace clitest
