// Control text and check state over the control's widget.
#include "platform/ui/ControlState.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/core/WinStyles.h"

namespace {

// A write of `text` would leave the edit as it is: that text, just written (nothing selected, nothing to undo or
// redo, the caret at the end, not modified). The dialogs write every member back several times as they open.
bool AsJustWritten(const QLineEdit& line, const QString& text) {
  return !line.isModified() && !line.hasSelectedText() && !line.isUndoAvailable() && !line.isRedoAvailable() &&
         line.cursorPosition() == text.size() && line.text() == text;
}

}  // namespace

void AfxSetControlText(QWidget* widget, const QString& text) {
  if (!widget) return;
  if (auto* control = dynamic_cast<CTextControl*>(widget)) {
    control->SetControlText(text);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->setPlainText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    if (!AsJustWritten(*line, text)) line->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else {
    widget->setWindowTitle(text);
  }
}

QString AfxGetControlText(const QWidget* widget) {
  if (!widget) return {};
  if (const auto* control = dynamic_cast<const CTextControl*>(widget)) return control->GetControlText();
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) return plain->toPlainText();
  if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return line->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* box = qobject_cast<const QGroupBox*>(widget)) return box->title();
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) return spin->text();
  return widget->windowTitle();
}

std::optional<FittedText> AfxGetControlTextFit(const QWidget* widget) {
  const auto* control = dynamic_cast<const CTextControl*>(widget);
  return control ? control->GetTextFit() : std::nullopt;
}

UINT AfxGetButtonCheck(const QWidget* widget) {
  const auto* button = qobject_cast<const QAbstractButton*>(widget);
  return button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void AfxDropFocusLook(QWidget* widget) {
  if (!widget || widget->hasFocus()) return;
  QFocusEvent lost(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(widget, &lost);
}

void AfxSetButtonCheck(QWidget* widget, UINT check) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (button && button->isCheckable()) button->setChecked(check == BST_CHECKED);
}
