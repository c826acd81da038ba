// The tarvelquist program: the resources, the one application object, and the framework's main.
#include "app/CTarvelquistApp.h"
#include "platform/ui/AfxWin.h"
#include "res/ProgramResources.h"

namespace {

CTarvelquistApp theApp;

}  // namespace

int main(int argc, char** argv) {
  RegisterTarvelquistResources();
  return AfxWinMain(argc, argv);
}
