#include "resources/resources.h"
#include "tests/export/exporttestsupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace tavro;
using test::TempDir;

namespace {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built tool with the arguments; standard output and error go to files in scratch, or
// standard error to errPath when given (a terminal, for instance).
ToolRun runTool(const std::vector<std::string>& args, const TempDir& scratch, const std::string& errPath = "") {
  std::string tool = (test::buildDir() / "tavro").string();
  std::vector<std::string> all{tool};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  const std::string outFile = scratch.file("stdout.txt");
  const std::string errFile = errPath.empty() ? scratch.file("stderr.txt") : errPath;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(),
                                   errPath.empty() ? O_WRONLY | O_CREAT | O_TRUNC : O_WRONLY | O_NOCTTY, 0644);
  pid_t pid = -1;
  ToolRun run;
  if (posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  run.out = test::readFile(outFile);
  if (errPath.empty())
    run.err = test::readFile(errFile);
  return run;
}

bool haveExportStylesheet() { return resources::contains("WMLEXPORT", "101"); }

#define NEED_EXPORT_STYLESHEET()                                                                                       \
  if (!haveExportStylesheet())                                                                                         \
  GTEST_SKIP() << "the WMLEXPORT stylesheet is not embedded in this build"

} // namespace

TEST(ExportCommand, UsageAndSetupFailures) {
  TempDir scratch;
  EXPECT_EQ(runTool({"export"}, scratch).status, 2);

  ToolRun missing = runTool({"export", "--project", scratch.file("nosuch")}, scratch);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("tavro: project folder not found: '" + scratch.file("nosuch") + "'"), std::string::npos)
      << missing.err;

  TempDir dir;
  test::makeProject(dir.str(), {{"index", test::deck("A", "")}});
  // A missing output folder is made, with its parents; a file in its way, or a folder where
  // the page would go, is named.
  ToolRun made = runTool({"export", "--project", dir.str(), "--out", dir.file("new/deeper")}, scratch);
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("new/deeper/index.html")));
  test::writeFile(dir.path() / "file", "x");
  ToolRun blocked = runTool({"export", "--project", dir.str(), "--out", dir.file("file/out")}, scratch);
  EXPECT_EQ(blocked.status, 1);
  EXPECT_EQ(blocked.err, "tavro: not a folder: '" + dir.file("file") + "'\n");
  std::filesystem::create_directories(dir.path() / "taken" / "index.html");
  ToolRun folder = runTool({"export", "--project", dir.str(), "--out", dir.file("taken")}, scratch);
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "tavro: cannot write '" + dir.file("taken/index.html") + "': Is a directory\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("index.html")));
}

TEST(ExportCommand, EmptyProjectExportsNothing) {
  TempDir scratch, dir;
  test::makeProject(dir.str(), {});
  ToolRun run = runTool({"export", "--project", dir.str()}, scratch);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "Project currently contains no documents\n");
}

namespace {

// A project in dir with a deck showing a picture, a plain deck and a deck that is not XML.
void sampleProject(const TempDir& dir) {
  test::makeProject(dir.str(), {{"index", test::deck("Home", "<p>Hi <img src=\"images/logo.wbmp\" alt=\"logo\"/></p>")},
                                {"about", test::deck("About", "<p>Us</p>")},
                                {"broken", "<wml><card>"}});
}

std::string unableMessage(const std::string& name) {
  return "Velmor Professional: Unable to export document " + name + ".\nPlease ensure the content is valid.\n";
}

} // namespace

TEST(ExportCommand, ExportsNamedDocumentsAndReportsTheRest) {
  NEED_EXPORT_STYLESHEET();
  TempDir scratch, dir, out;
  sampleProject(dir);
  ToolRun run =
      runTool({"export", "--project", dir.str(), "--out", out.str(), "index", "broken", "gone", "index"}, scratch);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, unableMessage("broken") + unableMessage("gone"));
  EXPECT_EQ(run.out, "");
  std::string html = test::readFile(out.file("index.html"));
  EXPECT_NE(html.find("title=\"Home\""), std::string::npos) << html;
  EXPECT_EQ(html.find("<img"), std::string::npos) << html;
  EXPECT_FALSE(std::filesystem::exists(out.file("about.html")));
  EXPECT_FALSE(std::filesystem::exists(out.file("broken.html")));
  EXPECT_FALSE(std::filesystem::exists(out.file("gone.html")));
}

TEST(ExportCommand, ExportsEveryDocumentWithImagesIntoTheProjectFolder) {
  NEED_EXPORT_STYLESHEET();
  TempDir scratch, dir;
  test::makeProject(dir.str(), {{"index", test::deck("Home", "<p>Hi <img src=\"images/logo.wbmp\" alt=\"logo\"/></p>")},
                                {"about", test::deck("About", "<p>Us</p>")}});
  ToolRun run = runTool({"export", "--project", dir.str(), "--images"}, scratch);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::string html = test::readFile(dir.file("index.html"));
  EXPECT_NE(html.find("src=\"images/logo.wbmp\""), std::string::npos) << html;
  EXPECT_NE(test::readFile(dir.file("about.html")).find("title=\"About\""), std::string::npos);
}

TEST(ExportCommand, ReplacesExistingFilesOnlyWithOverwrite) {
  NEED_EXPORT_STYLESHEET();
  TempDir scratch, dir;
  test::makeProject(dir.str(), {{"index", test::deck("Home", "")}, {"about", test::deck("About", "")}});
  test::writeFile(dir.file("index.html"), "keep me");

  ToolRun kept = runTool({"export", "--project", dir.str()}, scratch);
  EXPECT_EQ(kept.status, 1);
  EXPECT_EQ(kept.err, "The file index.html already exists. Overwrite this file ?\ntavro: '" + dir.file("index.html") +
                          "' not replaced (use --overwrite to replace it)\n");
  EXPECT_EQ(test::readFile(dir.file("index.html")), "keep me");
  std::string about = test::readFile(dir.file("about.html"));

  ToolRun replaced = runTool({"export", "--project", dir.str(), "--overwrite"}, scratch);
  EXPECT_EQ(replaced.status, 0);
  EXPECT_EQ(replaced.err, "The file index.html already exists. Overwrite this file ?\n"
                          "The file about.html already exists. Overwrite this file ?\n");
  EXPECT_NE(test::readFile(dir.file("index.html")).find("title=\"Home\""), std::string::npos);
  EXPECT_EQ(test::readFile(dir.file("about.html")), about);
}

TEST(ExportCommand, ShowsProgressWhenStandardErrorIsATerminal) {
  NEED_EXPORT_STYLESHEET();
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    if (master >= 0)
      ::close(master);
    GTEST_SKIP() << "no pseudo-terminal available";
  }
  std::string terminal = ::ptsname(master);
  TempDir scratch, dir;
  test::makeProject(dir.str(), {{"index", test::deck("Home", "")}, {"about", test::deck("About", "")}});

  ToolRun run = runTool({"export", "--project", dir.str()}, scratch, terminal);
  EXPECT_EQ(run.status, 0);
  std::string shown;
  ::fcntl(master, F_SETFL, O_NONBLOCK);
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, std::size_t(n));
  ::close(master);
  EXPECT_EQ(shown, "[1/2] index -> " + dir.file("index.html") + "\r\n" + //
                       "[2/2] about -> " + dir.file("about.html") + "\r\n");
}
