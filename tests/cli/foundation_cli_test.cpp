// The command line tool as a user or script meets it: output, messages and exit statuses.

#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using test::runTavro;
namespace stdfs = std::filesystem;

TEST(CliBasics, HelpVersionAndUsageErrors) {
  auto help = runTavro({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* command : {"register", "unregister", "catalogue", "project"})
    EXPECT_NE(help.out.find(command), std::string::npos) << command;
  auto version = runTavro({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("tavro ", 0), 0u);
  EXPECT_EQ(runTavro({}).exitCode, 2);
  EXPECT_EQ(runTavro({"fly"}).exitCode, 2);
  EXPECT_EQ(runTavro({"project", "list"}).exitCode, 2);
}

TEST(CliBasics, CatalogueListsTheFourEntriesInOrder) {
  auto r = runTavro({"catalogue"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "101\tImport\tImport Document ...\tImport document into current project\t101\n"
                   "102\tExport\tExport Document ...\tExport document from current project\t102\n"
                   "103\tFtp\tTrell Ftp ...\tFtp Client Utility\t103\n"
                   "104\tImage\tImage Converter ...\tConvert Images\t104\n");
}

TEST(CliBasics, RegisterAndUnregisterRunTheLibraryExports) {
  test::TempDir dir;
  const std::string env = "TAVRO_REGISTRY=" + dir.file("registry");
  auto reg = runTavro({"register"}, {env});
  EXPECT_EQ(reg.exitCode, 0) << reg.err;
  const std::string text = test::readFile(dir.path() / "registry");
  EXPECT_NE(text.find("Tavro.wizard\t"), std::string::npos);
  EXPECT_NE(text.find("libtavro.so"), std::string::npos);
  EXPECT_EQ(runTavro({"unregister"}, {env}).exitCode, 0);
  EXPECT_EQ(test::readFile(dir.path() / "registry").find("Tavro.wizard"), std::string::npos);

  // A registry that cannot be written, a library that is not there, and a file that is no library.
  test::writeFile(dir.path() / "plain", "x");
  const std::pair<std::vector<std::string>, std::string> failed[] = {
      {{"TAVRO_REGISTRY=" + dir.file("plain/registry")}, "DllRegisterServer failed for '"},
      {{env, "TAVRO_LIBRARY=" + dir.file("none.so")}, "TAVRO_LIBRARY does not exist: '" + dir.file("none.so")},
      {{env, "TAVRO_LIBRARY=" + dir.file("plain")}, "cannot load '" + dir.file("plain") + "'"},
  };
  for (const auto& [environment, said] : failed) {
    auto r = runTavro({"register"}, environment);
    EXPECT_EQ(r.exitCode, 1) << said;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  }
  EXPECT_EQ(test::readFile(dir.path() / "plain"), "x");
}

TEST(CliProject, NewListAddAndBadInput) {
  test::TempDir dir;
  const std::string project = dir.file("site");
  auto made = runTavro({"project", "new", project, "Site"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_TRUE(stdfs::exists(dir.path() / "site" / "Site.wmlproj"));
  EXPECT_EQ(runTavro({"project", "list", project}).out, "");

  // A deck from elsewhere is copied in and added; one already in the folder is just added.
  auto sample = (test::sourceDir() / "samples" / "project" / "timetable.wml").string();
  auto added = runTavro({"project", "add", project, sample});
  EXPECT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(test::readFile(dir.path() / "site" / "timetable.wml"), test::readFile(sample));
  test::writeFile(dir.path() / "site" / "home.wml", "<wml><card/></wml>");
  EXPECT_EQ(runTavro({"project", "add", project, dir.file("site/home.wml")}).exitCode, 0);
  EXPECT_EQ(runTavro({"project", "list", project}).out, "timetable\twml\nhome\twml\n");

  // Refused with a one-line message that names what is wrong, and nothing changes: the same
  // name again, a deck that is not well-formed, no file, a folder, no deck, no project, a second
  // project.
  const std::string manifest = test::readFile(dir.path() / "site" / "Site.wmlproj");
  test::writeFile(dir.path() / "broken.wml", "<wml>\n<card>\n</wml>");
  test::writeFile(dir.path() / "page.html", "<html/>");
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"project", "add", project, sample}, "timetable.wml"},
      {{"project", "add", project, dir.file("broken.wml")}, "broken.wml' is not well-formed XML (line 3)"},
      {{"project", "add", project, dir.file("missing.wml")}, "no such file: '" + dir.file("missing.wml")},
      {{"project", "add", project, dir.str()}, "' is a folder, not a WML deck"},
      {{"project", "add", project, dir.file("page.html")}, "page.html"},
      {{"project", "list", dir.file("nowhere")}, "nowhere"},
      {{"project", "new", project, "Again"}, "already holds a project"},
  };
  for (const auto& [args, named] : refused) {
    auto r = runTavro(args);
    EXPECT_EQ(r.exitCode, 1) << named;
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_FALSE(stdfs::exists(dir.path() / "site" / "broken.wml"));
  EXPECT_EQ(test::readFile(dir.path() / "site" / "Site.wmlproj"), manifest);
}
