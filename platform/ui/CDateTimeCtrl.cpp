// The date picker's class of dialog templates and its handle.
#include "platform/ui/CDateTimeCtrl.h"

#include "platform/ui/DatePicker.h"

namespace {

constexpr DWORD GDT_VALID = 0;
constexpr DWORD GDT_NONE = 1;

}  // namespace

QWidget* AfxCreateDateTimePickerControl(const ControlCreateInfo& info, QWidget* parent, CWnd*) {
  return new DatePickerWidget(info.style, parent);
}

bool AfxRestoreDateTimePickerControl(QWidget* widget, const ControlCreateInfo&) {
  auto* picker = dynamic_cast<DatePickerWidget*>(widget);
  if (picker) picker->Restore();
  return picker != nullptr;
}

BOOL CDateTimeCtrl::SetTime(const COleDateTime& time) {
  auto* picker = dynamic_cast<DatePickerWidget*>(GetSafeHwnd());
  return picker && picker->SetValue(time) ? TRUE : FALSE;
}

DWORD CDateTimeCtrl::GetTime(COleDateTime& time) const {
  const auto* picker = dynamic_cast<const DatePickerWidget*>(GetSafeHwnd());
  if (!picker) return GDT_NONE;
  time = picker->Value();
  return GDT_VALID;
}

void DDX_DateTimeCtrl(CDataExchange* pDX, int nIDC, COleDateTime& value) {
  CDateTimeCtrl picker;
  picker.Attach(pDX->PrepareCtrl(nIDC));
  if (pDX->m_bSaveAndValidate) {
    picker.GetTime(value);
  } else {
    picker.SetTime(value);
  }
  picker.Detach();
}
