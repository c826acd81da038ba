#include "tests/ui/GuiTestSupport.h"

int main(int argc, char** argv) { return guitest::RunAllTests(argc, argv); }
