// The list control as assistive technology (AT-SPI, screen readers) sees it: a table with the column headers,
// one row per item and a cell per column, selected and focused states, and change events as rows come and go.
// Cells are made only when asked for, so a list of 100,000 rows costs nothing until a reader looks at it, and
// nothing at all while no reader listens.
#pragma once

#include <functional>
#include <vector>

#include <QAccessible>

namespace listview {

class ListViewWidget;

// Registers the list's accessibility interface with Qt (once; safe to call again).
void InstallListViewAccessibility();

// The changes the list reports. Row changes are gathered and sent together when the list lays itself out
// (from the event loop), many of them as one reset; selection and focus go at once. Each call does nothing
// while no assistive technology is active.
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
  // Sends what was gathered, as table-model change events of the list.
  void Flush(ListViewWidget* list);

  static void SelectionChanged(ListViewWidget* list, int row, bool selected);
  static void FocusMoved(ListViewWidget* list, int row);

  // Test seam: where the events go instead of Qt's accessibility, which Qt's offscreen platform never makes
  // active. While one is set the changes are reported, whether or not assistive technology listens. Returns
  // the previous one.
  using EventSink = std::function<void(QAccessibleEvent& event)>;
  static EventSink SetEventSink(EventSink sink);

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
