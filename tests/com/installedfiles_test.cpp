// Finding the shipped files from a program's folder, in a build folder and in installed trees,
// and linking the FTP starter into the host's application folder.

#include "platform/registry/installedfiles.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tavro;
namespace stdfs = std::filesystem;

namespace {

void touch(const stdfs::path& file) {
  stdfs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

} // namespace

TEST(ShippedFiles, BesideTheProgramThenInTheInstalledFolder) {
  test::TempDir dir;
  const stdfs::path prefix = dir.path() / "usr";
  touch(prefix / "lib/tavro/libtavro.so");
  stdfs::create_directories(prefix / "bin");

  // Installed: found below the program's folder, the ".." taken out of the path.
  EXPECT_EQ(com::findShippedFile((prefix / "bin").string(), "libtavro.so", "../lib/tavro"),
            stdfs::weakly_canonical(prefix / "lib/tavro/libtavro.so").string());

  // A build folder holds it beside the program, which wins over an installed copy.
  touch(prefix / "bin/libtavro.so");
  EXPECT_EQ(com::findShippedFile((prefix / "bin").string(), "libtavro.so", "../lib/tavro"),
            stdfs::weakly_canonical(prefix / "bin/libtavro.so").string());

  // Neither place, a folder of that name, or no program folder: nothing.
  EXPECT_EQ(com::findShippedFile((prefix / "bin").string(), "libother.so", "../lib/tavro"), std::nullopt);
  stdfs::create_directories(prefix / "lib/tavro/BraskFTP.exe");
  EXPECT_EQ(com::findShippedFile((prefix / "bin").string(), "BraskFTP.exe", "../lib/tavro"), std::nullopt);
  EXPECT_EQ(com::findShippedFile("", "libtavro.so", "../lib/tavro"), std::nullopt);
}

TEST(ShippedFiles, LinkKeepsAWorkingFileAndReplacesADanglingLink) {
  test::TempDir dir;
  const std::string app = dir.file("app");
  touch(dir.path() / "starter");
  touch(dir.path() / "other");

  // A missing folder is made and the link leads to the starter.
  ASSERT_TRUE(com::linkInto(app, "BraskFTP.exe", dir.file("starter")));
  EXPECT_EQ(stdfs::read_symlink(stdfs::path(app) / "BraskFTP.exe"), dir.path() / "starter");

  // A link that works stays as it is.
  ASSERT_TRUE(com::linkInto(app, "BraskFTP.exe", dir.file("other")));
  EXPECT_EQ(stdfs::read_symlink(stdfs::path(app) / "BraskFTP.exe"), dir.path() / "starter");

  // Its target gone (a removed build, an older install), the link is made anew.
  stdfs::remove(dir.path() / "starter");
  ASSERT_TRUE(com::linkInto(app, "BraskFTP.exe", dir.file("other")));
  EXPECT_EQ(stdfs::read_symlink(stdfs::path(app) / "BraskFTP.exe"), dir.path() / "other");

  // A user's own program of that name is never replaced.
  stdfs::remove(stdfs::path(app) / "BraskFTP.exe");
  touch(stdfs::path(app) / "BraskFTP.exe");
  ASSERT_TRUE(com::linkInto(app, "BraskFTP.exe", dir.file("other")));
  EXPECT_FALSE(stdfs::is_symlink(stdfs::path(app) / "BraskFTP.exe"));
}
