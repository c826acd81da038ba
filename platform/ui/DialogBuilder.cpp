// The dialog template builder.
#include "platform/ui/DialogBuilder.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "platform/core/Resource.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/CButton.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/DialogFont.h"

namespace {

// A template as it was parsed, with the bytes it was parsed from.
struct ParsedTemplate {
  std::vector<BYTE> bytes;
  std::shared_ptr<const platform::DialogTemplate> dialog;
};

}  // namespace

std::shared_ptr<const platform::DialogTemplate> CDialogTemplateBuilder::Load(UINT id) {
  const auto data = AfxFindResource(RT_DIALOG, static_cast<WORD>(id));
  if (!data) return nullptr;
  // A dialog is built from its template each time it opens: the parse is kept for as long as the resource holds
  // the same bytes.
  static std::map<UINT, ParsedTemplate> parsed;  // the user-interface thread only
  ParsedTemplate& entry = parsed[id];
  if (!entry.dialog || !std::ranges::equal(entry.bytes, *data)) {
    auto dialog = platform::ParseDialogTemplate(*data);
    if (!dialog) {
      parsed.erase(id);
      return nullptr;
    }
    entry.bytes.assign(data->begin(), data->end());
    entry.dialog = std::make_shared<const platform::DialogTemplate>(std::move(*dialog));
  }
  return entry.dialog;
}

QFont CDialogTemplateBuilder::FontOf(const platform::DialogTemplate& dialog) {
  if (!(dialog.style & DS_SETFONT)) return AfxGetDialogFont();
  return AfxGetTemplateFont(dialog.faceName, dialog.pointSize);
}

namespace {

std::u16string ClassNameOf(const platform::DialogItemTemplate& item) {
  return item.windowClass.isOrdinal ? AfxGetPredefinedClassName(item.windowClass.ordinal) : item.windowClass.name;
}

ControlCreateInfo CreateInfoOf(const platform::DialogItemTemplate& item) {
  ControlCreateInfo info;
  info.style = item.style;
  info.exStyle = item.exStyle;
  info.id = item.SignedId();
  info.titleIsOrdinal = item.title.isOrdinal;
  info.titleOrdinal = item.title.isOrdinal ? item.title.ordinal : 0;
  if (!item.title.isOrdinal) info.title = item.title.name;
  return info;
}

bool IsImageStatic(const std::u16string& className, DWORD style) {
  const DWORD type = style & SS_TYPEMASK;
  return className == u"Static" && (type == SS_ICON || type == SS_BITMAP);
}

// Controls whose own window text is no caption: a screen reader learns what they are from a static text.
bool TakesALabel(const std::u16string& className) {
  const QString name = QString::fromStdU16String(className);
  for (const char* labelled : {"Edit", "ComboBox", "ListBox", "SysDateTimePick32", "SysListView32"}) {
    if (name.compare(QLatin1String(labelled), Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

bool IsTextStatic(const platform::DialogItemTemplate& item, const std::u16string& className) {
  return className == u"Static" && !IsImageStatic(className, item.style) && !item.title.isOrdinal &&
         !item.title.name.empty() && (item.style & WS_VISIBLE);
}

// The static text that labels item `index`: of the text statics on its line (their heights overlap) that end
// at or before its left edge, the nearest. Read from the template's layout, since a template may list its
// labels anywhere (a template may list a label after the control it names). -1 when none.
int LabelOf(const platform::DialogTemplate& dialog, const std::vector<std::u16string>& classes, std::size_t index) {
  const platform::DialogItemTemplate& control = dialog.items[index];
  int best = -1;
  for (std::size_t i = 0; i < dialog.items.size(); ++i) {
    const platform::DialogItemTemplate& item = dialog.items[i];
    if (i == index || !IsTextStatic(item, classes[i])) continue;
    const bool sameLine = item.y < control.y + control.cy && control.y < item.y + item.cy;
    if (!sameLine || item.x + item.cx > control.x) continue;
    if (best < 0 || item.x + item.cx > dialog.items[static_cast<std::size_t>(best)].x +
                                           dialog.items[static_cast<std::size_t>(best)].cx) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Names every control that takes a label after its static text, as the screen reader is to speak it.
void NameControlsByTheirLabels(const platform::DialogTemplate& dialog, const std::vector<QWidget*>& widgets) {
  std::vector<std::u16string> classes;
  for (const platform::DialogItemTemplate& item : dialog.items) classes.push_back(ClassNameOf(item));
  for (std::size_t i = 0; i < widgets.size(); ++i) {
    if (!TakesALabel(classes[i]) || !widgets[i]->accessibleName().isEmpty()) continue;
    const int label = LabelOf(dialog, classes, i);
    const auto* text = label >= 0 ? qobject_cast<const QLabel*>(widgets[static_cast<std::size_t>(label)]) : nullptr;
    if (text) widgets[i]->setAccessibleName(text->text());
  }
}

// Puts a control where and as its item says: its rectangle in the template's base units (an icon or bitmap
// static takes the size of its image), shown, enabled and reached by Tab as its style says.
void PlaceAsTemplate(CWnd& owner, QWidget* widget, const platform::DialogItemTemplate& item,
                     const std::u16string& className) {
  RECT rect{item.x, item.y, item.x + item.cx, item.y + item.cy};
  owner.MapDialogRect(&rect);
  widget->setGeometry(rect.left, rect.top, std::max(0, rect.right - rect.left), std::max(0, rect.bottom - rect.top));
  if (IsImageStatic(className, item.style)) {
    const auto* label = qobject_cast<QLabel*>(widget);
    if (label && !label->pixmap().isNull()) widget->resize(label->pixmap().size());
  }
  widget->setHidden(!(item.style & WS_VISIBLE));
  widget->setEnabled(!(item.style & WS_DISABLED));
  if (widget->focusPolicy() != Qt::NoFocus) {
    widget->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// The first item lies on top; Tab visits the tab stops in template order, and each radio group at its place.
void OrderAsTemplate(const std::vector<QWidget*>& widgets) {
  QWidget* previousStop = nullptr;
  std::set<int> radioGroups;  // whose tab stop is set: once for all the group's buttons
  for (QWidget* widget : widgets) {
    widget->lower();
    const bool radio = AfxIsAutoRadioButton(widget);
    if (radio && radioGroups.insert(AfxGetControlGroup(widget)).second) AfxUpdateRadioGroupTabStop(widget);
    if (!(radio || (AfxGetControlStyle(widget) & WS_TABSTOP)) || widget->focusPolicy() == Qt::NoFocus) continue;
    if (previousStop) QWidget::setTabOrder(previousStop, widget);
    previousStop = widget;
  }
}

}  // namespace

std::optional<std::vector<QWidget*>> CDialogTemplateBuilder::Build(CWnd& owner, QWidget* parent,
                                                                   const platform::DialogTemplate& dialog) {
  if (!parent) return std::nullopt;
  const QFont font = FontOf(dialog);
  parent->setFont(font);
  const DialogBaseUnits units = (dialog.style & DS_SETFONT) ? AfxGetTemplateBaseUnits(dialog.faceName, dialog.pointSize)
                                                             : AfxGetDialogBaseUnits();
  owner.m_baseUnitX = units.cx;
  owner.m_baseUnitY = units.cy;

  std::vector<QWidget*> widgets;
  widgets.reserve(dialog.items.size());
  int group = 0;
  for (const platform::DialogItemTemplate& item : dialog.items) {
    const std::u16string className = ClassNameOf(item);
    const ControlFactory factory =
        item.windowClass.isOrdinal ? AfxFindControlClass(item.windowClass.ordinal) : AfxFindControlClass(className);
    QWidget* widget = factory ? factory(CreateInfoOf(item), parent, &owner) : nullptr;
    if (!widget) {
      for (QWidget* made : widgets) delete made;
      return std::nullopt;
    }
    if (item.style & WS_GROUP) ++group;
    AfxSetControlId(widget, item.SignedId());
    AfxSetControlTemplateData(widget, className, item.style, group);
    PlaceAsTemplate(owner, widget, item, className);
    widgets.push_back(widget);
  }
  OrderAsTemplate(widgets);
  NameControlsByTheirLabels(dialog, widgets);
  return widgets;
}

bool CDialogTemplateBuilder::Restore(CWnd& owner, const std::vector<QWidget*>& widgets,
                                     const platform::DialogTemplate& dialog) {
  if (widgets.size() != dialog.items.size()) return false;
  for (std::size_t i = 0; i < widgets.size(); ++i) {
    const platform::DialogItemTemplate& item = dialog.items[i];
    const std::u16string className = ClassNameOf(item);
    const ControlRestorer restore = AfxFindControlRestorer(className);
    if (!restore || !restore(widgets[i], CreateInfoOf(item))) return false;
    AfxSetControlId(widgets[i], item.SignedId());
    AfxSetControlTemplateData(widgets[i], className, item.style, AfxGetControlGroup(widgets[i]));
    PlaceAsTemplate(owner, widgets[i], item, className);
  }
  OrderAsTemplate(widgets);
  return true;
}

QWidget* CDialogTemplateBuilder::FirstTabStop(const std::vector<QWidget*>& widgets) {
  for (QWidget* widget : widgets) {
    if (!(AfxGetControlStyle(widget) & WS_TABSTOP)) continue;
    if (widget->isHidden() || !widget->isEnabled() || widget->focusPolicy() == Qt::NoFocus) continue;
    return widget;
  }
  return nullptr;
}
