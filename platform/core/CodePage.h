// Conversion of 8-bit text through a Windows code page, as MultiByteToWideChar does without
// MB_ERR_INVALID_CHARS: bytes that do not decode become U+FFFD and never cut the rest of the text.
#pragma once

#include <string_view>

#include "platform/core/CString.h"

namespace platform {

// codePage CP_ACP (0) means the ANSI code page of the locale settings.
CString MultiByteToWideChar(unsigned codePage, std::string_view bytes);

// True for the code pages this platform can convert through (874, 932, 936, 949, 950, 1250-1258).
bool IsSupportedAnsiCodePage(unsigned codePage);

}  // namespace platform
