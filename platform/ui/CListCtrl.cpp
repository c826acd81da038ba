// CListCtrl over the list widget, and the "SysListView32" class of dialog templates.
#include "platform/ui/CListCtrl.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

#include <QWidget>

#include "platform/ui/ControlFactory.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/ListViewAccessible.h"
#include "platform/ui/ListViewWidget.h"

using listview::ListViewWidget;

namespace {

// The widget behind a list control handle; null while none is attached or it is not a list. Compared by exact
// type rather than cast, since commands ask a row's state once per row (GetSelectedRow on 100,000 rows).
ListViewWidget* ListOf(const CWnd& wnd) {
  QWidget* widget = wnd.GetSafeHwnd();
  return widget && typeid(*widget) == typeid(ListViewWidget) ? static_cast<ListViewWidget*>(widget) : nullptr;
}

QWidget* CreateListView(const ControlCreateInfo& info, QWidget* parent, CWnd* /*owner*/) {
  auto* list = new ListViewWidget(info.style, parent);  // owned by its Qt parent
  AfxSetControlId(list, info.id);
  list->setFont(AfxGetDialogFont());
  list->SetNotifySink([list](NMHDR& header) { AfxSendNotifyToOwner(list, header); });
  return list;
}

}  // namespace

void AfxRegisterListViewControl() {
  AfxRegisterControlClass(u"SysListView32", &CreateListView, &AfxNewControlHandle<CListCtrl>);
  listview::InstallListViewAccessibility();
}

int CListCtrl::GetItemCount() const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->RowCount() : 0;
}

void CListCtrl::SetItemCount(int nItems) {
  if (ListViewWidget* list = ListOf(*this)) list->ReserveRows(nItems);
}

int CListCtrl::InsertItem(int nItem, const CString& text) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->InsertRow(nItem, text) : -1;
}

int CListCtrl::InsertItem(int nItem, std::span<const std::u16string_view> texts) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->InsertRow(nItem, texts) : -1;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const CString& text) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->SetText(nItem, nSubItem, text) : FALSE;
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->Text(nItem, nSubItem) : CString();
}

BOOL CListCtrl::DeleteItem(int nItem) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->DeleteRow(nItem) : FALSE;
}

BOOL CListCtrl::DeleteAllItems() {
  ListViewWidget* list = ListOf(*this);
  if (!list) return FALSE;
  list->DeleteAllRows();
  return TRUE;
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->State(nItem, nMask) : 0;
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->SetState(nItem, nState, nMask) : FALSE;
}

int CListCtrl::GetSelectedCount() const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->SelectedCount() : 0;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
  const ListViewWidget* list = ListOf(*this);
  if (!list) return -1;
  if (nFlags & LVNI_SELECTED) return list->NextSelectedRow(nItem);
  const int next = std::max(nItem + 1, 0);
  return next < list->RowCount() ? next : -1;
}

BOOL CListCtrl::EnsureVisible(int nItem, BOOL /*bPartialOK: whole rows only*/) {
  ListViewWidget* list = ListOf(*this);
  if (!list || nItem < 0 || nItem >= list->RowCount()) return FALSE;
  list->EnsureVisible(nItem);
  return TRUE;
}

int CListCtrl::InsertColumn(int nCol, const CString& heading, int /*nFormat: left only*/, int nWidth) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->InsertColumn(nCol, heading.ToQString(), nWidth) : -1;
}

int CListCtrl::GetColumnCount() const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->ColumnCount() : 0;
}

int CListCtrl::GetColumnWidth(int nCol) const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->ColumnWidth(nCol) : 0;
}

BOOL CListCtrl::SetColumnWidth(int nCol, int cx) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->SetColumnWidth(nCol, cx) : FALSE;
}

CString CListCtrl::GetColumnHeading(int nCol) const {
  const ListViewWidget* list = ListOf(*this);
  return list ? CString::FromQString(list->ColumnHeading(nCol)) : CString();
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle, DWORD dwMask) {
  ListViewWidget* list = ListOf(*this);
  return list ? list->SetExtendedStyle(dwNewStyle, dwMask) : 0;
}

DWORD CListCtrl::GetExtendedStyle() const {
  const ListViewWidget* list = ListOf(*this);
  return list ? list->ExtendedStyle() : 0;
}

void CListCtrl::GetClientRect(RECT* rect) const {
  ListViewWidget* list = ListOf(*this);
  if (!list) {
    CWnd::GetClientRect(rect);
    return;
  }
  const QRect client = list->ClientRect();
  rect->left = 0;
  rect->top = 0;
  rect->right = client.width();
  rect->bottom = client.height();
}
