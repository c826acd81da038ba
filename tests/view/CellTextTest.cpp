// The list's cells at the handheld's font: texts wider than their column are condensed before they are elided,
// and an elided cell shows its whole text in a tip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include "doc/TaskText.h"
#include "platform/ui/ListViewWidget.h"
#include "tests/view/ViewTestSupport.h"

namespace viewtest {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Every due date from 1990 to 2100 as its row shows it, in the 120-pixel due column.
void ExpectEveryDateWhole(const char* locale) {
  tvqtest::ScopedLocale scoped(locale);
  ProgramWindows program;
  program.SetTasks({{u"x", Date(2008, 5, 10), u"A1", u""}});
  listview::ListViewWidget& list = program.ListWidget();
  ASSERT_EQ(list.ColumnWidth(1), 120);
  int narrowest = 100;
  for (int year = 1990; year <= 2100; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysIn(year, month); ++day) {
        const CString text = tasktext::DueColumnText(COleDateTime(year, month, day, 0, 0, 0));
        list.SetText(0, 1, text);
        const FittedText fit = list.CellTextFit(0, 1);
        ASSERT_FALSE(fit.elided) << locale << ' ' << text.ToUtf8();
        ASSERT_EQ(fit.text, text.ToQString());
        narrowest = std::min(narrowest, fit.stretch);
      }
    }
  }
  EXPECT_GE(narrowest, kMinTextStretch);
  // At least one date needed condensing: the test measures something the plain font does not give.
  EXPECT_LT(narrowest, 100) << locale;
}

TEST(CellTextTest, EveryDueDateShowsWholeInItsColumn) {
  ExpectEveryDateWhole("ja_JP");
  ExpectEveryDateWhole("en_US");
}

// Sends a tip request for `viewportPos` as the platform does: to the viewport, which leaves it to the list.
QString TipAt(listview::ListViewWidget& list, QPoint viewportPos) {
  QToolTip::hideText();  // hides after a moment
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000));
  QHelpEvent event(QEvent::ToolTip, viewportPos, list.viewport()->mapToGlobal(viewportPos));
  QApplication::sendEvent(list.viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

QString PlainTextOf(const QString& tip) {
  QTextDocument document;
  document.setHtml(tip);
  return document.toPlainText();
}

TEST(CellTextTest, OnlyAnElidedCellShowsItsWholeTextInATip) {
  ProgramWindows program;
  const CString memo(u"<b>first</b> line & more, long enough to be cut in any column\r\nsecond line");
  program.SetTasks({{u"short", Date(2008, 5, 10), u"A1", memo}});
  listview::ListViewWidget& list = program.ListWidget();
  list.FlushLayout();
  const QRect row = list.RowRect(0);
  auto inColumn = [&](int column) {
    return QPoint(list.Header()->sectionViewportPosition(column) + 10, row.center().y());
  };
  ASSERT_TRUE(list.CellTextFit(0, 3).elided);
  // Markup shows as characters and the line break as a line.
  EXPECT_EQ(PlainTextOf(TipAt(list, inColumn(3))), QStringLiteral("<b>first</b> line & more, long enough to be cut "
                                                                   "in any column\nsecond line"));
  EXPECT_FALSE(list.CellTextFit(0, 0).elided);
  EXPECT_EQ(TipAt(list, inColumn(0)), QString());
  EXPECT_EQ(TipAt(list, inColumn(1)), QString());
  EXPECT_EQ(TipAt(list, QPoint(10, row.bottom() + 3 * list.RowHeight())), QString());  // below the rows
}

}  // namespace
}  // namespace viewtest
