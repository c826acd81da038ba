// Builds the windows of dialog templates: every item becomes the widget of its class, with its id, placed by
// MapDialogRect in the template font's base units as the handheld has them (AfxGetTemplateBaseUnits).
// WS_GROUP starts a radio group (the run of items up to the next WS_GROUP item), template order with
// WS_TABSTOP is the tab order, WS_VISIBLE and WS_DISABLED hold, and the first item lies on top, as on the
// platform.
#pragma once

#include <QFont>
#include <memory>
#include <optional>
#include <vector>

#include "platform/core/DialogTemplate.h"
#include "platform/core/WinTypes.h"

class CWnd;
class QWidget;

class CDialogTemplateBuilder {
 public:
  // Template `id` of the resource module (AfxGetResourceHandle), parsed; null when absent or malformed.
  static std::shared_ptr<const platform::DialogTemplate> Load(UINT id);

  // The template's font: its face and size under DS_SETFONT, else the dialog font.
  static QFont FontOf(const platform::DialogTemplate& dialog);

  // Creates the items as children of `parent` for `owner` (whose message map gets their commands) and gives
  // `owner` the template font's base units (the handheld's, whichever font substitutes). The widgets in
  // template order; nothing when an item's class is not registered or its factory fails (the widgets made so
  // far are deleted).
  static std::optional<std::vector<QWidget*>> Build(CWnd& owner, QWidget* parent,
                                                    const platform::DialogTemplate& dialog);

  // Puts `widgets`, which Build made for `owner` from `dialog`, back as Build left them: each control through
  // its class's restorer, then placed, shown, enabled and ordered as the template says. False when a control
  // cannot be put back (its class has no restorer); the widgets are then to be built anew.
  static bool Restore(CWnd& owner, const std::vector<QWidget*>& widgets, const platform::DialogTemplate& dialog);

  // The first item with WS_TABSTOP that is visible and enabled (where the focus goes first), or null.
  static QWidget* FirstTabStop(const std::vector<QWidget*>& widgets);
};
