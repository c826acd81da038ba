// CListCtrl: the report-view list control ("SysListView32", ListViewWidget.h) and the handle of its controls.
// Rows hold their texts and their state in the widget: selected rows stay selected and move with their index
// when rows are inserted or deleted elsewhere. Several rows can be selected (Ctrl and Shift as on the
// platform). The header sends LVN_COLUMNCLICK, a double-click anywhere NM_DBLCLK, key presses LVN_KEYDOWN.
// Made for 100,000 rows: no widget item per cell.
#pragma once

#include <span>
#include <string_view>

#include "platform/ui/CWnd.h"

class CListCtrl : public CWnd {
 public:
  int GetItemCount() const;
  // Prepares the list for nItems rows in all, before adding many.
  void SetItemCount(int nItems);
  // Inserts a row at nItem (clamped to 0..count) with its column-0 text; the new row is neither selected nor
  // focused. Returns the row's index.
  // The row copies the text into its own storage (the list keeps its texts together, not one string each).
  int InsertItem(int nItem, const CString& text);
  // The same with the texts of the row's first columns (column 0 first) at once, as far as the columns go: what
  // a fill of many rows uses instead of InsertItem and a SetItemText per column.
  int InsertItem(int nItem, std::span<const std::u16string_view> texts);
  BOOL SetItemText(int nItem, int nSubItem, const CString& text);
  CString GetItemText(int nItem, int nSubItem) const;
  BOOL DeleteItem(int nItem);
  BOOL DeleteAllItems();
  UINT GetItemState(int nItem, UINT nMask) const;
  BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  int GetSelectedCount() const;
  // The first row after nItem (-1: from the top) that LVNI_SELECTED asks for, else the next row; -1 when none.
  int GetNextItem(int nItem, int nFlags) const;
  // Scrolls the list so that row nItem shows.
  BOOL EnsureVisible(int nItem, BOOL bPartialOK);

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

// Registers "SysListView32" and the list's accessibility; called once by the window layer's set-up
// (AfxInitWindowLayer) and by GUI tests.
void AfxRegisterListViewControl();
