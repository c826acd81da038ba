// CEdit: the "Edit" class of dialog templates (single-line and multi-line edits) and the handle of its controls.
#pragma once

#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"

class CEdit : public CWnd {};

// The class's factory (registered by AfxRegisterStandardControls).
QWidget* AfxCreateEditControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
