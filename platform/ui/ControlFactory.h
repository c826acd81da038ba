// Window classes of dialog templates. The template builder creates each item through the factory registered
// for its class: the predefined ordinals (button, edit, static) and named classes such as "SysListView32" and
// "SysDateTimePick32". A factory creates the widget as a child of `parent`; the widget reports its commands and
// notifications to the window that owns it (the dialog or form view whose message map handles them) with its
// control id. A class may also give the kind of handle (CButton, CListCtrl, ...) that GetDlgItem returns for
// its controls.
#pragma once

#include <memory>
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
// Makes an unattached handle of the class's own kind.
using ControlHandleFactory = std::unique_ptr<CWnd> (*)();
// Puts a control that the class's factory made from `info` back as the factory left it, whatever the user and
// the program did to it since (text, check, caret, undo history, scrolling); its place, visibility, enabling
// and tab stop are the template builder's. False when it cannot: the dialog is then built anew.
using ControlRestorer = bool (*)(QWidget* widget, const ControlCreateInfo& info);

// The handle factory of a control class whose handle is `Handle`.
template <typename Handle>
std::unique_ptr<CWnd> AfxNewControlHandle() {
  return std::make_unique<Handle>();
}

// Class names compare case-insensitively. Returns FALSE when the class is already registered. Without a handle
// factory, GetDlgItem gives a plain CWnd for the class's controls; without a restorer, a dialog that keeps its
// window between runs is built anew when it has a control of the class.
BOOL AfxRegisterControlClass(const std::u16string& className, ControlFactory factory,
                             ControlHandleFactory handleFactory = nullptr, ControlRestorer restorer = nullptr);
ControlFactory AfxFindControlClass(const std::u16string& className);
// The predefined classes by ordinal (0x0080 button, 0x0081 edit, 0x0082 static, ...).
ControlFactory AfxFindControlClass(WORD classOrdinal);
// The handle factory of a registered class; null when the class gave none or is not registered.
ControlHandleFactory AfxFindControlHandleFactory(const std::u16string& className);
// The restorer of a registered class; null when the class gave none or is not registered.
ControlRestorer AfxFindControlRestorer(const std::u16string& className);

// Every widget made from a template carries its control id here; the owner's GetDlgItem finds it by it.
int AfxGetControlId(const QWidget* widget);
void AfxSetControlId(QWidget* widget, int id);

// What the template said of a widget it built: the class ("Button", "Edit", "Static" for the predefined
// ordinals, else the class name as written), the style bits and the radio group (items from one WS_GROUP
// item up to the next share a group number).
void AfxSetControlTemplateData(QWidget* widget, const std::u16string& className, DWORD style, int group);
std::u16string AfxGetControlClassName(const QWidget* widget);
DWORD AfxGetControlStyle(const QWidget* widget);
int AfxGetControlGroup(const QWidget* widget);
// The registered name of a predefined class ordinal; empty for an unknown ordinal.
std::u16string AfxGetPredefinedClassName(WORD classOrdinal);
