// CEdit: the "Edit" class of dialog templates (single-line and multi-line edits) and the handle of its controls.
#pragma once

#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"

class CEdit : public CWnd {};

// The class's factory and restorer (registered by AfxRegisterStandardControls).
QWidget* AfxCreateEditControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
bool AfxRestoreEditControl(QWidget* widget, const ControlCreateInfo& info);
