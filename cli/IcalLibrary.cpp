// libical is opened by its shared object's name (TVQ_LIBICAL_SONAME, the one tvq was built against) and each
// function looked up by name; a program that links libical anyway gets the copy it already has.
#include "cli/IcalLibrary.h"

#include <dlfcn.h>

#include <string>
#include <type_traits>

#include "cli/Errors.h"

#ifndef TVQ_LIBICAL_SONAME
#define TVQ_LIBICAL_SONAME "libical.so.3"
#endif

namespace tvqcli {
namespace {

IcalFunctions Load() {
  void* library = ::dlopen(TVQ_LIBICAL_SONAME, RTLD_NOW | RTLD_LOCAL);  // kept loaded until exit
  if (!library) {
    const char* error = ::dlerror();
    throw MissingLibraryError(error ? error : "cannot load " TVQ_LIBICAL_SONAME);
  }
  IcalFunctions functions;
  const auto find = [library](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
    if (!function) throw MissingLibraryError(std::string(TVQ_LIBICAL_SONAME " has no ") + name);
  };
#define TVQ_ICAL_FIND(name) find(functions.name, #name);
  TVQ_ICAL_FUNCTIONS(TVQ_ICAL_FIND)
#undef TVQ_ICAL_FIND
  return functions;
}

}  // namespace

const IcalFunctions& Ical() {
  static const IcalFunctions functions = Load();  // a failed load throws, and the next call tries again
  return functions;
}

}  // namespace tvqcli
