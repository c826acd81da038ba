// Registry of control classes, control ids and the delivery of control messages to their owner.
#include "platform/ui/ControlFactory.h"

#include <QVariant>
#include <QWidget>

#include <map>

#include "platform/ui/CWnd.h"
#include "platform/ui/StandardControls.h"

namespace {

constexpr const char* kIdProperty = "afxControlId";
constexpr const char* kClassProperty = "afxControlClass";
constexpr const char* kStyleProperty = "afxControlStyle";
constexpr const char* kGroupProperty = "afxControlGroup";

// Class names compare case-insensitively (ASCII), as the platform does.
std::u16string Fold(const std::u16string& name) {
  std::u16string folded = name;
  for (char16_t& unit : folded) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  }
  return folded;
}

std::map<std::u16string, ControlFactory>& Registry() {
  static std::map<std::u16string, ControlFactory> registry;
  return registry;
}

}  // namespace

BOOL AfxRegisterControlClass(const std::u16string& className, ControlFactory factory) {
  if (className.empty() || !factory) return FALSE;
  return Registry().emplace(Fold(className), factory).second ? TRUE : FALSE;
}

ControlFactory AfxFindControlClass(const std::u16string& className) {
  const auto found = Registry().find(Fold(className));
  return found == Registry().end() ? nullptr : found->second;
}

std::u16string AfxGetPredefinedClassName(WORD classOrdinal) {
  switch (classOrdinal) {
    case 0x0080: return u"Button";
    case 0x0081: return u"Edit";
    case 0x0082: return u"Static";
    case 0x0083: return u"ListBox";
    case 0x0084: return u"ScrollBar";
    case 0x0085: return u"ComboBox";
    default: return {};
  }
}

ControlFactory AfxFindControlClass(WORD classOrdinal) {
  const std::u16string name = AfxGetPredefinedClassName(classOrdinal);
  return name.empty() ? nullptr : AfxFindControlClass(name);
}

int AfxGetControlId(const QWidget* widget) {
  return widget ? widget->property(kIdProperty).toInt() : 0;
}

void AfxSetControlId(QWidget* widget, int id) {
  if (widget) widget->setProperty(kIdProperty, id);
}

void AfxSetControlTemplateData(QWidget* widget, const std::u16string& className, DWORD style, int group) {
  if (!widget) return;
  widget->setProperty(kClassProperty, QString::fromStdU16String(className));
  widget->setProperty(kStyleProperty, QVariant::fromValue<quint32>(style));
  widget->setProperty(kGroupProperty, group);
}

std::u16string AfxGetControlClassName(const QWidget* widget) {
  return widget ? widget->property(kClassProperty).toString().toStdU16String() : std::u16string();
}

DWORD AfxGetControlStyle(const QWidget* widget) {
  return widget ? widget->property(kStyleProperty).value<quint32>() : 0;
}

int AfxGetControlGroup(const QWidget* widget) {
  return widget ? widget->property(kGroupProperty).toInt() : 0;
}

CWnd* AfxGetControlOwner(const QWidget* control) {
  for (const QWidget* widget = control ? control->parentWidget() : nullptr; widget; widget = widget->parentWidget()) {
    if (CWnd* owner = CWnd::FromHandlePermanent(const_cast<QWidget*>(widget))) return owner;
  }
  return nullptr;
}

void AfxSendCommandToOwner(QWidget* control, UINT nCode) {
  CWnd* owner = AfxGetControlOwner(control);
  if (!owner) return;
  owner->OnCommand(static_cast<UINT>(AfxGetControlId(control)), nCode);
}

LRESULT AfxSendNotifyToOwner(QWidget* control, NMHDR& header) {
  header.hwndFrom = control;
  header.idFrom = static_cast<UINT_PTR>(static_cast<UINT>(AfxGetControlId(control)));
  CWnd* owner = AfxGetControlOwner(control);
  if (!owner) return 0;
  LRESULT result = 0;
  owner->OnNotify(&header, &result);
  return result;
}

void AfxRegisterStandardControls() {
  AfxRegisterControlClass(u"Button", &AfxCreateButtonControl);
  AfxRegisterControlClass(u"Edit", &AfxCreateEditControl);
  AfxRegisterControlClass(u"Static", &AfxCreateStaticControl);
  AfxRegisterControlClass(u"SysDateTimePick32", &AfxCreateDateTimePickerControl);
}
