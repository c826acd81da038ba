// A QAccessible factory gives the list a table interface whose cells stand for positions and are made on
// demand; an activation observer tells AccessibleChanges whether anybody listens.
#include "platform/ui/ListViewAccessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPointer>

#include "platform/core/WinStyles.h"
#include "platform/ui/AccessibleChanges.h"
#include "platform/ui/ListViewWidget.h"

namespace listview {

namespace {

class ActivationWatch : public QAccessible::ActivationObserver {
 public:
  void accessibilityActiveChanged(bool active) override { AccessibleChanges::SetActive(active); }
};

bool IsSelected(const ListViewWidget& list, int row) { return list.State(row, LVIS_SELECTED) == LVIS_SELECTED; }

// Children of the table, in order: the column headers, then the cells row by row.
int ChildIndex(const ListViewWidget& list, int row, int column) {
  return AccessibleChanges::ChildIndex(row, column, list.ColumnCount());
}

// One column header, or one cell (row >= 0). It stands for a position, not for an item: it always shows what
// the list holds there now, and is valid while the position exists.
class ListCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  ListCell(ListViewWidget* list, int row, int column) : m_list(list), m_row(row), m_column(column) {}

  bool IsHeader() const { return m_row < 0; }

  bool isValid() const override {
    return m_list && m_column < m_list->ColumnCount() && m_row < m_list->RowCount();
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_list.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessible::Role role() const override { return IsHeader() ? QAccessible::ColumnHeader : QAccessible::Cell; }

  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    return IsHeader() ? m_list->ColumnHeading(m_column) : m_list->Text(m_row, m_column).ToQString();
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return {};
    const QHeaderView* header = m_list->Header();
    const int x = header->sectionViewportPosition(m_column);
    const int width = header->sectionSize(m_column);
    if (IsHeader()) return QRect(header->viewport()->mapToGlobal(QPoint(x, 0)), QSize(width, header->height()));
    const QRect row = m_list->RowRect(m_row);
    return QRect(m_list->viewport()->mapToGlobal(QPoint(x, row.top())), QSize(width, row.height()));
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    if (IsHeader()) return state;
    state.selectable = true;
    state.focusable = true;
    state.selected = IsSelected(*m_list, m_row);
    state.focused = m_column == 0 && m_list->hasFocus() && m_list->FocusRow() == m_row;
    const QRect shown = m_list->RowRect(m_row);
    if (shown.bottom() < 0 || shown.top() >= m_list->viewport()->height()) state.offscreen = true;
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface && !IsHeader()) return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
  }

  bool isSelected() const override { return isValid() && !IsHeader() && IsSelected(*m_list, m_row); }
  QList<QAccessibleInterface*> columnHeaderCells() const override;
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return m_column; }
  int rowIndex() const override { return m_row; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

 private:
  QPointer<ListViewWidget> m_list;
  int m_row;
  int m_column;
};

class ListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit ListAccessible(ListViewWidget* list) : QAccessibleWidget(list, QAccessible::Table) {}
  ~ListAccessible() override { DropCells(); }

  ListViewWidget& List() const { return *static_cast<ListViewWidget*>(widget()); }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiSelectable = (List().Style() & LVS_SINGLESEL) == 0;
    return state;
  }

  int childCount() const override { return (rowCount() + 1) * columnCount(); }

  QAccessibleInterface* child(int index) const override {
    const int columns = columnCount();
    if (index < 0 || index >= childCount() || columns == 0) return nullptr;
    if (const auto found = m_cells.constFind(index); found != m_cells.cend()) {
      return QAccessible::accessibleInterface(*found);
    }
    auto* cell = new ListCell(&List(), index / columns - 1, index % columns);
    m_cells.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }

  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child || child->parent() != this) return -1;
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
    for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it) {
      if (it.value() == id) return it.key();
    }
    return -1;
  }

  QAccessibleInterface* childAt(int x, int y) const override {
    ListViewWidget& list = List();
    const QHeaderView* header = list.Header();
    const QPoint inHeader = header->viewport()->mapFromGlobal(QPoint(x, y));
    const int column = header->logicalIndexAt(inHeader.x());
    if (column < 0) return nullptr;
    if (header->viewport()->rect().contains(inHeader)) return child(column);
    const QPoint inRows = list.viewport()->mapFromGlobal(QPoint(x, y));
    if (!list.viewport()->rect().contains(inRows) || inRows.y() < 0) return nullptr;
    const int row = list.TopRow() + inRows.y() / list.RowHeight();
    return row < list.RowCount() ? cellAt(row, column) : nullptr;
  }

  QAccessibleInterface* focusChild() const override {
    const ListViewWidget& list = List();
    return list.hasFocus() && list.FocusRow() >= 0 ? cellAt(list.FocusRow(), 0) : nullptr;
  }

  // --- table ---
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
    return child(ChildIndex(List(), row, column));
  }
  int columnCount() const override { return List().ColumnCount(); }
  int rowCount() const override { return List().RowCount(); }
  QString columnDescription(int column) const override { return List().ColumnHeading(column); }
  QString rowDescription(int) const override { return {}; }

  int selectedRowCount() const override { return List().SelectedCount(); }
  int selectedCellCount() const override { return selectedRowCount() * columnCount(); }
  int selectedColumnCount() const override { return 0; }
  QList<int> selectedRows() const override {
    QList<int> rows;
    const ListViewWidget& list = List();
    for (int row = 0; row < list.RowCount() && rows.size() < list.SelectedCount(); ++row) {
      if (IsSelected(list, row)) rows.append(row);
    }
    return rows;
  }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    for (const int row : selectedRows()) {
      for (int column = 0; column < columnCount(); ++column) cells.append(cellAt(row, column));
    }
    return cells;
  }
  QList<int> selectedColumns() const override { return {}; }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override { return IsSelected(List(), row); }
  bool selectRow(int row) override { return List().SetState(row, LVIS_SELECTED, LVIS_SELECTED) != FALSE; }
  bool unselectRow(int row) override { return List().SetState(row, 0, LVIS_SELECTED) != FALSE; }
  bool selectColumn(int) override { return false; }
  bool unselectColumn(int) override { return false; }

  // Rows came, went or were refilled: the cells made so far stand for positions that may now hold other
  // items, or none; they go, and are made again when asked for.
  void modelChange(QAccessibleTableModelChangeEvent*) override { DropCells(); }

 private:
  void DropCells() {
    for (const QAccessible::Id id : std::as_const(m_cells)) QAccessible::deleteAccessibleInterface(id);
    m_cells.clear();
  }

  mutable QHash<int, QAccessible::Id> m_cells;  // child index -> the cell made for it
};

QList<QAccessibleInterface*> ListCell::columnHeaderCells() const {
  QAccessibleInterface* list = parent();
  QAccessibleInterface* header = list ? list->child(m_column) : nullptr;
  return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

QAccessibleInterface* ListFactory(const QString&, QObject* object) {
  if (auto* list = dynamic_cast<ListViewWidget*>(object)) return new ListAccessible(list);
  return nullptr;
}

}  // namespace

void InstallListViewAccessibility() {
  QAccessible::installFactory(&ListFactory);
  static ActivationWatch watch;
  QAccessible::installActivationObserver(&watch);
  AccessibleChanges::SetActive(QAccessible::isActive());
}

}  // namespace listview
