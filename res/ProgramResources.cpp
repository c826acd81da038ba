// The embedded .res image (generated from tarvelquist.rc at build time) as the program's resource module.
#include "res/ProgramResources.h"

#include <cstddef>
#include <span>

#include "platform/core/Locale.h"

extern const unsigned char kTarvelquistRes[];
extern const std::size_t kTarvelquistResSize;

HINSTANCE TarvelquistResources() {
  static const CResourceModule module(std::span<const BYTE>(kTarvelquistRes, kTarvelquistResSize));
  return &module;
}

void RegisterTarvelquistResources() {
  AfxSetResourceHandle(TarvelquistResources());
  platform::SetLocaleVariablePrefix(kTarvelquistLocalePrefix);
}
