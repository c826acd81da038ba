// Registers each control class name with its creation function, its handle type and its restorer.
#include "platform/ui/StandardControls.h"

#include "platform/ui/CButton.h"
#include "platform/ui/CDateTimeCtrl.h"
#include "platform/ui/CEdit.h"
#include "platform/ui/CStatic.h"

void AfxRegisterStandardControls() {
  AfxRegisterControlClass(u"Button", &AfxCreateButtonControl, &AfxNewControlHandle<CButton>, &AfxRestoreButtonControl);
  AfxRegisterControlClass(u"Edit", &AfxCreateEditControl, &AfxNewControlHandle<CEdit>, &AfxRestoreEditControl);
  AfxRegisterControlClass(u"Static", &AfxCreateStaticControl, &AfxNewControlHandle<CStatic>, &AfxRestoreStaticControl);
  AfxRegisterControlClass(u"SysDateTimePick32", &AfxCreateDateTimePickerControl, &AfxNewControlHandle<CDateTimeCtrl>,
                          &AfxRestoreDateTimePickerControl);
}
