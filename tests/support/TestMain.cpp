// The test programs of the task data run with the program's own settings: a private configuration folder (never
// the user's), the ja_JP user locale and code page 932, so that date texts and the empty-value mark are fixed.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/core/Locale.h"
#include "tests/support/Files.h"
#include "tests/support/Framework.h"

int main(int argc, char** argv) {
  const tvqtest::TempDir config;
  setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
  setenv(tvqtest::LocaleVariable("LOCALE").c_str(), "ja_JP", 1);
  unsetenv(tvqtest::LocaleVariable("ACP").c_str());
  tvqtest::UseTheProgramsLocaleVariables();
  platform::ReloadLocaleSettings();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
