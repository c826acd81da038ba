// The list control's selection, focus and anchor rules.
#include "platform/ui/ListSelection.h"

#include <algorithm>

#include "platform/core/WinStyles.h"

namespace listview {

namespace {

// A row at or below an inserted one moves down with it.
void ShiftForInsert(int& row, int index) {
  if (row >= index) ++row;
}

// A deleted row is no row any more; those below it move up.
void ShiftForDelete(int& row, int deleted) {
  if (row == deleted) {
    row = -1;
  } else if (row > deleted) {
    --row;
  }
}

}  // namespace

void ListSelection::Reserve(int count) { m_rows.reserve(static_cast<std::size_t>(std::max(count, 0))); }

void ListSelection::InsertRow(int index) {
  m_rows.insert(static_cast<std::size_t>(index), RowState{});
  ShiftForInsert(m_focusRow, index);
  ShiftForInsert(m_anchorRow, index);
}

void ListSelection::DeleteRow(int row) {
  if (IsSelected(row)) --m_selectedCount;
  m_rows.erase(static_cast<std::size_t>(row));
  ShiftForDelete(m_focusRow, row);
  ShiftForDelete(m_anchorRow, row);
}

void ListSelection::DeleteAllRows() {
  m_rows.clear();
  m_selectedCount = 0;
  m_focusRow = -1;
  m_anchorRow = -1;
}

int ListSelection::NextSelectedRow(int after) const {
  if (m_selectedCount == 0 || after + 1 >= RowCount()) return -1;
  const auto from = static_cast<std::size_t>(std::max(after + 1, 0));
  const std::size_t row = m_rows.find(from, RowState{true});
  return row < m_rows.size() ? static_cast<int>(row) : -1;
}

UINT ListSelection::State(int row, UINT mask) const {
  if (row < 0 || row >= RowCount()) return 0;
  UINT state = IsSelected(row) ? LVIS_SELECTED : 0;
  if (row == m_focusRow) state |= LVIS_FOCUSED;
  return state & mask;
}

BOOL ListSelection::SetState(int row, UINT state, UINT mask) {
  if (row == -1) {
    for (int i = 0; i < RowCount(); ++i) SetState(i, state, mask);
    return TRUE;
  }
  if (row < 0 || row >= RowCount()) return FALSE;
  if (mask & LVIS_SELECTED) {
    const bool select = (state & LVIS_SELECTED) != 0;
    if (select && m_single) ClearSelection();
    SetSelected(row, select);
  }
  if (mask & LVIS_FOCUSED) {
    if (state & LVIS_FOCUSED) {
      SetFocusRow(row);
    } else if (m_focusRow == row) {
      m_focusRow = -1;
    }
  }
  return TRUE;
}

void ListSelection::ClickRow(int row, Qt::KeyboardModifiers mods) {
  if (m_single) {
    SelectOnly(row);
    m_anchorRow = row;
  } else if (mods & Qt::ShiftModifier) {
    SelectRange(m_anchorRow >= 0 ? m_anchorRow : row, row, (mods & Qt::ControlModifier) != 0);
    if (m_anchorRow < 0) m_anchorRow = row;
  } else if (mods & Qt::ControlModifier) {
    SetSelected(row, !IsSelected(row));
    m_anchorRow = row;
  } else {
    SelectOnly(row);
    m_anchorRow = row;
  }
  SetFocusRow(row);
}

void ListSelection::ClickEmpty(Qt::KeyboardModifiers mods) {
  if (mods & Qt::ControlModifier) return;
  ClearSelection();
}

int ListSelection::MoveTarget(Move move, int page) const {
  const int count = RowCount();
  if (count == 0) return -1;
  const int current = std::max(m_focusRow, 0);
  switch (move) {
    case Move::up: return m_focusRow < 0 ? 0 : std::max(0, current - 1);
    case Move::down: return m_focusRow < 0 ? 0 : std::min(count - 1, current + 1);
    case Move::home: return 0;
    case Move::end: return count - 1;
    case Move::pageUp: return std::max(0, current - page);
    case Move::pageDown: return std::min(count - 1, current + page);
  }
  return -1;
}

void ListSelection::MoveFocusTo(int row, Qt::KeyboardModifiers mods) {
  if ((mods & Qt::ControlModifier) && !m_single) {
    // Ctrl moves the focus only.
  } else if ((mods & Qt::ShiftModifier) && !m_single) {
    if (m_anchorRow < 0) m_anchorRow = m_focusRow >= 0 ? m_focusRow : row;
    SelectRange(m_anchorRow, row, false);
  } else {
    SelectOnly(row);
    m_anchorRow = row;
  }
  SetFocusRow(row);
}

bool ListSelection::PressSpace(Qt::KeyboardModifiers mods) {
  const int row = m_focusRow;
  if (row < 0 || row >= RowCount()) return false;
  if (mods & Qt::ControlModifier) {
    SetSelected(row, !IsSelected(row));
  } else {
    if (m_single) ClearSelection();
    SetSelected(row, true);
  }
  m_anchorRow = row;
  return true;
}

void ListSelection::SetSelected(int row, bool selected) {
  RowState& state = m_rows[static_cast<std::size_t>(row)];
  if (state.selected == selected) return;
  state.selected = selected;
  m_selectedCount += selected ? 1 : -1;
  if (m_listener.selectionChanged) m_listener.selectionChanged(row, selected);
}

void ListSelection::SetFocusRow(int row) {
  if (m_focusRow == row) return;
  m_focusRow = row;
  if (m_listener.focusMoved) m_listener.focusMoved(row);
}

void ListSelection::ClearSelection() {
  for (int row = 0; m_selectedCount > 0 && row < RowCount(); ++row) {
    if (IsSelected(row)) SetSelected(row, false);
  }
}

void ListSelection::SelectOnly(int row) {
  ClearSelection();
  SetSelected(row, true);
}

void ListSelection::SelectRange(int from, int to, bool keepOthers) {
  if (!keepOthers) ClearSelection();
  for (int i = std::min(from, to); i <= std::max(from, to); ++i) SetSelected(i, true);
}

}  // namespace listview
