// The four exports through which a host registers the library and creates its objects.

#include "addin/classes.h"

#include <dlfcn.h>

namespace {

using namespace tavro;

std::string libraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&libraryPath), &info) && info.dli_fname)
    return std::filesystem::weakly_canonical(info.dli_fname).string();
  return {};
}

com::ServerModule& module() {
  static com::ServerModule server(addin::publicClasses(), libraryPath());
  return server;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) com::HResult DllRegisterServer() {
  try {
    com::Registry registry;
    return module().registerServer(registry);
  } catch (...) {
    return com::hrSelfRegClass;
  }
}

__attribute__((visibility("default"))) com::HResult DllUnregisterServer() {
  try {
    com::Registry registry;
    return module().unregisterServer(registry);
  } catch (...) {
    return com::hrSelfRegClass;
  }
}

__attribute__((visibility("default"))) com::HResult DllGetClassObject(const char* progId, com::ClassFactory** factory) {
  try {
    return module().getClassObject(progId, factory);
  } catch (...) {
    return com::hrFail;
  }
}

__attribute__((visibility("default"))) com::HResult DllCanUnloadNow() { return com::ServerModule::canUnloadNow(); }

} // extern "C"
