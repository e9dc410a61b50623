// tavro register / tavro unregister: run the add-in library's own registration exports.

#include "app/cli/addinlibrary.h"
#include "app/cli/command.h"

#include "platform/fs/filesystem.h"
#include "platform/registry/activation.h"
#include "platform/registry/installedfiles.h"

#include <cstdio>
#include <cstdlib>

namespace tavro::cli {

std::string addinLibraryPath() {
  if (const char* explicitPath = std::getenv("TAVRO_LIBRARY"); explicitPath && *explicitPath) {
    if (!fs::fileExists(explicitPath))
      throw UserError(std::string("the add-in library named by TAVRO_LIBRARY does not exist: '") + explicitPath + "'");
    return fs::getAbsolutePathName(explicitPath);
  }
  if (auto found = com::findAddinLibrary())
    return *found;
  throw UserError("cannot find the add-in library libtavro.so beside this program or in the installed add-in "
                  "folder; set TAVRO_LIBRARY");
}

namespace {

int runExport(const char* exportName, const char* verb) {
  std::string path = addinLibraryPath();
  void* library = com::loadLibrary(path);
  auto fn = reinterpret_cast<com::HResult (*)()>(com::librarySymbol(library, exportName));
  if (!fn)
    throw UserError("'" + path + "' does not export " + exportName);
  com::HResult hr = fn();
  if (hr != com::hrOk) {
    std::fprintf(stderr, "tavro: %s failed for '%s' (0x%08X); registry: %s\n", exportName, path.c_str(), unsigned(hr),
                 com::Registry::defaultPath().c_str());
    return exitFailure;
  }
  std::printf("%s %s in %s\n", verb, path.c_str(), com::Registry::defaultPath().c_str());
  return exitOk;
}

Registrar reg(HelpPlace::Register, [](CLI::App& app, int* exitCode) {
  app.add_subcommand("register", "Register the add-in's classes (Tavro.wizard ...) in the class registry")
      ->callback([exitCode] { *exitCode = runExport("DllRegisterServer", "registered"); });
});

Registrar unreg(HelpPlace::Unregister, [](CLI::App& app, int* exitCode) {
  app.add_subcommand("unregister", "Remove the add-in's classes from the class registry")->callback([exitCode] {
    *exitCode = runExport("DllUnregisterServer", "unregistered");
  });
});

} // namespace
} // namespace tavro::cli
