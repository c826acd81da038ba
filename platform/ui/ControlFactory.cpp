// Registry of control classes, and what the template said of each control.
#include "platform/ui/ControlFactory.h"

#include <QVariant>
#include <QWidget>

#include <map>

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

struct ControlClass {
  ControlFactory factory;
  ControlHandleFactory handleFactory;
};

std::map<std::u16string, ControlClass>& Registry() {
  static std::map<std::u16string, ControlClass> registry;
  return registry;
}

const ControlClass* FindClass(const std::u16string& className) {
  const auto found = Registry().find(Fold(className));
  return found == Registry().end() ? nullptr : &found->second;
}

}  // namespace

BOOL AfxRegisterControlClass(const std::u16string& className, ControlFactory factory,
                             ControlHandleFactory handleFactory) {
  if (className.empty() || !factory) return FALSE;
  return Registry().emplace(Fold(className), ControlClass{factory, handleFactory}).second ? TRUE : FALSE;
}

ControlFactory AfxFindControlClass(const std::u16string& className) {
  const ControlClass* found = FindClass(className);
  return found ? found->factory : nullptr;
}

ControlHandleFactory AfxFindControlHandleFactory(const std::u16string& className) {
  const ControlClass* found = FindClass(className);
  return found ? found->handleFactory : nullptr;
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
