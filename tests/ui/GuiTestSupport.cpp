#include "tests/ui/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

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
