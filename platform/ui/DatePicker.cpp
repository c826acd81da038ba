// The date picker.
#include "platform/ui/DatePicker.h"

#include <QCalendarWidget>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "platform/core/Locale.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/ControlState.h"

namespace {

const QDate kFirstDate(100, 1, 1);
const QDate kLastDate(9999, 12, 31);

}  // namespace

DatePickerWidget::DatePickerWidget(DWORD style, QWidget* parent)
    : QDateEdit(parent), m_alignRight((style & DTS_RIGHTALIGN) != 0) {
  const auto& settings = platform::GetLocaleSettings();
  setLocale(platform::GetUserQLocale());
  setDisplayFormat((style & DTS_LONGDATEFORMAT) ? settings.longDatePattern.ToQString()
                                                : settings.shortDatePattern.ToQString());
  setDateRange(kFirstDate, kLastDate);
  if (!(style & DTS_UPDOWN)) setCalendarPopup(true);
  ShowNow();
}

void DatePickerWidget::ShowNow() {
  if (SetValue(COleDateTime::GetCurrentTime())) return;
  const QDateTime now = QDateTime::currentDateTime();
  setDate(now.date());
  m_time = QTime(now.time().hour(), now.time().minute(), now.time().second());
}

void DatePickerWidget::Restore() {
  if (m_calendarPrepared) calendarWidget()->window()->hide();
  AfxDropFocusLook(this);
  ShowNow();
  setCurrentSectionIndex(0);
}

bool DatePickerWidget::SetValue(const COleDateTime& value) {
  // What the picker can show is what converts to a calendar time: a valid date from 1 January 100 to
  // 31 December 9999 (the calendar's range above), to the second. Anything else is refused.
  SYSTEMTIME time;
  if (!value.GetAsSystemTime(time)) return false;
  m_time = QTime(time.wHour, time.wMinute, time.wSecond);
  const QDate shown(time.wYear, time.wMonth, time.wDay);
  // Formatting the date is most of a write; the dialogs write every member back several times as they open.
  if (shown == date() && text() == m_writtenText) return true;
  setDate(shown);
  m_writtenText = text();
  return true;
}

COleDateTime DatePickerWidget::Value() const {
  const QDate shown = date();
  return COleDateTime(shown.year(), shown.month(), shown.day(), m_time.hour(), m_time.minute(), m_time.second());
}

void DatePickerWidget::mousePressEvent(QMouseEvent* event) {
  if (!calendarPopup()) {
    QDateEdit::mousePressEvent(event);
    return;
  }
  if (!OpensCalendar(event->position().toPoint())) {
    // The base class would take a press on the border for its step buttons (the drop-down's parts share
    // their numbers with the step buttons'), and the picker has none: the date stays as it is.
    event->ignore();
    return;
  }
  if (!m_calendarPrepared) PrepareCalendar();
  QDateEdit::mousePressEvent(event);
}

bool DatePickerWidget::OpensCalendar(const QPoint& pos) const {
  QStyleOptionComboBox option;
  option.initFrom(this);
  option.editable = true;
  option.subControls = QStyle::SC_All;
  return style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, pos, this) == QStyle::SC_ComboBoxArrow;
}

void DatePickerWidget::PrepareCalendar() {
  QCalendarWidget* calendar = calendarWidget();
  if (!calendar) return;
  m_calendarPrepared = true;
  calendar->setLocale(platform::GetUserQLocale());
  calendar->window()->installEventFilter(this);
}

bool DatePickerWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && m_alignRight) {
    if (auto* popup = qobject_cast<QWidget*>(watched); popup && popup->isWindow()) AlignPopup(popup);
  }
  return QDateEdit::eventFilter(watched, event);
}

// The popup's right edge on the picker's right edge, kept on the screen.
void DatePickerWidget::AlignPopup(QWidget* popup) const {
  const QPoint right = mapToGlobal(QPoint(width(), 0));
  int x = right.x() - popup->width();
  if (const QScreen* screen = QGuiApplication::screenAt(right)) x = std::max(x, screen->availableGeometry().left());
  popup->move(x, popup->y());
}
