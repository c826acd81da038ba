// Registry of control classes, and what the template said of each control.
#include "platform/ui/ControlFactory.h"

#include <QWidget>

#include <map>
#include <unordered_map>

namespace {

// What a widget carries as a control. Kept beside the widget rather than as Qt properties: GetDlgItem, the data
// exchange and the radio groups read it many times while a dialog is built, and a property read by name first
// searches every property the widget's classes declare.
struct ControlData {
  int id = 0;
  std::u16string className;
  DWORD style = 0;
  int group = 0;
};

std::unordered_map<const QObject*, ControlData>& ControlTable() {
  static std::unordered_map<const QObject*, ControlData> table;  // the user-interface thread only
  return table;
}

const ControlData* FindData(const QWidget* widget) {
  if (!widget) return nullptr;
  const auto& table = ControlTable();
  const auto found = table.find(widget);
  return found == table.end() ? nullptr : &found->second;
}

// The widget's entry, made on first use; it goes with the widget.
ControlData& DataOf(QWidget* widget) {
  const auto [entry, made] = ControlTable().try_emplace(widget);
  if (made) QObject::connect(widget, &QObject::destroyed, [](QObject* gone) { ControlTable().erase(gone); });
  return entry->second;
}

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
  ControlRestorer restorer;
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
                             ControlHandleFactory handleFactory, ControlRestorer restorer) {
  if (className.empty() || !factory) return FALSE;
  return Registry().emplace(Fold(className), ControlClass{factory, handleFactory, restorer}).second ? TRUE : FALSE;
}

ControlFactory AfxFindControlClass(const std::u16string& className) {
  const ControlClass* found = FindClass(className);
  return found ? found->factory : nullptr;
}

ControlHandleFactory AfxFindControlHandleFactory(const std::u16string& className) {
  const ControlClass* found = FindClass(className);
  return found ? found->handleFactory : nullptr;
}

ControlRestorer AfxFindControlRestorer(const std::u16string& className) {
  const ControlClass* found = FindClass(className);
  return found ? found->restorer : nullptr;
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
  const ControlData* data = FindData(widget);
  return data ? data->id : 0;
}

void AfxSetControlId(QWidget* widget, int id) {
  if (widget) DataOf(widget).id = id;
}

void AfxSetControlTemplateData(QWidget* widget, const std::u16string& className, DWORD style, int group) {
  if (!widget) return;
  ControlData& data = DataOf(widget);
  data.className = className;
  data.style = style;
  data.group = group;
}

std::u16string AfxGetControlClassName(const QWidget* widget) {
  const ControlData* data = FindData(widget);
  return data ? data->className : std::u16string();
}

DWORD AfxGetControlStyle(const QWidget* widget) {
  const ControlData* data = FindData(widget);
  return data ? data->style : 0;
}

int AfxGetControlGroup(const QWidget* widget) {
  const ControlData* data = FindData(widget);
  return data ? data->group : 0;
}
