// Registers each control class name with its creation function and its handle type.
#include "platform/ui/StandardControls.h"

#include "platform/ui/CButton.h"
#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CStatic.h"

void AfxRegisterStandardControls() {
  AfxRegisterControlClass(u"Button", &AfxCreateButtonControl, &AfxNewControlHandle<CButton>);
  AfxRegisterControlClass(u"Edit", &AfxCreateEditControl, &AfxNewControlHandle<CEdit>);
  AfxRegisterControlClass(u"Static", &AfxCreateStaticControl, &AfxNewControlHandle<CStatic>);
  AfxRegisterControlClass(u"SysDateTimePick32", &AfxCreateDateTimePickerControl, &AfxNewControlHandle<CDateTimeCtrl>);
}
