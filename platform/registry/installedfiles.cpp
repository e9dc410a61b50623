#include "platform/registry/installedfiles.h"

#include <filesystem>
#include <system_error>

// Set by the build from the install layout; the defaults match GNUInstallDirs' defaults.
#ifndef TAVRO_ADDIN_DIR_FROM_BIN
#define TAVRO_ADDIN_DIR_FROM_BIN "../lib/tavro"
#endif
#ifndef TAVRO_HELPER_DIR_FROM_BIN
#define TAVRO_HELPER_DIR_FROM_BIN "../libexec/tavro"
#endif

namespace tavro::com {

namespace stdfs = std::filesystem;

std::string runningProgramFolder() {
  std::error_code ec;
  const stdfs::path self = stdfs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

std::optional<std::string> findShippedFile(const std::string& programFolder, const std::string& name,
                                           const std::string& installedRelative) {
  if (programFolder.empty() || name.empty())
    return std::nullopt;
  const stdfs::path folder(programFolder);
  for (const stdfs::path& candidate : {folder / name, folder / installedRelative / name}) {
    std::error_code ec;
    if (stdfs::is_regular_file(candidate, ec))
      return stdfs::weakly_canonical(candidate, ec).string();
  }
  return std::nullopt;
}

std::optional<std::string> findAddinLibrary() {
  return findShippedFile(runningProgramFolder(), "libtavro.so", TAVRO_ADDIN_DIR_FROM_BIN);
}

std::optional<std::string> findFtpStarter() {
  return findShippedFile(runningProgramFolder(), "BraskFTP.exe", TAVRO_HELPER_DIR_FROM_BIN);
}

bool linkInto(const std::string& folder, const std::string& name, const std::string& target) {
  const stdfs::path link = stdfs::path(folder) / name;
  std::error_code ec;
  if (stdfs::exists(link, ec))
    return true;
  // Nothing usable there: a link that leads nowhere (an older install, a removed build) goes.
  if (stdfs::is_symlink(stdfs::symlink_status(link, ec)))
    stdfs::remove(link, ec);
  stdfs::create_directories(folder, ec);
  ec.clear();
  stdfs::create_symlink(target, link, ec);
  return !ec;
}

} // namespace tavro::com
