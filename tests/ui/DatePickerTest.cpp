// The date picker: long date text, the kept time of day, no "none" state, the years 100 to 9999, and the
// calendar dropping down at its right edge.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QTest>

#include <cmath>
#include <ostream>
#include <limits>

#include "platform/core/Locale.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DatePicker.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

class DatePicker : public ::testing::Test {
 protected:
  void SetUp() override {
    host.resize(480, 300);
    ControlCreateInfo info;
    info.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | DTS_LONGDATEFORMAT | DTS_RIGHTALIGN;
    info.id = 1003;
    const ControlFactory factory = AfxFindControlClass(u"SysDateTimePick32");
    ASSERT_NE(factory, nullptr);
    widget = dynamic_cast<DatePickerWidget*>(factory(info, &host, nullptr));
    ASSERT_NE(widget, nullptr);
    widget->setGeometry(105, 81, 357, 42);
    picker.Attach(widget);
  }
  void TearDown() override { picker.Detach(); }

  COleDateTime Read() const {
    COleDateTime value(-1.0, COleDateTime::null);
    EXPECT_EQ(picker.GetTime(value), 0u);
    return value;
  }

  QWidget host;
  DatePickerWidget* widget = nullptr;
  CDateTimeCtrl picker;
};

TEST_F(DatePicker, StartsAtNowToTheSecond) {
  const COleDateTime before = COleDateTime::GetCurrentTime();
  QWidget other;
  DatePickerWidget fresh(DTS_LONGDATEFORMAT, &other);
  const COleDateTime after = COleDateTime::GetCurrentTime();
  const COleDateTime value = fresh.Value();
  EXPECT_EQ(value.GetStatus(), COleDateTime::valid);
  EXPECT_GE(value.m_dt, before.m_dt);
  EXPECT_LE(value.m_dt, after.m_dt);
  SYSTEMTIME time;
  ASSERT_TRUE(value.GetAsSystemTime(time));
  EXPECT_EQ(time.wMilliseconds, 0);
}

TEST_F(DatePicker, KeepsTheTimeOfDayItWasGiven) {
  ASSERT_TRUE(picker.SetTime(COleDateTime(2024, 3, 5, 13, 45, 30)));
  EXPECT_EQ(Read(), COleDateTime(2024, 3, 5, 13, 45, 30));
  widget->setDate(QDate(2024, 4, 1));  // as the user picks a day
  EXPECT_EQ(Read(), COleDateTime(2024, 4, 1, 13, 45, 30));
}

TEST_F(DatePicker, ShowsTheLongDateOfTheUsersLocale) {
  ASSERT_TRUE(picker.SetTime(COleDateTime(2024, 3, 5, 13, 45, 30)));
  EXPECT_EQ(widget->text(), QString::fromUtf8("2024年3月5日火曜日"));
  EXPECT_EQ(picker.GetWindowText(), CString(u"2024年3月5日火曜日"));
  ASSERT_TRUE(picker.SetTime(COleDateTime(2100, 1, 1, 0, 0, 0)));
  EXPECT_EQ(widget->text(), QString::fromUtf8("2100年1月1日金曜日"));
}

struct Refused {
  const char* name;
  COleDateTime value;
};

void PrintTo(const Refused& value, std::ostream* out) { *out << value.name; }

class DatePickerRefuses : public DatePicker, public ::testing::WithParamInterface<Refused> {};

TEST_P(DatePickerRefuses, KeepsItsOwnValue) {
  const COleDateTime shown(2023, 11, 20, 8, 30, 0);
  ASSERT_TRUE(picker.SetTime(shown));
  EXPECT_FALSE(picker.SetTime(GetParam().value));
  EXPECT_EQ(Read(), shown);
  EXPECT_EQ(widget->date(), QDate(2023, 11, 20));
}

INSTANTIATE_TEST_SUITE_P(
    Values, DatePickerRefuses,
    ::testing::Values(Refused{"InvalidStatus", COleDateTime(45000.5, COleDateTime::invalid)},
                      Refused{"NullStatus", COleDateTime(45000.5, COleDateTime::null)},
                      Refused{"OddStatus", COleDateTime(45000.5, 7)},
                      Refused{"BeforeYear100", COleDateTime(-657435.0 - 1.0)},
                      Refused{"AfterYear9999", COleDateTime(2958466.0)},
                      Refused{"NotANumber", COleDateTime(std::numeric_limits<double>::quiet_NaN())},
                      Refused{"Infinite", COleDateTime(std::numeric_limits<double>::infinity())}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

TEST_F(DatePicker, CoversTheYears100To9999) {
  ASSERT_TRUE(picker.SetTime(COleDateTime(100, 1, 1, 0, 0, 0)));
  EXPECT_EQ(Read(), COleDateTime(100, 1, 1, 0, 0, 0));
  EXPECT_EQ(widget->date(), QDate(100, 1, 1));
  ASSERT_TRUE(picker.SetTime(COleDateTime(9999, 12, 31, 23, 59, 59)));
  EXPECT_EQ(Read(), COleDateTime(9999, 12, 31, 23, 59, 59));
  EXPECT_EQ(widget->date(), QDate(9999, 12, 31));
}

TEST_F(DatePicker, CalendarDropsDownAlignedToTheRightEdge) {
  ASSERT_TRUE(guitest::Activate(&host));
  ASSERT_TRUE(picker.SetTime(COleDateTime(2024, 3, 5, 13, 45, 30)));
  // Built at the first drop-down only: a tap on the date text does not build it.
  const QPoint onText(20, widget->height() / 2);
  QWidget* text = widget->childAt(onText);
  ASSERT_NE(text, nullptr);
  QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, text->mapFrom(widget, onText));
  EXPECT_EQ(widget->findChild<QCalendarWidget*>(), nullptr);
  // A tap on the drop-down arrow at the right end.
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(widget->width() - 6, widget->height() / 2));
  auto* calendar = widget->findChild<QCalendarWidget*>();
  ASSERT_NE(calendar, nullptr);
  EXPECT_EQ(calendar->locale(), platform::GetUserQLocale());
  EXPECT_EQ(calendar->selectedDate(), QDate(2024, 3, 5));
  EXPECT_EQ(calendar->minimumDate(), QDate(100, 1, 1));
  EXPECT_EQ(calendar->maximumDate(), QDate(9999, 12, 31));
  QWidget* popup = calendar->window();
  ASSERT_TRUE(popup->isVisible());
  const int pickerRight = widget->mapToGlobal(QPoint(widget->width(), 0)).x();
  EXPECT_EQ(popup->geometry().x() + popup->width(), pickerRight);
  EXPECT_GE(popup->geometry().y(), widget->mapToGlobal(QPoint(0, 0)).y());
  popup->hide();
}

// The picker has no step buttons: a tap anywhere beside the arrow, its border included, leaves the date alone.
TEST_F(DatePicker, TapBesideTheArrowKeepsTheDate) {
  ASSERT_TRUE(guitest::Activate(&host));
  ASSERT_TRUE(picker.SetTime(COleDateTime(2024, 3, 5, 13, 45, 30)));
  for (const QPoint at : {QPoint(1, widget->height() / 2), QPoint(20, 1), QPoint(20, widget->height() / 2),
                          QPoint(widget->width() / 2, widget->height() - 2)}) {
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::qWait(20);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(Read(), COleDateTime(2024, 3, 5, 13, 45, 30)) << at.x() << ", " << at.y();
  }
  EXPECT_EQ(widget->findChild<QCalendarWidget*>(), nullptr);
}

}  // namespace
