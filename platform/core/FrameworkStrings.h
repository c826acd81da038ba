// The framework's own English messages, by id.
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

inline constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF102;      // "Failed to open document."
inline constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF103;      // "Failed to save document."
inline constexpr UINT AFX_IDP_ASK_TO_SAVE = 0xF104;             // "Save changes to %1?"
inline constexpr UINT AFX_IDP_FAILED_TO_CREATE_DOC = 0xF105;    // "Failed to create empty document."
inline constexpr UINT AFX_IDP_FAILED_INVALID_FORMAT = 0xF107;   // "Unexpected file format."
inline constexpr UINT AFX_IDP_FAILED_MEMORY_ALLOC = 0xF14F;     // "Out of memory."
inline constexpr UINT AFX_IDS_OPENFILE = 0xF000 + 1;            // "Open"
inline constexpr UINT AFX_IDS_ALLFILTER = 0xF000 + 2;           // "All Files (*.*)"
inline constexpr UINT AFX_IDS_UNTITLED_TEXT = 0xF000 + 3;       // "Untitled"
inline constexpr UINT AFX_IDS_INVALID_DATETIME = 0xF000 + 4;    // "Invalid DateTime"

// The English text of a framework message id; empty for an unknown id.
CString AfxFrameworkString(UINT id);
