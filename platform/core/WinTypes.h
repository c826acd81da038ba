// Basic types, constants and message records of the handheld platform, as the program's code expects them.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using ULONGLONG = std::uint64_t;
using LONGLONG = std::int64_t;
using DATE = double;
using LRESULT = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using LCID = DWORD;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// Dialog results and standard control ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDC_STATIC = -1;

// Message box types.
inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_OKCANCEL = 0x0001;
inline constexpr UINT MB_YESNOCANCEL = 0x0003;
inline constexpr UINT MB_YESNO = 0x0004;
inline constexpr UINT MB_ICONHAND = 0x0010;
inline constexpr UINT MB_ICONQUESTION = 0x0020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x0030;
inline constexpr UINT MB_ICONASTERISK = 0x0040;
inline constexpr UINT MB_TYPEMASK = 0x000F;
inline constexpr UINT MB_ICONMASK = 0x00F0;

// Window messages that reach message maps.
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;

// WM_SIZE types.
inline constexpr UINT SIZE_RESTORED = 0;
inline constexpr UINT SIZE_MINIMIZED = 1;
inline constexpr UINT SIZE_MAXIMIZED = 2;

// Command notification codes (the code half of WM_COMMAND).
inline constexpr UINT CN_COMMAND = 0;
inline constexpr UINT BN_CLICKED = 0;
inline constexpr UINT EN_CHANGE = 0x0300;

// WM_NOTIFY codes.
inline constexpr UINT NM_FIRST = 0;
inline constexpr UINT NM_CLICK = static_cast<UINT>(NM_FIRST - 2);
inline constexpr UINT NM_DBLCLK = static_cast<UINT>(NM_FIRST - 3);
inline constexpr UINT LVN_FIRST = static_cast<UINT>(-100);
inline constexpr UINT LVN_ITEMCHANGED = static_cast<UINT>(LVN_FIRST - 1);
inline constexpr UINT LVN_COLUMNCLICK = static_cast<UINT>(LVN_FIRST - 8);
inline constexpr UINT LVN_KEYDOWN = static_cast<UINT>(LVN_FIRST - 55);

// Virtual keys.
inline constexpr WORD VK_RETURN = 0x0D;
inline constexpr WORD VK_ESCAPE = 0x1B;
inline constexpr WORD VK_UP = 0x26;
inline constexpr WORD VK_DOWN = 0x28;
inline constexpr WORD VK_DELETE = 0x2E;

// Framework command ids.
inline constexpr UINT ID_FILE_NEW = 0xE100;   // 57600
inline constexpr UINT ID_FILE_OPEN = 0xE101;  // 57601
inline constexpr UINT ID_FILE_CLOSE = 0xE102;
inline constexpr UINT ID_FILE_SAVE = 0xE103;  // 57603
inline constexpr UINT ID_FILE_SAVE_AS = 0xE104;
inline constexpr UINT ID_EDIT_COPY = 0xE122;   // 57634
inline constexpr UINT ID_EDIT_CUT = 0xE123;    // 57635
inline constexpr UINT ID_EDIT_PASTE = 0xE125;  // 57637
inline constexpr UINT ID_EDIT_UNDO = 0xE12B;   // 57643
inline constexpr UINT ID_APP_ABOUT = 0xE140;   // 57664
inline constexpr UINT ID_APP_EXIT = 0xE141;
inline constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
inline constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

// Framework string ids.
inline constexpr UINT AFX_IDS_APP_TITLE = 0xE000;  // 57344
inline constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;
inline constexpr UINT AFX_IDS_UNTITLED = 0xF000;

// OLE date formatting flags and locales.
inline constexpr DWORD VAR_TIMEVALUEONLY = 0x00000001;
inline constexpr DWORD VAR_DATEVALUEONLY = 0x00000002;
inline constexpr LCID LANG_USER_DEFAULT = 0x0400;
inline constexpr UINT CP_ACP = 0;

struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;
  WORD wDayOfWeek = 0;
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

// Header of every WM_NOTIFY record.
struct NMHDR {
  void* hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

// LVN_COLUMNCLICK, NM_DBLCLK and LVN_ITEMCHANGED of the list control.
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  POINT ptAction;
  LPARAM lParam = 0;
};

// LVN_KEYDOWN of the list control.
struct NMLVKEYDOWN {
  NMHDR hdr;
  WORD wVKey = 0;
  UINT flags = 0;
};

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  UINT_PTR hMenu = 0;
  void* hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  const char16_t* lpszName = nullptr;
  const char16_t* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};
using LPCREATESTRUCT = CREATESTRUCT*;
