// Rows, columns and geometry kept by hand on a QAbstractScrollArea; painting draws only the rows in sight, through
// the row image cache, and input turns mouse and key events into the list control's selection and notifications.
#include "platform/ui/ListViewWidget.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <utility>

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextDocument>
#include <QToolTip>

#include "platform/core/WinStyles.h"
#include "platform/ui/ListViewWidgetTestHooks.h"
#include "platform/ui/TextFit.h"
#include "platform/ui/VirtualKeys.h"

namespace listview {

namespace {

constexpr int kTextPadding = 6;  // left and right of every cell's text
constexpr int kRowExtra = 4;     // row height over the font's line height
constexpr int kHeaderExtra = 8;  // header height over the font's line height
constexpr int kBorder = 2;       // WS_BORDER

int ColumnAt(const QHeaderView* header, int x) { return header->logicalIndexAt(x); }

constexpr std::size_t kMaxKeyColumns = 16;  // rows with more columns are drawn afresh every time

bool& RowImagesEnabled() {
  static bool enabled = true;  // the user-interface thread only
  return enabled;
}

QString CellText(std::u16string_view text) {
  QString shown(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
  // One line per row: line breaks of a memo show as spaces.
  for (QChar& c : shown) {
    if (c == u'\n' || c == u'\r') c = u' ';
  }
  return shown;
}

// The tip of an elided cell shows its whole text as it is: line breaks as lines, markup as plain characters.
QString TipText(std::u16string_view text) {
  QString plain(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  plain.replace(u'\r', u'\n');
  return Qt::convertFromPlainText(plain, Qt::WhiteSpaceNormal);
}

// The column header. An item view repaints its whole face when its window gains or loses the activation; with
// the same colours for both, as the program has them, nothing would change, and every dialog covering the list
// would cost two such repaints of every heading.
class ColumnHeader : public QHeaderView {
 public:
  using QHeaderView::QHeaderView;

 protected:
  bool viewportEvent(QEvent* e) override {
    const bool activation = e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate;
    if (activation && palette().isEqual(QPalette::Active, QPalette::Inactive)) {
      return QAbstractScrollArea::viewportEvent(e);  // what the item view does, less its repaint
    }
    return QHeaderView::viewportEvent(e);
  }
};

}  // namespace

// The header's model: column titles only, no rows.
class HeaderModel : public QAbstractTableModel {
 public:
  explicit HeaderModel(QObject* parent) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex&) const override { return 0; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
  }
  QVariant data(const QModelIndex&, int) const override { return {}; }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_titles.size()) return {};
    if (role == Qt::DisplayRole) return m_titles[section];
    if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
  }

  void Insert(int index, const QString& title) {
    beginInsertColumns(QModelIndex(), index, index);
    m_titles.insert(index, title);
    endInsertColumns();
  }
  QString Title(int index) const { return m_titles.value(index); }

 private:
  QStringList m_titles;
};

ListViewWidget::ListViewWidget(DWORD style, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_style(style),
      m_selection((style & LVS_SINGLESEL) != 0),
      m_headerModel(new HeaderModel(this)) {
  m_selection.SetListener({
      [this](int row, bool selected) {
        AccessibleChanges::SelectionChanged(this, ColumnCount(), row, selected);
        ScheduleRowRepaint(row);
      },
      [this](int row) { AccessibleChanges::FocusMoved(this, ColumnCount(), row); },
  });
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(kBorder);
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(false);

  m_header = new ColumnHeader(Qt::Horizontal, this);
  m_header->setModel(m_headerModel);
  m_header->setSectionResizeMode(QHeaderView::Interactive);
  m_header->setStretchLastSection(false);
  m_header->setSectionsMovable(false);
  m_header->setHighlightSections(false);
  m_header->setSortIndicatorShown(false);
  m_header->setMinimumSectionSize(0);
  m_header->setSectionsClickable((style & LVS_NOSORTHEADER) == 0);
  m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_header->setFocusPolicy(Qt::NoFocus);
  QObject::connect(m_header, &QHeaderView::sectionClicked, this, [this](int column) {
    if ((m_style & LVS_NOSORTHEADER) == 0) Notify(LVN_COLUMNCLICK, -1, column, QPoint());
  });
  QObject::connect(m_header, &QHeaderView::sectionResized, this, [this](int, int, int) { ScheduleLayout(); });

  verticalScrollBar()->setSingleStep(1);
  UpdateGeometries();
}

ListViewWidget::~ListViewWidget() = default;

// --- rows ---

int ListViewWidget::InsertRow(int index, const CString& text) {
  const std::u16string_view first = text.view();
  return InsertRow(index, std::span(&first, 1));
}

int ListViewWidget::InsertRow(int index, std::span<const std::u16string_view> texts) {
  index = std::clamp(index, 0, RowCount());
  const auto columns = static_cast<std::size_t>(std::max(1, ColumnCount()));
  Row row{m_texts.Add(texts.first(std::min(texts.size(), columns)))};
  // The selection's entry before the row: taking it back cannot fail, should the row's insert throw.
  bool selectionEntered = false;
  try {
    m_selection.InsertRow(index);
    selectionEntered = true;
    m_rows.insert(static_cast<std::size_t>(index), row);
  } catch (...) {
    if (selectionEntered) m_selection.DeleteRow(index);
    m_texts.Drop(row.texts);
    throw;
  }
  m_accessible.RowsInserted(index);
  ScheduleLayout(index);
  return index;
}

BOOL ListViewWidget::SetText(int row, int column, const CString& text) {
  if (row < 0 || row >= RowCount() || column < 0) return FALSE;
  if (column > 0 && column >= ColumnCount()) return FALSE;
  m_texts.Set(m_rows[static_cast<std::size_t>(row)].texts, static_cast<std::size_t>(column), text.view());
  ReclaimTextSpace();
  m_accessible.TextChanged(row, column);
  ScheduleRowRepaint(row);
  return TRUE;
}

std::u16string_view ListViewWidget::TextView(int row, int column) const {
  if (row < 0 || row >= RowCount() || column < 0) return {};
  return TextStore::Get(m_rows[static_cast<std::size_t>(row)].texts, static_cast<std::size_t>(column));
}

CString ListViewWidget::Text(int row, int column) const { return CString(TextView(row, column)); }

void ListViewWidget::ReclaimTextSpace() {
  if (!m_texts.Wasteful()) return;
  m_texts.Compact([this](auto visit) { m_rows.for_each([&visit](Row& row) { visit(row.texts); }); });
}

BOOL ListViewWidget::DeleteRow(int row) {
  if (row < 0 || row >= RowCount()) return FALSE;
  m_texts.Drop(m_rows[static_cast<std::size_t>(row)].texts);
  m_rows.erase(static_cast<std::size_t>(row));
  m_selection.DeleteRow(row);
  ReclaimTextSpace();
  m_accessible.RowsRemoved(row);
  ScheduleLayout(row);
  return TRUE;
}

void ListViewWidget::DeleteAllRows() {
  m_rows.clear();
  m_texts.Clear();
  m_selection.DeleteAllRows();
  m_accessible.Reset();
  ScheduleLayout();
}

BOOL ListViewWidget::SetState(int row, UINT state, UINT mask) {
  if (!m_selection.SetState(row, state, mask)) return FALSE;
  // The rows whose selection changed have been told by the selection; a focus it moves here is not told.
  if (mask & LVIS_FOCUSED) ScheduleLayout();
  return TRUE;
}

// --- columns ---

int ListViewWidget::ColumnCount() const { return m_headerModel->columnCount(QModelIndex()); }

int ListViewWidget::InsertColumn(int index, const QString& heading, int width) {
  index = std::clamp(index, 0, ColumnCount());
  m_headerModel->Insert(index, heading);
  m_rows.for_each([this, index](Row& row) { m_texts.InsertEmpty(row.texts, static_cast<std::size_t>(index)); });
  ReclaimTextSpace();
  if (width < 0) width = fontMetrics().horizontalAdvance(heading) + 2 * kTextPadding;
  m_header->resizeSection(index, width);
  m_accessible.Reset();
  ScheduleLayout();
  return index;
}

int ListViewWidget::ColumnWidth(int column) const {
  if (column < 0 || column >= ColumnCount()) return 0;
  return m_header->sectionSize(column);
}

BOOL ListViewWidget::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= ColumnCount()) return FALSE;
  // The platform's automatic sizes (negative requests) are not offered: a negative width is no width.
  m_header->resizeSection(column, std::max(width, 0));
  ScheduleLayout();
  return TRUE;
}

QString ListViewWidget::ColumnHeading(int column) const { return m_headerModel->Title(column); }

DWORD ListViewWidget::SetExtendedStyle(DWORD style, DWORD mask) {
  const DWORD old = m_exStyle;
  m_exStyle = mask == 0 ? style : ((old & ~mask) | (style & mask));
  ScheduleLayout();
  return old;
}

// --- geometry ---

int ListViewWidget::RowHeight() const { return fontMetrics().height() + kRowExtra; }

int ListViewWidget::HeaderHeight() const { return fontMetrics().height() + kHeaderExtra; }

ListViewWidget::Geometry ListViewWidget::ComputeGeometry() const {
  // Worked out from the sizes, not from the viewport, so that it also holds for a widget not yet shown (whose
  // viewport is laid out only at its first show).
  const int frame = frameWidth();
  const int fullWidth = std::max(0, width() - 2 * frame);
  const int fullHeight = std::max(0, height() - 2 * frame - HeaderHeight());
  const int barWidth = verticalScrollBar()->sizeHint().width();
  const int barHeight = horizontalScrollBar()->sizeHint().height();
  const int rowHeight = RowHeight();
  Geometry g;
  for (int pass = 0; pass < 2; ++pass) {
    g.viewWidth = std::max(0, fullWidth - (g.vertical ? barWidth : 0));
    g.viewHeight = std::max(0, fullHeight - (g.horizontal ? barHeight : 0));
    g.vertical = RowCount() > g.viewHeight / rowHeight;
    g.horizontal = m_header->length() > g.viewWidth;
  }
  g.viewWidth = std::max(0, fullWidth - (g.vertical ? barWidth : 0));
  g.viewHeight = std::max(0, fullHeight - (g.horizontal ? barHeight : 0));
  return g;
}

int ListViewWidget::VisibleRowCount() const { return ComputeGeometry().viewHeight / RowHeight(); }

QRect ListViewWidget::ClientRect() {
  const Geometry g = ComputeGeometry();
  return QRect(0, 0, g.viewWidth, g.viewHeight + HeaderHeight());
}

int ListViewWidget::TopRow() const { return verticalScrollBar()->value(); }

QRect ListViewWidget::RowRect(int row) const {
  const int h = RowHeight();
  return QRect(0, (row - TopRow()) * h, std::max(viewport()->width(), m_header->length()), h);
}

int ListViewWidget::RowAt(QPoint pos) const {
  if (pos.y() < 0 || ColumnCount() == 0) return -1;
  const int row = TopRow() + pos.y() / RowHeight();
  if (row >= RowCount()) return -1;
  // Full-row select takes the whole width of the columns; otherwise only the item's own column selects.
  const int left = m_header->sectionViewportPosition(0);
  const int right = (m_exStyle & LVS_EX_FULLROWSELECT) ? left + m_header->length()
                                                       : left + m_header->sectionSize(0);
  if (pos.x() < left || pos.x() >= right) return -1;
  return row;
}

void ListViewWidget::EnsureVisible(int row) {
  FlushLayout();
  const int visible = std::max(1, VisibleRowCount());
  QScrollBar* bar = verticalScrollBar();
  if (row < bar->value()) {
    bar->setValue(row);
  } else if (row >= bar->value() + visible) {
    bar->setValue(row - visible + 1);
  }
}

void ListViewWidget::ScheduleLayout(int firstChangedRow) {
  m_repaintFrom = std::min(m_repaintFrom, std::max(firstChangedRow, 0));
  if (m_layoutPending) return;
  m_layoutPending = true;
  QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

void ListViewWidget::ScheduleRowRepaint(int row) {
  // Past a screenful of single rows the whole view repaints: the list stays short whatever changes at once.
  constexpr std::size_t kMostSingleRows = 64;
  if (m_repaintRows.size() >= kMostSingleRows) {
    ScheduleLayout();
    return;
  }
  if (row < m_repaintFrom) m_repaintRows.push_back(row);
  ScheduleLayout(kNoRow);
}

void ListViewWidget::RepaintChangedRows() {
  const int top = TopRow();
  const int bottom = top + VisibleRowCount();  // the row cut off at the bottom too
  QWidget* rows = viewport();
  if (m_repaintFrom <= top) {
    rows->update();
  } else {
    if (m_repaintFrom <= bottom) rows->update(0, RowRect(m_repaintFrom).top(), rows->width(), rows->height());
    for (const int row : m_repaintRows) {
      if (row >= top && row <= bottom && row < m_repaintFrom) rows->update(0, RowRect(row).top(), rows->width(), RowHeight());
    }
  }
  m_repaintFrom = kNoRow;
  m_repaintRows.clear();
}

void ListViewWidget::FlushLayout() {
  if (m_layoutPending) UpdateGeometries();
}

void ListViewWidget::UpdateGeometries() {
  m_layoutPending = false;
  const int headerHeight = HeaderHeight();
  setViewportMargins(0, headerHeight, 0, 0);
  const Geometry g = ComputeGeometry();
  m_header->setGeometry(frameWidth(), frameWidth(), g.viewWidth, headerHeight);

  const int visible = g.viewHeight / RowHeight();
  QScrollBar* vbar = verticalScrollBar();
  vbar->setPageStep(std::max(1, visible));
  vbar->setRange(0, std::max(0, RowCount() - visible));

  QScrollBar* hbar = horizontalScrollBar();
  hbar->setPageStep(std::max(1, g.viewWidth));
  hbar->setSingleStep(20);
  hbar->setRange(0, std::max(0, m_header->length() - g.viewWidth));
  m_header->setOffset(hbar->value());
  RepaintChangedRows();
  m_accessible.Flush(this, ColumnCount());
}

bool ListViewWidget::event(QEvent* e) {
  // The pending row and column changes ride on the layout request, which the scroll area also answers.
  if (e->type() == QEvent::LayoutRequest) FlushLayout();
  // The viewport leaves tips to its owner.
  if (e->type() == QEvent::ToolTip) return ShowCellTip(*static_cast<QHelpEvent*>(e));
  return QAbstractScrollArea::event(e);
}

void ListViewWidget::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateGeometries();
}

void ListViewWidget::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) ScheduleLayout();
  // Text drawn with other settings (hinting, antialiasing) comes with one of these: draw the rows afresh.
  if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange || e->type() == QEvent::PaletteChange) {
    m_rowImages.Clear();
  }
}

void ListViewWidget::scrollContentsBy(int dx, int dy) {
  if (dx != 0) m_header->setOffset(horizontalScrollBar()->value());
  viewport()->update();
}

// --- painting ---

void ListViewWidget::paintEvent(QPaintEvent* e) {
  FlushLayout();
  QPainter painter(viewport());
  const QRect area = viewport()->rect();
  painter.fillRect(e->rect(), palette().brush(QPalette::Base));
  const int h = RowHeight();
  const int top = TopRow();
  // The selection shows only while the list has the focus, unless the style says always.
  const bool showSelection = hasFocus() || (m_style & LVS_SHOWSELALWAYS) != 0;
  const bool grid = (m_exStyle & LVS_EX_GRIDLINES) != 0;
  // The grid lies over everything the rows draw. Copied rows bring their part of it; it is drawn afresh below
  // them, and over the focus rectangle.
  QRect gridArea = area;
  if (ColumnCount() > 0) {
    const int first = top + std::max(0, e->rect().top()) / h;
    const int last = std::min(RowCount() - 1, top + e->rect().bottom() / h);
    const bool copies = PrepareRowImages(painter);
    for (int row = first; row <= last; ++row) {
      const QRect rowRect = RowRect(row);
      if (!copies) {
        PaintRow(painter, row, rowRect, showSelection);
        PaintFocus(painter, row, rowRect);
        continue;
      }
      PaintRowImage(painter, row, rowRect, showSelection);
      if (PaintFocus(painter, row, rowRect) && grid) {
        PaintGrid(painter, QRect(area.left(), rowRect.top(), area.width(), h));
      }
    }
    if (copies) gridArea.setTop((last - top + 1) * h);
  }
  if (grid) PaintGrid(painter, gridArea & e->rect());
}

void ListViewWidget::PaintGrid(QPainter& painter, const QRect& clip) const {
  if (clip.isEmpty()) return;
  const QRect area = viewport()->rect();
  const bool clipped = clip != area;
  if (clipped) {
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
  }
  DrawGridLines(painter, area.width(), area.top(), area.top(), area.bottom());
  if (clipped) painter.restore();
}

void ListViewWidget::DrawGridLines(QPainter& painter, int width, int rowsTop, int top, int bottom) const {
  // A line under each row and one at the right edge of each column.
  const int h = RowHeight();
  painter.setPen(palette().color(QPalette::Mid));
  const int right = std::min(width - 1, m_header->sectionViewportPosition(0) + m_header->length() - 1);
  for (int y = rowsTop + h - 1; y <= bottom; y += h) painter.drawLine(0, y, right, y);
  for (int c = 0; c < ColumnCount(); ++c) {
    const int x = m_header->sectionViewportPosition(c) + m_header->sectionSize(c) - 1;
    if (x >= 0 && x < width) painter.drawLine(x, top, x, bottom);
  }
}

void ListViewWidget::PaintRow(QPainter& painter, int row, const QRect& rowRect, bool showSelection) {
  const Row& r = m_rows[static_cast<std::size_t>(row)];
  const bool fullRow = (m_exStyle & LVS_EX_FULLROWSELECT) != 0;
  const bool selected = m_selection.IsSelected(row) && showSelection;
  const int left = m_header->sectionViewportPosition(0);
  if (selected) {
    const int width = fullRow ? m_header->length() : m_header->sectionSize(0);
    painter.fillRect(QRect(left, rowRect.top(), width, rowRect.height()), palette().brush(QPalette::Highlight));
  }
  const int viewRight = viewport()->width();
  for (int c = 0; c < ColumnCount(); ++c) {
    const QRect textRect = CellTextRect(c, rowRect);
    if (textRect.right() < 0 || textRect.left() > viewRight || static_cast<std::size_t>(c) >= r.texts.columns) continue;
    if (textRect.width() <= 0) continue;
    const bool highlighted = selected && (fullRow || c == 0);
    painter.setPen(palette().color(highlighted ? QPalette::HighlightedText : QPalette::Text));
    const QString text = CellText(TextStore::Get(r.texts, static_cast<std::size_t>(c)));
    const FittedText fit = AfxFitText(font(), text, textRect.width());
    painter.setFont(fit.font);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, fit.text);
  }
}

bool ListViewWidget::PaintFocus(QPainter& painter, int row, const QRect& rowRect) {
  if (row != FocusRow() || !hasFocus()) return false;
  const bool fullRow = (m_exStyle & LVS_EX_FULLROWSELECT) != 0;
  const bool selected = m_selection.IsSelected(row);  // the list has the focus: shown
  QStyleOptionFocusRect option;
  option.initFrom(this);
  const int width = fullRow ? m_header->length() : m_header->sectionSize(0);
  option.rect = QRect(m_header->sectionViewportPosition(0), rowRect.top(), width, rowRect.height());
  option.backgroundColor = palette().color(selected ? QPalette::Highlight : QPalette::Base);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  return true;
}

bool ListViewWidget::PrepareRowImages(const QPainter& painter) {
  if (!RowImagesEnabled()) return false;
  // A copy is the same pixels only onto an image of the same format, at whole device pixels, over an opaque
  // background of one colour.
  const QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
  if (!device || device->devType() != QInternal::Image) return false;
  const qreal ratio = painter.device()->devicePixelRatio();
  const QTransform transform = painter.deviceTransform();
  const auto whole = [](qreal value) { return value == std::floor(value); };
  if (!whole(ratio) || transform.type() > QTransform::TxScale || transform.m11() != ratio ||
      transform.m22() != ratio || !whole(transform.dx()) || !whole(transform.dy())) {
    return false;
  }
  const QBrush& base = palette().brush(QPalette::Base);
  const QBrush& highlight = palette().brush(QPalette::Highlight);
  if (base.style() != Qt::SolidPattern || base.color().alpha() != 255 || highlight.style() != Qt::SolidPattern) {
    return false;
  }
  // The grid drawn again over a focus rectangle covers what it covered.
  const bool gridLines = (m_exStyle & LVS_EX_GRIDLINES) != 0;
  if (gridLines && palette().color(QPalette::Mid).alpha() != 255) return false;
  RowImageCache::Frame frame;
  frame.width = viewport()->width();
  frame.height = RowHeight();
  frame.devicePixelRatio = ratio;
  frame.format = static_cast<const QImage*>(device)->format();
  frame.font = font();
  frame.fullRowSelect = (m_exStyle & LVS_EX_FULLROWSELECT) != 0;
  frame.gridLines = gridLines;
  frame.gridColor = gridLines ? palette().color(QPalette::Mid).rgba() : 0;
  frame.columnsLength = m_header->length();
  for (int c = 0; c < ColumnCount(); ++c) {
    frame.columns.emplace_back(m_header->sectionViewportPosition(c), m_header->sectionSize(c));
  }
  m_rowImages.SetFrame(frame);
  // The rows in sight, and a few more for rows that come back (a row edited, the selection moving).
  m_rowImages.SetCapacity(static_cast<std::size_t>(viewport()->height() / frame.height + 9));
  return true;
}

void ListViewWidget::PaintRowImage(QPainter& painter, int row, const QRect& rowRect, bool showSelection) {
  const Row& r = m_rows[static_cast<std::size_t>(row)];
  // The texts the row draws: as many columns as it has, up to the list's.
  std::array<std::u16string_view, kMaxKeyColumns> shown;
  const std::size_t columns = std::min<std::size_t>(r.texts.columns, static_cast<std::size_t>(ColumnCount()));
  if (columns > shown.size()) {
    PaintRow(painter, row, rowRect, showSelection);
    const QRect band(0, rowRect.top(), viewport()->width(), rowRect.height());
    if (m_exStyle & LVS_EX_GRIDLINES) PaintGrid(painter, band);
    return;
  }
  for (std::size_t c = 0; c < columns; ++c) shown[c] = TextStore::Get(r.texts, c);
  const std::span<const std::u16string_view> texts(shown.data(), columns);
  RowImageCache::Colors colors;
  colors.selected = m_selection.IsSelected(row) && showSelection;
  colors.base = palette().color(QPalette::Base).rgba();
  colors.text = palette().color(QPalette::Text).rgba();
  if (colors.selected) {
    colors.highlight = palette().color(QPalette::Highlight).rgba();
    colors.highlightedText = palette().color(QPalette::HighlightedText).rgba();
  }
  const QImage* image = m_rowImages.Find(texts, colors);
  if (!image) {
    const RowImageCache::Frame& frame = m_rowImages.CurrentFrame();
    QImage drawn(QSize(frame.width, frame.height) * frame.devicePixelRatio, frame.format);
    drawn.setDevicePixelRatio(frame.devicePixelRatio);
    QPainter rowPainter(&drawn);
    rowPainter.setRenderHints(painter.renderHints());
    rowPainter.setLayoutDirection(painter.layoutDirection());
    rowPainter.fillRect(QRect(0, 0, frame.width, frame.height), palette().brush(QPalette::Base));
    PaintRow(rowPainter, row, QRect(0, 0, rowRect.width(), rowRect.height()), showSelection);
    // The row's part of the grid: the columns' lines run on past both edges, as they do through the rows.
    if (frame.gridLines) DrawGridLines(rowPainter, frame.width, 0, -1, frame.height);
    rowPainter.end();
    image = &m_rowImages.Store(texts, colors, std::move(drawn));
  }
  painter.drawImage(QPoint(0, rowRect.top()), *image);
}

QRect ListViewWidget::CellTextRect(int column, const QRect& rowRect) const {
  const QRect cell(m_header->sectionViewportPosition(column), rowRect.top(), m_header->sectionSize(column),
                   rowRect.height());
  return cell.adjusted(kTextPadding, 0, -kTextPadding, 0);
}

FittedText ListViewWidget::CellTextFit(int row, int column) const {
  return AfxFitText(font(), CellText(TextView(row, column)), CellTextRect(column, RowRect(row)).width());
}

bool ListViewWidget::ShowCellTip(QHelpEvent& e) {
  const QPoint pos = viewport()->mapFrom(this, e.pos());
  const int row = pos.y() < 0 || RowCount() == 0 ? -1 : TopRow() + pos.y() / RowHeight();
  const int column = m_header->logicalIndexAt(pos.x());
  if (row >= 0 && row < RowCount() && column >= 0 && CellTextFit(row, column).elided) {
    QToolTip::showText(e.globalPos(), TipText(TextView(row, column)), viewport(), CellTextRect(column, RowRect(row)));
    return true;
  }
  QToolTip::hideText();
  e.ignore();
  return true;
}

// --- input ---

void ListViewWidget::Notify(UINT code, int item, int subItem, QPoint pos) {
  NMLISTVIEW record;
  record.hdr.code = code;
  record.iItem = item;
  record.iSubItem = subItem;
  record.ptAction.x = pos.x();
  record.ptAction.y = pos.y();
  if (m_sink) m_sink(record.hdr);
}

void ListViewWidget::NotifyKey(WORD vk) {
  NMLVKEYDOWN record;
  record.hdr.code = LVN_KEYDOWN;
  record.wVKey = vk;
  if (m_sink) m_sink(record.hdr);
}

void ListViewWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(e);
    return;
  }
  PressLeft(e, NM_CLICK);
}

void ListViewWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    QAbstractScrollArea::mouseDoubleClickEvent(e);
    return;
  }
  PressLeft(e, NM_DBLCLK);
}

void ListViewWidget::PressLeft(QMouseEvent* e, UINT code) {
  setFocus(Qt::MouseFocusReason);
  const QPoint pos = e->position().toPoint();
  const int row = RowAt(pos);
  if (row >= 0) {
    m_selection.ClickRow(row, e->modifiers());
  } else {
    m_selection.ClickEmpty(e->modifiers());
  }
  ScheduleLayout();
  Notify(code, row, ColumnAt(m_header, pos.x()), pos);
}

void ListViewWidget::MoveFocus(ListSelection::Move move, Qt::KeyboardModifiers mods) {
  const int row = m_selection.MoveTarget(move, std::max(1, VisibleRowCount() - 1));
  if (row < 0) return;
  m_selection.MoveFocusTo(row, mods);
  EnsureVisible(row);
  ScheduleLayout();
}

void ListViewWidget::keyPressEvent(QKeyEvent* e) {
  QPointer<ListViewWidget> alive(this);
  if (const WORD vk = platform::VirtualKeyFromQtKey(e->key())) NotifyKey(vk);
  if (!alive) return;
  const Qt::KeyboardModifiers mods = e->modifiers();
  switch (e->key()) {
    case Qt::Key_Up: MoveFocus(ListSelection::Move::up, mods); break;
    case Qt::Key_Down: MoveFocus(ListSelection::Move::down, mods); break;
    case Qt::Key_Home: MoveFocus(ListSelection::Move::home, mods); break;
    case Qt::Key_End: MoveFocus(ListSelection::Move::end, mods); break;
    case Qt::Key_PageUp: MoveFocus(ListSelection::Move::pageUp, mods); break;
    case Qt::Key_PageDown: MoveFocus(ListSelection::Move::pageDown, mods); break;
    case Qt::Key_Space:
      if (m_selection.PressSpace(mods)) ScheduleLayout();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      break;  // the owner has had LVN_KEYDOWN; the list itself does nothing more
    default:
      e->ignore();
      return;
  }
  e->accept();
}

void ListViewWidget::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  AccessibleChanges::FocusMoved(this, ColumnCount(), FocusRow());
  viewport()->update();
}

void ListViewWidget::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  viewport()->update();
}

}  // namespace listview

bool testhooks::SetRowImagesEnabled(bool enabled) {
  return std::exchange(listview::RowImagesEnabled(), enabled);
}
