// CDateTimeCtrl: the "SysDateTimePick32" class of dialog templates (the date picker, DatePicker.h) and the
// handle of its controls: long date format of the user's locale, a calendar dropping down aligned to its right
// edge, no time field (the time of day it was given is kept), no "none" state, years 100 to 9999.
#pragma once

#include "platform/core/COleDateTime.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"

class CDateTimeCtrl : public CWnd {
 public:
  // FALSE, keeping the picker's own value, for a status other than valid or a value it cannot show.
  BOOL SetTime(const COleDateTime& time);
  // The picker's date with the kept time of day, status valid.
  DWORD GetTime(COleDateTime& time) const;
};

void DDX_DateTimeCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value);

// The class's factory and restorer (registered by AfxRegisterStandardControls).
QWidget* AfxCreateDateTimePickerControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
bool AfxRestoreDateTimePickerControl(QWidget* widget, const ControlCreateInfo& info);
