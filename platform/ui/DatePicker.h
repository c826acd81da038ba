// The date picker behind CDateTimeCtrl ("SysDateTimePick32"): the date in the user's long (or short) date
// format, a calendar that drops down below it (aligned to its right edge with DTS_RIGHTALIGN), no time field:
// the time of day it was given is kept and returned with the picked date. It has no "none" state, so it
// refuses values other than valid dates from 1 January 100 to 31 December 9999. At creation it shows now.
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
  bool AlignsPopupRight() const { return m_alignRight; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Tab leaves the picker (the arrow keys move between its fields).
  bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

 private:
  void AlignPopup(QWidget* popup) const;

  QTime m_time;
  bool m_alignRight;
};
