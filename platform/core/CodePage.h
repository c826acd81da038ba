// Conversion of 8-bit text through a Windows ANSI code page, as the platform's MultiByteToWideChar does without
// MB_ERR_INVALID_CHARS: Microsoft's mappings; in the single-byte code pages every byte is one character (the
// bytes without one of their own give the C1 control or the private-use character of the platform's table);
// in the double-byte ones a lead byte takes the next byte as its trail, and an unmapped pair, a lead byte
// before a NUL and a lead byte at the end of the text give the code page's default character (U+30FB in 932,
// "?" in 936, 949 and 950). Nothing cuts the rest of the text.
#pragma once

#include <string_view>

#include "platform/core/CString.h"

namespace platform {

// A code page that is not supported (CP_ACP too: the locale's code page is FromAnsi's, in Locale.h) passes
// ASCII and gives U+FFFD for every other byte.
CString MultiByteToWideChar(unsigned codePage, std::string_view bytes);

// True for the code pages this platform can convert through (874, 932, 936, 949, 950, 1250-1258).
bool IsSupportedAnsiCodePage(unsigned codePage);

}  // namespace platform
