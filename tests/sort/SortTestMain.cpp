// The sort tests run with the program's own settings: the ja_JP short date (yyyy/MM/dd) and code page 932, so
// the date keys and the empty-value mark (U+FF9F) are fixed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/core/Locale.h"

int main(int argc, char** argv) {
  setenv("TARVELQUIST_LOCALE", "ja_JP", 1);
  unsetenv("TARVELQUIST_ACP");
  platform::ReloadLocaleSettings();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
