// Window classes of dialog templates. The template builder creates each item through the factory registered
// for its class: the predefined ordinals (button, edit, static) and named classes such as "SysListView32" and
// "SysDateTimePick32". A factory creates the widget as a child of `parent`; the widget reports its commands and
// notifications to `owner` (the dialog or form view whose message map handles them) with its control id.
#pragma once

#include <string>

#include "platform/core/WinTypes.h"

class QWidget;
class CWnd;

struct ControlCreateInfo {
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;                  // the 16-bit id sign-extended (0xFFFF -> -1)
  std::u16string title;        // empty when the title is an ordinal
  WORD titleOrdinal = 0;       // icon or bitmap id of an image static
  bool titleIsOrdinal = false;
};

using ControlFactory = QWidget* (*)(const ControlCreateInfo& info, QWidget* parent, CWnd* owner);

// Class names compare case-insensitively. Returns FALSE when the class is already registered.
BOOL AfxRegisterControlClass(const std::u16string& className, ControlFactory factory);
ControlFactory AfxFindControlClass(const std::u16string& className);
// The predefined classes by ordinal (0x0080 button, 0x0081 edit, 0x0082 static, ...).
ControlFactory AfxFindControlClass(WORD classOrdinal);

// Every widget made from a template carries its control id here; the owner's GetDlgItem finds it by it.
int AfxGetControlId(const QWidget* widget);
void AfxSetControlId(QWidget* widget, int id);

// The window whose message map receives the control's commands and notifications: the nearest ancestor that a
// dialog, form view or frame owns. Null when there is none.
CWnd* AfxGetControlOwner(const QWidget* control);

// What the template said of a widget it built: the class ("Button", "Edit", "Static" for the predefined
// ordinals, else the class name as written), the style bits and the radio group (items from one WS_GROUP
// item up to the next share a group number).
void AfxSetControlTemplateData(QWidget* widget, const std::u16string& className, DWORD style, int group);
std::u16string AfxGetControlClassName(const QWidget* widget);
DWORD AfxGetControlStyle(const QWidget* widget);
int AfxGetControlGroup(const QWidget* widget);
// The registered name of a predefined class ordinal; empty for an unknown ordinal.
std::u16string AfxGetPredefinedClassName(WORD classOrdinal);

// Sends WM_COMMAND (id, code) / WM_NOTIFY from a control to its owner's message map.
void AfxSendCommandToOwner(QWidget* control, UINT nCode);
LRESULT AfxSendNotifyToOwner(QWidget* control, NMHDR& header);

// Registration of the classes, called once by the window layer's set-up (AfxInitWindowLayer) and by GUI tests.
void AfxRegisterStandardControls();  // button, edit, static, "SysDateTimePick32"
void AfxRegisterListViewControl();   // "SysListView32"
