// CButton: the "Button" class of dialog templates (push buttons, default push buttons, check boxes and radio
// buttons, each optionally push-like, and group boxes) and the handle of its controls.
#pragma once

#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"

class CButton : public CWnd {
 public:
  UINT GetCheck() const;          // BM_GETCHECK
  void SetCheck(UINT nCheck);     // BM_SETCHECK
  void Click();                   // as a tap: BN_CLICKED reaches the owner's map
};

// A group of auto radio buttons is one stop of the tab order, as on the desktop: its checked button, else its
// first. Kept up as the check moves; the dialog builder sets it once the groups are known. The arrow keys move
// the check within the group.
void AfxUpdateRadioGroupTabStop(QWidget* button);
bool AfxIsAutoRadioButton(const QWidget* widget);

// The class's factory and restorer (registered by AfxRegisterStandardControls).
QWidget* AfxCreateButtonControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
bool AfxRestoreButtonControl(QWidget* widget, const ControlCreateInfo& info);
