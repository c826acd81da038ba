// The changes the list control reports to assistive technology (AT-SPI, screen readers). Row changes are
// gathered and sent together when the list lays itself out (from the event loop), many of them as one reset;
// selection and focus go at once. Each call does nothing while no assistive technology is active, so a fill
// of 100,000 rows costs a flag test per row.
#pragma once

#include <functional>
#include <vector>

#include <QAccessible>

class QWidget;

namespace listview {

class AccessibleChanges {
 public:
  void RowsInserted(int row) {
    if (s_listening) Add({QAccessibleTableModelChangeEvent::RowsInserted, row, -1});
  }
  void RowsRemoved(int row) {
    if (s_listening) Add({QAccessibleTableModelChangeEvent::RowsRemoved, row, -1});
  }
  void TextChanged(int row, int column) {
    if (s_listening) Add({QAccessibleTableModelChangeEvent::DataChanged, row, column});
  }
  void Reset();
  // Sends what was gathered, as table-model change events of `list` (a table of `columnCount` columns).
  void Flush(QWidget* list, int columnCount);

  static void SelectionChanged(QWidget* list, int columnCount, int row, bool selected);
  // Told only while the list has the focus.
  static void FocusMoved(QWidget* list, int columnCount, int row);

  // The accessible child of a cell (row -1: a column header) in the table: the headers come first, then the
  // cells row by row.
  static int ChildIndex(int row, int column, int columnCount) { return (row + 1) * columnCount + column; }

  // Assistive technology became active or inactive (Qt's activation observer tells).
  static void SetActive(bool active);

 private:
  struct Change {
    QAccessibleTableModelChangeEvent::ModelChangeType type;
    int row;
    int column;
  };
  void Add(const Change& change);
  static void UpdateListening();

  // Whether anyone listens: asked on every row the list changes, so a plain flag (a fill of 100,000 rows must
  // not ask the platform 400,000 times).
  static inline bool s_listening = false;
  std::vector<Change> m_pending;
  bool m_reset = false;
};

}  // namespace listview
