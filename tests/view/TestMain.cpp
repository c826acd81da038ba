// GUI tests run on Qt's offscreen platform with one application object for the whole run, the window layer set
// up as the program sets it up, the program's resources, and throw-away settings and documents folders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "platform/ui/AfxWin.h"
#include "res/ProgramResources.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
  qputenv("XDG_DOCUMENTS_DIR", QDir(home.path()).filePath("documents").toUtf8());
  QApplication app(argc, argv);
  AfxInitWindowLayer(app);
  RegisterTarvelquistResources();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
