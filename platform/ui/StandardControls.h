// Factories of the predefined control classes and of the date picker (registered by
// AfxRegisterStandardControls).
#pragma once

#include <optional>

#include "platform/ui/ControlFactory.h"
#include "platform/ui/TextFit.h"

QWidget* AfxCreateButtonControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
QWidget* AfxCreateEditControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
QWidget* AfxCreateStaticControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);
QWidget* AfxCreateDateTimePickerControl(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);

class QString;

// The text a control shows, as WM_SETTEXT / WM_GETTEXT see it: a button's or static's title (with its
// ampersands as written), an edit's contents, the picker's text, else the window title. Setting a multi-line
// edit's text sends no EN_CHANGE (as on the platform); a single-line edit's does.
void AfxSetControlText(QWidget* widget, const QString& text);
QString AfxGetControlText(const QWidget* widget);

// How a static text (of a one-line box), a button, a check box or a radio button draws its text in its box
// now: whole, condensed or elided (TextFit.h). Nothing for other controls and for statics that wrap.
std::optional<FittedText> AfxGetControlTextFit(const QWidget* widget);

// Image statics: shows the icon or bitmap of the resource module at its real size. FALSE when the resource
// cannot be loaded (the static keeps what it showed).
bool AfxSetStaticIcon(QWidget* label, WORD iconId);
bool AfxSetStaticBitmap(QWidget* label, WORD bitmapId);
