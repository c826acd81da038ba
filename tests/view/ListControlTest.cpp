// The list widget driven as a user drives it: taps, Ctrl and Shift taps, double-taps, keys, header taps.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include "platform/core/WinStyles.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ListViewWidget.h"
#include "platform/ui/ListViewWidgetTestHooks.h"
#include "platform/ui/VirtualKeys.h"

using listview::ListViewWidget;

namespace {

constexpr DWORD kTemplateStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_ALIGNLEFT;

struct Notification {
  UINT code;
  int item;
  int subItem;
  WORD key;
};

class ListControlTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(kTemplateStyle); }

  void Build(DWORD style) {
    window = std::make_unique<QWidget>();
    window->resize(480, 400);
    list = new ListViewWidget(style, window.get());
    list->setGeometry(5, 5, 470, 385);
    other = new QLineEdit(window.get());
    other->setGeometry(0, 392, 50, 8);
    list->SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT, 0);
    const int widths[] = {170, 120, 55, 121};
    for (int c = 0; c < 4; ++c) list->InsertColumn(c, QString("c%1").arg(c), widths[c]);
    list->SetNotifySink([this](NMHDR& header) {
      Notification n{header.code, -2, -2, 0};
      if (header.code == LVN_KEYDOWN) {
        n.key = reinterpret_cast<NMLVKEYDOWN&>(header).wVKey;
      } else {
        const auto& record = reinterpret_cast<NMLISTVIEW&>(header);
        n.item = record.iItem;
        n.subItem = record.iSubItem;
      }
      notes.push_back(n);
    });
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    list->setFocus();
  }

  void AddRows(int count) {
    for (int i = 0; i < count; ++i) list->InsertRow(list->RowCount(), CString::FromUtf8(std::to_string(i)));
    list->FlushLayout();
  }

  std::vector<int> Selected() const {
    std::vector<int> rows;
    for (int i = 0; i < list->RowCount(); ++i) {
      if (list->State(i, LVIS_SELECTED) == LVIS_SELECTED) rows.push_back(i);
    }
    return rows;
  }

  QPoint RowPoint(int row) {
    list->FlushLayout();
    return list->RowRect(row).topLeft() + QPoint(100, list->RowHeight() / 2);
  }
  QPoint BelowRows() { return QPoint(100, list->viewport()->height() - 3); }
  void Tap(QPoint pos, Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, pos);
  }
  std::vector<Notification> NotesOf(UINT code) const {
    std::vector<Notification> found;
    for (const auto& n : notes) {
      if (n.code == code) found.push_back(n);
    }
    return found;
  }

  std::unique_ptr<QWidget> window;
  ListViewWidget* list = nullptr;
  QLineEdit* other = nullptr;
  std::vector<Notification> notes;
};

TEST_F(ListControlTest, SelectedRowsMoveWithTheirIndexWhenRowsComeAndGo) {
  AddRows(5);
  list->SetState(1, LVIS_SELECTED, LVIS_SELECTED);
  list->SetState(3, LVIS_SELECTED, LVIS_SELECTED);

  EXPECT_EQ(list->InsertRow(0, u"new"), 0);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 4}));
  EXPECT_EQ(list->State(0, LVIS_SELECTED | LVIS_FOCUSED), 0u);

  list->DeleteRow(2);
  EXPECT_EQ(Selected(), (std::vector<int>{3}));
  EXPECT_EQ(list->Text(3, 0), CString(u"3"));
  EXPECT_EQ(list->SelectedCount(), 1);

  // Insert far beyond the end lands at the end; a deleted row's successor is not selected by it.
  EXPECT_EQ(list->InsertRow(99, u"end"), 5);
  EXPECT_EQ(list->Text(5, 0), CString(u"end"));
  EXPECT_FALSE(list->DeleteRow(6));
  list->DeleteAllRows();
  EXPECT_EQ(list->RowCount(), 0);
  EXPECT_EQ(list->SelectedCount(), 0);
}

TEST_F(ListControlTest, CtrlAndShiftTapsSelectSeveralRows) {
  AddRows(8);
  Tap(RowPoint(1));
  EXPECT_EQ(Selected(), (std::vector<int>{1}));
  Tap(RowPoint(3), Qt::ControlModifier);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));
  Tap(RowPoint(1), Qt::ControlModifier);  // toggles off
  EXPECT_EQ(Selected(), (std::vector<int>{3}));
  Tap(RowPoint(1), Qt::ControlModifier);
  Tap(RowPoint(5), Qt::ShiftModifier);  // range from the last Ctrl tap, others dropped
  EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 3, 4, 5}));
  Tap(RowPoint(6));
  EXPECT_EQ(Selected(), (std::vector<int>{6}));
  EXPECT_EQ(list->State(6, LVIS_FOCUSED), LVIS_FOCUSED);
}

TEST_F(ListControlTest, SingleSelectionStyleKeepsOneRow) {
  Build(kTemplateStyle | LVS_SINGLESEL);
  AddRows(4);
  Tap(RowPoint(0));
  Tap(RowPoint(2), Qt::ControlModifier);
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  list->SetState(3, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Selected(), (std::vector<int>{3}));
}

TEST_F(ListControlTest, TapOnEmptySpaceBelowTheRowsClearsTheSelection) {
  AddRows(3);
  Tap(RowPoint(0));
  Tap(RowPoint(2), Qt::ControlModifier);
  Tap(BelowRows(), Qt::ControlModifier);  // Ctrl keeps what is selected
  EXPECT_EQ(Selected(), (std::vector<int>{0, 2}));
  Tap(BelowRows());
  EXPECT_TRUE(Selected().empty());
}

TEST_F(ListControlTest, DoubleClickAnywhereNotifiesTheOwner) {
  AddRows(3);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowPoint(1));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, BelowRows());
  const auto doubles = NotesOf(NM_DBLCLK);
  ASSERT_EQ(doubles.size(), 2u);
  EXPECT_EQ(doubles[0].item, 1);
  EXPECT_EQ(doubles[1].item, -1);
  // The double-tap on empty space has cleared the selection before the owner hears of it.
  EXPECT_TRUE(Selected().empty());
}

TEST_F(ListControlTest, KeysReachTheOwnerAsVirtualKeysThenMoveTheSelection) {
  AddRows(5);
  Tap(RowPoint(1));
  QTest::keyClick(list, Qt::Key_Return);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(Selected(), (std::vector<int>{2}));
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), (std::vector<int>{2, 3}));
  QTest::keyClick(list, Qt::Key_Home);
  EXPECT_EQ(Selected(), (std::vector<int>{0}));
  QTest::keyClick(list, Qt::Key_A);
  const auto keys = NotesOf(LVN_KEYDOWN);
  std::vector<WORD> codes;
  for (const auto& k : keys) codes.push_back(k.key);
  // Return, Down, Shift (pressed for Shift+Down), Down, Home, A.
  EXPECT_EQ(codes, (std::vector<WORD>{13, VK_DOWN, 0x10, VK_DOWN, 0x24, 'A'}));
}

TEST_F(ListControlTest, HeaderTapSendsColumnClickWithTheColumn) {
  QHeaderView* header = list->Header();
  const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  const auto clicks = NotesOf(LVN_COLUMNCLICK);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].subItem, 2);
}

TEST_F(ListControlTest, NoSortHeaderStyleMakesPlainHeaders) {
  Build(kTemplateStyle | LVS_NOSORTHEADER);
  QHeaderView* header = list->Header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(20, header->height() / 2));
  EXPECT_TRUE(NotesOf(LVN_COLUMNCLICK).empty());
}

TEST_F(ListControlTest, ColumnWidthsOfMissingColumnsAndNegativeRequests) {
  EXPECT_EQ(list->ColumnCount(), 4);
  EXPECT_EQ(list->ColumnWidth(0), 170);
  EXPECT_EQ(list->ColumnWidth(4), 0);
  EXPECT_EQ(list->ColumnWidth(-1), 0);
  EXPECT_FALSE(list->SetColumnWidth(4, 80));
  EXPECT_EQ(list->ColumnCount(), 4);
  EXPECT_TRUE(list->SetColumnWidth(3, -40));
  EXPECT_EQ(list->ColumnWidth(3), 0);
  EXPECT_TRUE(list->SetColumnWidth(0, 0));
  EXPECT_EQ(list->ColumnWidth(0), 0);
  EXPECT_EQ(list->ColumnHeading(2), QString("c2"));
}

TEST_F(ListControlTest, ExtendedStyleMaskDecidesWhichBitsChange) {
  EXPECT_EQ(list->SetExtendedStyle(LVS_EX_GRIDLINES, LVS_EX_GRIDLINES), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(list->ExtendedStyle(), LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);  // only the masked bit, unchanged
  list->SetExtendedStyle(0, LVS_EX_FULLROWSELECT);
  EXPECT_EQ(list->ExtendedStyle(), LVS_EX_GRIDLINES);
  list->SetExtendedStyle(0x4 | LVS_EX_FULLROWSELECT, 0);  // an empty mask replaces every bit
  EXPECT_EQ(list->ExtendedStyle(), 0x4u | LVS_EX_FULLROWSELECT);
}

TEST_F(ListControlTest, TextsAreKeptWholeAndSubItemsNeedTheirColumn) {
  const CString memo(u"line one\r\nline two\nthree");
  const CString longSubject(300, u'x');
  list->InsertRow(0, longSubject);
  EXPECT_TRUE(list->SetText(0, 3, memo));
  EXPECT_FALSE(list->SetText(0, 4, u"no column"));
  EXPECT_FALSE(list->SetText(1, 1, u"no row"));
  EXPECT_EQ(list->Text(0, 0), longSubject);
  EXPECT_EQ(list->Text(0, 3), memo);
  EXPECT_EQ(list->Text(0, 1), CString());
  EXPECT_EQ(list->Text(0, 7), CString());

  // A column inserted in front moves the sub-items behind it.
  list->InsertColumn(1, "extra", 40);
  EXPECT_EQ(list->Text(0, 4), memo);
  EXPECT_EQ(list->Text(0, 1), CString());
}

TEST_F(ListControlTest, ClientAreaIsInsideTheBorderAndBesideTheScrollBar) {
  EXPECT_EQ(list->ClientRect().width(), 466);
  EXPECT_EQ(list->ClientRect().height(), 381);
  AddRows(200);
  const int bar = list->verticalScrollBar()->sizeHint().width();
  EXPECT_EQ(list->ClientRect().width(), 466 - bar);
  QCoreApplication::processEvents();  // the scroll area shows its bars from its own queue
  EXPECT_EQ(list->viewport()->width(), 466 - bar);
  EXPECT_TRUE(list->verticalScrollBar()->isVisible());
  // The columns are as wide as the client area, so the vertical bar brings a horizontal one: the rows get the
  // viewport's height, less than the client area below the header.
  EXPECT_EQ(list->verticalScrollBar()->maximum(), 200 - list->viewport()->height() / list->RowHeight());
}

TEST_F(ListControlTest, SelectionIsDrawnOnlyWhileTheListHasTheFocus) {
  AddRows(3);
  Tap(RowPoint(1));
  const QColor highlight = list->palette().color(QPalette::Highlight);
  const QPoint probe = RowPoint(1) + QPoint(60, 0);  // inside column 0, clear of the text
  auto pixel = [&] {
    list->viewport()->repaint();
    return list->viewport()->grab().toImage().pixelColor(probe);
  };
  EXPECT_EQ(pixel(), highlight);
  other->setFocus();
  EXPECT_NE(pixel(), highlight);
  EXPECT_EQ(Selected(), (std::vector<int>{1}));  // still selected, only not drawn
}

TEST_F(ListControlTest, FullRowSelectDecidesWhereATapSelects) {
  AddRows(2);
  const QPoint inMemoColumn = RowPoint(0) + QPoint(400 - 100, 0);
  Tap(inMemoColumn);
  EXPECT_EQ(Selected(), (std::vector<int>{0}));
  list->SetExtendedStyle(LVS_EX_GRIDLINES, 0);
  Tap(RowPoint(1) + QPoint(300, 0));  // outside column 0 without full-row select: empty space
  EXPECT_TRUE(Selected().empty());
}

TEST_F(ListControlTest, ManyRowsKeepTheirOrderAndStateThroughMiddleEdits) {
  constexpr int kRows = 100000;
  for (int i = 0; i < kRows; ++i) list->InsertRow(i, CString::FromUtf8(std::to_string(i)));
  list->SetState(60000, LVIS_SELECTED, LVIS_SELECTED);
  // Rebuild rows in order the way the view does: delete row k, insert row k.
  for (int k = 40000; k < 40100; ++k) {
    list->DeleteRow(k);
    list->InsertRow(k, u"rebuilt");
  }
  list->DeleteRow(50000);
  list->InsertRow(10, u"ten");
  EXPECT_EQ(list->RowCount(), kRows);
  EXPECT_EQ(list->Text(10, 0), CString(u"ten"));
  EXPECT_EQ(list->Text(40000, 0), CString(u"39999"));
  EXPECT_EQ(list->Text(40001, 0), CString(u"rebuilt"));
  EXPECT_EQ(list->Text(50001, 0), CString(u"50001"));
  EXPECT_EQ(list->State(60000, LVIS_SELECTED), LVIS_SELECTED);
  EXPECT_EQ(list->SelectedCount(), 1);
}

// Rows copied from the pictures of earlier paints look exactly as rows drawn afresh, whatever changed in
// between: texts, rows coming and going (in sight or not), selection, focus, scrolling, column widths, the grid,
// the window's activation. And what the list repaints of itself after each change (only the rows that changed)
// leaves the window as a whole repaint does. Compared pixel by pixel on the window's backing store.
TEST_F(ListControlTest, CopiedRowsLookAsRowsDrawnAfresh) {
  Build(kTemplateStyle | LVS_SHOWSELALWAYS);  // the selection shows in the inactive window's colours too
  QPalette palette = list->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0x91, 0x8D, 0x7E));
  for (const auto role : {QPalette::Button, QPalette::ButtonText, QPalette::WindowText}) {  // the headings
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role).darker(130));
  }
  list->setPalette(palette);
  const CString words[] = {u"", u"a", u"報告書を書く", u"2008/05/10(土)", u"B3", u"memo line\r\nsecond line",
                           u"月曜の会議まで表と図を添える、長くて列には入らないメモの一行目"};
  std::mt19937 random(20081209);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(std::max(n, 1))); };
  auto word = [&] { return words[pick(static_cast<int>(std::size(words)))]; };
  auto inSight = [&] { return std::min(list->RowCount() - 1, list->TopRow() + pick(15)); };
  auto anyRow = [&] { return pick(3) ? inSight() : pick(list->RowCount()); };
  auto addRow = [&](int at) {
    const int row = list->InsertRow(at, word());
    for (int c = 1; c < 4 && pick(4) > 0; ++c) list->SetText(row, c, word());
  };
  for (int i = 0; i < 40; ++i) addRow(i);
  QWidget elsewhere;
  elsewhere.resize(100, 100);
  auto backingStore = [&] {
    list->FlushLayout();
    list->repaint();  // the header and the rows
    return QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
  };
  for (int step = 0; step < 150; ++step) {
    switch (pick(11)) {
      case 0: list->SetText(anyRow(), pick(4), word()); break;
      case 1: addRow(anyRow()); break;
      case 2:
        if (list->RowCount() > 20) list->DeleteRow(anyRow());
        break;
      case 3:
      case 4: list->SetState(pick(8) ? anyRow() : -1, pick(3) ? LVIS_SELECTED : 0, LVIS_SELECTED); break;
      case 5: list->SetState(inSight(), LVIS_FOCUSED, LVIS_FOCUSED); break;
      case 6: (pick(3) ? static_cast<QWidget*>(list) : other)->setFocus(); break;
      case 7: {
        QScrollBar* bar = pick(2) ? list->verticalScrollBar() : list->horizontalScrollBar();
        bar->setValue(pick(bar->maximum() + 1));
        break;
      }
      case 8:
        if (pick(2)) {
          list->SetColumnWidth(pick(4), 20 + pick(200));
        } else {
          list->SetExtendedStyle(pick(2) ? LVS_EX_GRIDLINES : 0, LVS_EX_GRIDLINES);
        }
        break;
      case 10: list->setPalette(pick(2) ? palette : QApplication::palette()); break;  // inactive colours differ or not
      case 9: {
        QWidget* active = pick(2) ? window.get() : &elsewhere;
        active->show();
        active->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(active));
        break;
      }
    }
    list->FlushLayout();
    QCoreApplication::processEvents();  // the repaints the changes asked for, and no more
    const QImage updated = QGuiApplication::primaryScreen()->grabWindow(window->winId()).toImage();
    const QImage copied = backingStore();
    testhooks::SetRowImagesEnabled(false);
    const QImage drawn = backingStore();
    testhooks::SetRowImagesEnabled(true);
    ASSERT_FALSE(drawn.isNull());
    ASSERT_TRUE(copied == drawn) << "step " << step;
    ASSERT_TRUE(updated == drawn) << "a change left rows unpainted, step " << step;
  }
}

TEST(VirtualKeyTest, QtKeysMapToThePlatformCodes) {
  EXPECT_EQ(platform::VirtualKeyFromQtKey(Qt::Key_Return), VK_RETURN);
  EXPECT_EQ(platform::VirtualKeyFromQtKey(Qt::Key_Enter), VK_RETURN);
  EXPECT_EQ(platform::VirtualKeyFromQtKey(Qt::Key_Delete), VK_DELETE);
  EXPECT_EQ(platform::VirtualKeyFromQtKey(Qt::Key_F2), 0x71);
  EXPECT_EQ(platform::VirtualKeyFromQtKey(Qt::Key_7), '7');
  EXPECT_EQ(platform::VirtualKeyFromQtKey(Qt::Key_twosuperior), 0);
}

// Accelerators and the list's key notices read one table: every virtual key the frame can name comes back as
// itself from the list's side, and no two virtual keys share a Qt key.
TEST(VirtualKeyTest, BothDirectionsAreOneTable) {
  std::map<int, WORD> seen;
  int named = 0;
  for (int vk = 0; vk <= 0xFF; ++vk) {
    const int key = platform::QtKeyForVirtualKey(static_cast<WORD>(vk));
    if (key == 0) continue;
    ++named;
    EXPECT_EQ(platform::VirtualKeyFromQtKey(key), vk) << "virtual key " << vk;
    EXPECT_TRUE(seen.emplace(key, static_cast<WORD>(vk)).second) << "virtual key " << vk;
  }
  EXPECT_EQ(named, 26 + 10 + 24 + static_cast<int>(platform::kNamedVirtualKeys.size()));
  EXPECT_EQ(platform::QtKeyForVirtualKey(VK_RETURN), Qt::Key_Return);
}

}  // namespace
