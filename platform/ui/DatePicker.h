// The date picker behind CDateTimeCtrl ("SysDateTimePick32"): the date in the user's long (or short) date
// format, a calendar that drops down below it (aligned to its right edge with DTS_RIGHTALIGN), no time field:
// the time of day it was given is kept and returned with the picked date. It has no "none" state, so it
// refuses values other than valid dates from 1 January 100 to 31 December 9999. At creation it shows now.
// The calendar is built when it first drops down, not with the picker: most editors close untouched. A tap
// beside the drop-down arrow never steps the date.
#pragma once

#include <QDateEdit>
#include <QTime>

#include "platform/core/COleDateTime.h"
#include "platform/core/WinTypes.h"

class DatePickerWidget : public QDateEdit {
 public:
  DatePickerWidget(DWORD style, QWidget* parent);

  // FALSE, keeping the shown value, for a status other than valid or a date outside the range.
  bool SetValue(const COleDateTime& value);
  // The shown date with the kept time of day, status valid.
  COleDateTime Value() const;
  // As at creation: now shown, the calendar closed, the first field current.
  void Restore();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  // Tab leaves the picker (the arrow keys move between its fields).
  bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

 private:
  // A press on the drop-down arrow opens the calendar (the same hit test as the base class's).
  bool OpensCalendar(const QPoint& pos) const;
  // Builds the calendar in the user's locale and follows its popup's showing, once.
  void PrepareCalendar();
  void AlignPopup(QWidget* popup) const;
  void ShowNow();

  QTime m_time;
  QString m_writtenText;  // what the last SetValue showed: the same value again changes nothing while it shows
  bool m_alignRight;
  bool m_calendarPrepared = false;
};
