// The report-view list widget behind CListCtrl ("SysListView32"). Rows live in a gap buffer of small plain
// records {where its texts lie} (GapBuffer.h), their texts together in a TextStore, their selection and focus
// beside them (ListSelection.h); only the rows in sight are painted, and the header is a QHeaderView over a
// model that holds the column titles only. So 100,000 rows cost one record each and no allocation of their own,
// and inserting or deleting a row moves the records between it and the last change, nothing more.
#pragma once

#include <algorithm>
#include <functional>
#include <limits>
#include <span>
#include <string_view>
#include <vector>

#include <QAbstractScrollArea>
#include <QString>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/ui/AccessibleChanges.h"
#include "platform/ui/GapBuffer.h"
#include "platform/ui/ListSelection.h"
#include "platform/ui/RowImageCache.h"
#include "platform/ui/TextFit.h"
#include "platform/ui/TextStore.h"

class QHeaderView;
class QHelpEvent;

namespace listview {

class HeaderModel;

class ListViewWidget : public QAbstractScrollArea {
 public:
  // `style` carries the template's list-view style bits (LVS_SINGLESEL, LVS_SHOWSELALWAYS, LVS_NOSORTHEADER).
  explicit ListViewWidget(DWORD style, QWidget* parent = nullptr);
  ~ListViewWidget() override;

  // Where the widget's notifications go (NM_DBLCLK, LVN_KEYDOWN, LVN_COLUMNCLICK, NM_CLICK). The record's code
  // is set; the sink fills in the sender. The sink may run a nested loop (a modal dialog).
  using NotifySink = std::function<void(NMHDR& header)>;
  void SetNotifySink(NotifySink sink) { m_sink = std::move(sink); }

  // Rows. Indexes outside the rows make the calls fail (FALSE, empty text, state 0).
  int RowCount() const { return static_cast<int>(m_rows.size()); }
  // Makes room for `count` rows in all (LVM_SETITEMCOUNT): a fill of that many then moves no row twice.
  void ReserveRows(int count) {
    m_rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    m_selection.Reserve(count);
  }
  int InsertRow(int index, const CString& text);  // clamped to 0..count; returns the index
  // A row with the texts of its first columns at once (as far as the columns go, column 0 at least).
  int InsertRow(int index, std::span<const std::u16string_view> texts);
  BOOL SetText(int row, int column, const CString& text);
  CString Text(int row, int column) const;
  // The same text as it lies in the row, valid until the rows change.
  std::u16string_view TextView(int row, int column) const;
  BOOL DeleteRow(int row);
  void DeleteAllRows();
  // The selection, focus and anchor (ListSelection.h).
  UINT State(int row, UINT mask) const { return m_selection.State(row, mask); }
  // row -1: every row, as the platform does.
  BOOL SetState(int row, UINT state, UINT mask);
  int SelectedCount() const { return m_selection.SelectedCount(); }
  int NextSelectedRow(int after) const { return m_selection.NextSelectedRow(after); }
  int FocusRow() const { return m_selection.FocusRow(); }

  // Columns.
  int InsertColumn(int index, const QString& heading, int width);
  int ColumnCount() const;
  int ColumnWidth(int column) const;  // 0 when there is no such column
  BOOL SetColumnWidth(int column, int width);
  QString ColumnHeading(int column) const;

  // LVM_SETEXTENDEDLISTVIEWSTYLE: a mask of 0 replaces every bit. Returns the previous style.
  DWORD SetExtendedStyle(DWORD style, DWORD mask);
  DWORD ExtendedStyle() const { return m_exStyle; }
  DWORD Style() const { return m_style; }

  // The control's client area as the platform counts it: inside the border, the header included, the scroll
  // bars excluded. Brings the scroll bars up to date first.
  QRect ClientRect();

  // Geometry, for painting, hit tests and tests. Rows are laid out in viewport coordinates.
  int RowHeight() const;
  int TopRow() const;
  int RowAt(QPoint viewportPos) const;  // -1 below the rows or outside the columns that select
  QRect RowRect(int row) const;         // viewport coordinates
  // How a cell's text is drawn in its column (whole, condensed or elided); a cell that is elided has a tip.
  FittedText CellTextFit(int row, int column) const;
  QHeaderView* Header() const { return m_header; }
  void EnsureVisible(int row);
  // Applies pending scroll-range and repaint work at once (normally done from the event loop).
  void FlushLayout();

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  struct Row {
    TextStore::Record texts;  // column 0 is the item's own text; sub-items follow as far as set
  };

  void Notify(UINT code, int item, int subItem, QPoint pos);
  void NotifyKey(WORD vk);
  // A left press or the second press of a double-click: selects as a tap does, then tells the owner `code`
  // (NM_CLICK, NM_DBLCLK), on a row or on empty space alike.
  void PressLeft(QMouseEvent* e, UINT code);
  // A key that moves the focus: the selection follows as ListSelection says, and the row comes into sight.
  void MoveFocus(ListSelection::Move move, Qt::KeyboardModifiers mods);
  // Lays the list out and repaints it at the next turn of the event loop: every row in sight, or only from
  // `firstChangedRow` down (rows that came or went there moved all below them), or, for a row whose look
  // alone changed, that row.
  static constexpr int kNoRow = std::numeric_limits<int>::max();
  void ScheduleLayout(int firstChangedRow = 0);
  void ScheduleRowRepaint(int row);
  void RepaintChangedRows();
  // Gives back the space that replaced and deleted texts left behind, once it outweighs the texts in use.
  void ReclaimTextSpace();
  void UpdateGeometries();
  // A row's background, selection and texts; the focus rectangle comes over them.
  void PaintRow(QPainter& painter, int row, const QRect& rowRect, bool showSelection);
  // False when the row has no focus rectangle.
  bool PaintFocus(QPainter& painter, int row, const QRect& rowRect);
  // The grid lines within `clip`.
  void PaintGrid(QPainter& painter, const QRect& clip) const;
  // The grid of a viewport `width` pixels wide whose rows start at `rowsTop`, from `top` down to `bottom`.
  void DrawGridLines(QPainter& painter, int width, int rowsTop, int top, int bottom) const;
  // Whether rows can be copied onto the painter's device; sets up the cache for this paint.
  bool PrepareRowImages(const QPainter& painter);
  // Copies the row's picture, drawing it first when the cache has none.
  void PaintRowImage(QPainter& painter, int row, const QRect& rowRect, bool showSelection);
  QRect CellTextRect(int column, const QRect& rowRect) const;  // the column less its text padding
  // A cell whose text is drawn elided shows it whole in a tip, as the platform's label tips do.
  bool ShowCellTip(QHelpEvent& e);
  struct Geometry {
    int viewWidth = 0;   // the rows' area, scroll bars excluded
    int viewHeight = 0;
    bool vertical = false;  // scroll bars needed
    bool horizontal = false;
  };
  Geometry ComputeGeometry() const;
  int VisibleRowCount() const;  // whole rows that fit the viewport
  int HeaderHeight() const;

  DWORD m_style;
  DWORD m_exStyle = 0;
  GapBuffer<Row> m_rows;
  TextStore m_texts;
  ListSelection m_selection;  // one entry per row, inserted and deleted with m_rows
  bool m_layoutPending = false;
  int m_repaintFrom = 0;          // rows from here down repaint at the next layout
  std::vector<int> m_repaintRows;  // and these single rows
  QHeaderView* m_header = nullptr;
  HeaderModel* m_headerModel;  // owned by this widget as its Qt child
  NotifySink m_sink;
  AccessibleChanges m_accessible;
  RowImageCache m_rowImages;
};

}  // namespace listview
