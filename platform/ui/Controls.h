// The controls the program uses, as thin CWnd handles over their widgets.
#pragma once

#include "platform/core/COleDateTime.h"
#include "platform/ui/CWnd.h"

inline constexpr UINT BST_UNCHECKED = 0;
inline constexpr UINT BST_CHECKED = 1;

inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
inline constexpr int LVCFMT_LEFT = 0;

class CButton : public CWnd {
 public:
  UINT GetCheck() const;          // BM_GETCHECK
  void SetCheck(UINT nCheck);     // BM_SETCHECK
  void Click();                   // as a tap: BN_CLICKED reaches the owner's map
};

class CEdit : public CWnd {};

class CStatic : public CWnd {
 public:
  // Icon or bitmap statics: the image shown (from the resource module).
  void SetIconFromResource(WORD iconId);
  void SetBitmapFromResource(WORD bitmapId);
};

// Report-view list control ("SysListView32"). Rows hold their texts and their state in the widget: selected
// rows stay selected and move with their index when rows are inserted or deleted elsewhere. Several rows can
// be selected (Ctrl and Shift as on the platform). The header sends LVN_COLUMNCLICK, a double-click anywhere
// NM_DBLCLK, key presses LVN_KEYDOWN. Made for 100,000 rows: no widget item per cell.
class CListCtrl : public CWnd {
 public:
  int GetItemCount() const;
  // Inserts a row at nItem (clamped to 0..count) with its column-0 text; the new row is neither selected nor
  // focused. Returns the row's index.
  int InsertItem(int nItem, const CString& text);
  BOOL SetItemText(int nItem, int nSubItem, const CString& text);
  CString GetItemText(int nItem, int nSubItem) const;
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  UINT GetItemState(int nItem, UINT nMask) const;
  BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  int GetSelectedCount() const;

  int InsertColumn(int nCol, const CString& heading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
  int GetColumnCount() const;
  int GetColumnWidth(int nCol) const;  // 0 when the column does not exist
  BOOL SetColumnWidth(int nCol, int cx);
  CString GetColumnHeading(int nCol) const;

  // LVM_SETEXTENDEDLISTVIEWSTYLE: mask 0 affects every bit.
  DWORD SetExtendedStyle(DWORD dwNewStyle, DWORD dwMask = 0);
  DWORD GetExtendedStyle() const;

  // The list's client area as the platform counts it: inside the border, the header included, the scroll bars
  // excluded (the view sizes its last column from it).
  void GetClientRect(RECT* rect) const;
};

// Date picker ("SysDateTimePick32"): long date format of the user's locale, a calendar dropping down aligned to
// its right edge, no time field (the time of day it was given is kept), no "none" state, years 100 to 9999.
class CDateTimeCtrl : public CWnd {
 public:
  // FALSE, keeping the picker's own value, for a status other than valid or a value it cannot show.
  BOOL SetTime(const COleDateTime& time);
  // The picker's date with the kept time of day, status valid.
  DWORD GetTime(COleDateTime& time) const;
};
