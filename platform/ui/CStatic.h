// CStatic: the "Static" class of dialog templates (text, icon and bitmap statics) and the handle of its
// controls.
#pragma once

#include "platform/core/Resource.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/ControlFactory.h"

class CStatic : public CWnd {};

// The class's factory and restorer (registered by AfxRegisterStandardControls).
QWidget* AfxCreateStaticControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
bool AfxRestoreStaticControl(QWidget* widget, const ControlCreateInfo& info);

// Image statics: shows the icon or bitmap of `module` at its real size, in place of what the static showed.
// FALSE when the resource cannot be loaded (the static keeps what it showed).
bool AfxSetStaticIcon(QWidget* label, WORD iconId, HINSTANCE module = AfxGetResourceHandle());
bool AfxSetStaticBitmap(QWidget* label, WORD bitmapId, HINSTANCE module = AfxGetResourceHandle());
