#include "tests/ui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

#include <sstream>

#include "platform/ui/ControlFactory.h"
#include "platform/ui/ControlState.h"
#include "platform/ui/StandardControls.h"
#include "res/ProgramResources.h"

namespace guitest {

int RunAllTests(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("TARVELQUIST_LOCALE", "ja_JP");
  QApplication app(argc, argv);
  RegisterTarvelquistResources();
  AfxRegisterStandardControls();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

INT_PTR RunModal(CDialog& dialog, const std::function<void(CDialog&)>& drive) {
  testhooks::ModalHook previous = testhooks::SetModalHook([&drive](CDialog& shown) {
    drive(shown);
    QWidget* window = shown.GetDialogWindow();
    if (window && window->isVisible()) shown.EndDialog(kLeftOpen);
  });
  const INT_PTR result = dialog.DoModal();
  testhooks::SetModalHook(std::move(previous));
  return result;
}

namespace {

void Describe(std::ostringstream& out, const QWidget* widget) {
  out << AfxGetControlId(widget) << ' ' << AfxGetControlText(widget).toStdString() << " check"
      << AfxGetButtonCheck(widget) << " on" << widget->isEnabled() << " shown" << widget->isVisible() << " at"
      << widget->x() << ',' << widget->y() << ',' << widget->width() << 'x' << widget->height() << " tab"
      << widget->focusPolicy() << " focus" << widget->hasFocus();
  if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
    out << " caret" << line->cursorPosition() << " sel" << line->selectedText().toStdString() << " undo"
        << line->isUndoAvailable() << line->isRedoAvailable() << " mod" << line->isModified();
  }
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) {
    out << " caret" << plain->textCursor().position() << '/' << plain->textCursor().anchor() << " undo"
        << plain->document()->isUndoAvailable() << plain->document()->isRedoAvailable() << " scroll"
        << plain->verticalScrollBar()->value() << ',' << plain->horizontalScrollBar()->value();
  }
  if (const auto* date = qobject_cast<const QDateEdit*>(widget)) {
    out << " date" << date->date().toString(Qt::ISODate).toStdString() << " section" << date->currentSectionIndex();
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) out << " down" << button->isDown();
  out << '\n';
}

}  // namespace

DialogLook LookOf(CDialog& shown) {
  std::ostringstream out;
  for (const QWidget* control : shown.GetSafeHwnd()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    Describe(out, control);
  }
  const QWidget* focus = QApplication::focusWidget();
  out << "focus " << (focus ? AfxGetControlId(focus) : 0) << " title "
      << shown.GetDialogWindow()->windowTitle().toStdString() << '\n';
  return {out.str(), shown.GetDialogWindow()->grab().toImage()};
}

bool Activate(QWidget* widget) {
  QWidget* window = widget->window();
  window->show();
  window->activateWindow();
  return QTest::qWaitForWindowActive(window, 2000);
}

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace guitest
