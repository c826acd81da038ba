// The state a control's widget shows, as the platform's messages read and write it whatever widget stands for
// the control: its text (WM_SETTEXT, WM_GETTEXT), how that text fits its box, and a button's check
// (BM_SETCHECK, BM_GETCHECK).
#pragma once

#include <optional>

#include <QString>

#include "platform/core/WinTypes.h"
#include "platform/ui/TextFit.h"

class QWidget;

// A control widget that keeps its text its own way (a multi-line edit's line breaks, a static's ampersands) or
// fits it to its box. The platform's own control widgets implement it; other widgets are read as Qt has them.
class CTextControl {
 public:
  virtual QString GetControlText() const = 0;
  virtual void SetControlText(const QString& text) = 0;
  // How the text is drawn in the box now; nothing when it is not fitted (it wraps, or there is no text to fit).
  virtual std::optional<FittedText> GetTextFit() const { return std::nullopt; }

 protected:
  ~CTextControl() = default;
};

// The text a control shows: a button's or static's title (with its ampersands as written), an edit's contents,
// the picker's text, else the window title. Setting a multi-line edit's text sends no EN_CHANGE (as on the
// platform); a single-line edit's does.
void AfxSetControlText(QWidget* widget, const QString& text);
QString AfxGetControlText(const QWidget* widget);

// How a static text (of a one-line box), a button, a check box or a radio button draws its text in its box
// now: whole, condensed or elided (TextFit.h). Nothing for other controls and for statics that wrap.
std::optional<FittedText> AfxGetControlTextFit(const QWidget* widget);

// A button's check (BST_CHECKED or BST_UNCHECKED). Setting it does nothing to a button that cannot be checked.
UINT AfxGetButtonCheck(const QWidget* widget);
void AfxSetButtonCheck(QWidget* widget, UINT check);

// A control of a window that was hidden with the focus in it may go on looking focused (its caret shown), since
// a hidden window loses the focus unseen. This lets it go, as the window's losing the focus would.
void AfxDropFocusLook(QWidget* widget);
