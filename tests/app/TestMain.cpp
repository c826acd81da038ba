// The application-shell tests run on Qt's offscreen platform with the program's resources and the window
// layer set up as the program sets them up; each test answers the message boxes and prompts itself.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ui/AfxWin.h"
#include "res/ProgramResources.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  RegisterTarvelquistResources();
  QApplication app(argc, argv);
  AfxInitWindowLayer(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
