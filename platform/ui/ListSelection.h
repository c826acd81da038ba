// The list control's selection without a widget: which rows are selected, the focus row and the anchor that a
// Shift range starts from; what taps, keys and LVM_SETITEMSTATE do to them; and how rows coming and going move
// them. The widget holds one and reports its changes to assistive technology through the listener.
#pragma once

#include <functional>

#include <Qt>

#include "platform/core/WinTypes.h"
#include "platform/ui/GapBuffer.h"

namespace listview {

class ListSelection {
 public:
  // LVS_SINGLESEL: at most one row is selected, and Shift and Ctrl add nothing to a tap or a key.
  explicit ListSelection(bool singleSelection) : m_single(singleSelection) {}

  // Told of each row that changes its selection and each move of the focus to a row, as it happens. A focus
  // that goes with its row or is taken away (LVM_SETITEMSTATE) is not told.
  struct Listener {
    std::function<void(int row, bool selected)> selectionChanged;
    std::function<void(int row)> focusMoved;
  };
  void SetListener(Listener listener) { m_listener = std::move(listener); }

  // Rows. A new row comes unselected; the focus and anchor stay with their rows, and go with a deleted one.
  int RowCount() const { return static_cast<int>(m_rows.size()); }
  void Reserve(int count);
  void InsertRow(int index);  // 0..RowCount()
  void DeleteRow(int row);    // 0..RowCount()-1
  void DeleteAllRows();

  int SelectedCount() const { return m_selectedCount; }
  bool IsSelected(int row) const { return m_rows[static_cast<std::size_t>(row)].selected; }
  int NextSelectedRow(int after) const;  // the first selected row below `after` (-1: from the top), else -1
  int FocusRow() const { return m_focusRow; }    // -1 when no row has the focus
  int AnchorRow() const { return m_anchorRow; }  // -1 when there is none
  // LVIS_SELECTED and LVIS_FOCUSED within `mask`; 0 for a row that is not there.
  UINT State(int row, UINT mask) const;
  // LVIS_SELECTED and LVIS_FOCUSED within `mask`; row -1: every row. FALSE for a row that is not there.
  BOOL SetState(int row, UINT state, UINT mask);

  // A tap on a row: alone selects it; Ctrl toggles it; Shift selects from the anchor to it (Ctrl+Shift adds the
  // range to the selection). The row takes the focus, and the anchor unless Shift extends from one.
  void ClickRow(int row, Qt::KeyboardModifiers mods);
  // A tap below the rows clears the selection, unless Ctrl is held.
  void ClickEmpty(Qt::KeyboardModifiers mods);

  enum class Move { up, down, home, end, pageUp, pageDown };
  // Where a key moves the focus (`page`: the rows a page key moves), or -1 when there are no rows.
  int MoveTarget(Move move, int page) const;
  // The focus goes to `row`: alone it selects that row only; Shift selects from the anchor to it; Ctrl moves
  // the focus only.
  void MoveFocusTo(int row, Qt::KeyboardModifiers mods);
  // Space selects the focus row (Ctrl: toggles it) and makes it the anchor. FALSE when no row has the focus.
  bool PressSpace(Qt::KeyboardModifiers mods);

 private:
  struct RowState {
    bool selected = false;
  };
  static_assert(sizeof(RowState) == 1, "a row's flags are searched a byte at a time (GapBuffer::find)");

  void SetSelected(int row, bool selected);
  void SetFocusRow(int row);
  void ClearSelection();
  void SelectOnly(int row);
  void SelectRange(int from, int to, bool keepOthers);

  bool m_single;
  GapBuffer<RowState> m_rows;  // beside the widget's rows, changed at the same places
  int m_selectedCount = 0;
  int m_focusRow = -1;
  int m_anchorRow = -1;
  Listener m_listener;
};

}  // namespace listview
