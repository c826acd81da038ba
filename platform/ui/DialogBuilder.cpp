// The dialog template builder.
#include "platform/ui/DialogBuilder.h"

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "platform/core/Resource.h"
#include "platform/core/WinStyles.h"
#include "platform/ui/ControlFactory.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/DialogFont.h"

std::optional<platform::DialogTemplate> CDialogTemplateBuilder::Load(UINT id) {
  const auto data = AfxFindResource(RT_DIALOG, static_cast<WORD>(id));
  if (!data) return std::nullopt;
  return platform::ParseDialogTemplate(*data);
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

    RECT rect{item.x, item.y, item.x + item.cx, item.y + item.cy};
    owner.MapDialogRect(&rect);
    widget->setGeometry(rect.left, rect.top, std::max(0, rect.right - rect.left), std::max(0, rect.bottom - rect.top));
    // An icon or bitmap static takes the size of its image.
    if (IsImageStatic(className, item.style)) {
      const auto* label = qobject_cast<QLabel*>(widget);
      if (label && !label->pixmap().isNull()) widget->resize(label->pixmap().size());
    }
    widget->setHidden(!(item.style & WS_VISIBLE));
    widget->setEnabled(!(item.style & WS_DISABLED));
    if (widget->focusPolicy() != Qt::NoFocus) {
      widget->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    }
    widgets.push_back(widget);
  }

  // The first item lies on top; Tab visits the tab stops in template order.
  QWidget* previousStop = nullptr;
  for (QWidget* widget : widgets) {
    widget->lower();
    if (!(AfxGetControlStyle(widget) & WS_TABSTOP) || widget->focusPolicy() == Qt::NoFocus) continue;
    if (previousStop) QWidget::setTabOrder(previousStop, widget);
    previousStop = widget;
  }
  return widgets;
}

QWidget* CDialogTemplateBuilder::FirstTabStop(const std::vector<QWidget*>& widgets) {
  for (QWidget* widget : widgets) {
    if (!(AfxGetControlStyle(widget) & WS_TABSTOP)) continue;
    if (widget->isHidden() || !widget->isEnabled() || widget->focusPolicy() == Qt::NoFocus) continue;
    return widget;
  }
  return nullptr;
}
