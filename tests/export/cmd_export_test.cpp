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

struct Run {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built tool with the arguments; standard output and error go to files in scratch, or
// standard error to errPath when given (a terminal, for instance).
Run tavro(const std::vector<std::string>& args, const TempDir& scratch, const std::string& errPath = "") {
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
  Run run;
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

#define NEED_EXPORT_STYLESHEET()                                                                                     \
  if (!haveExportStylesheet())                                                                                       \
  GTEST_SKIP() << "the WMLEXPORT stylesheet is not embedded in this build"

} // namespace

TEST(ExportCommand, UsageAndSetupFailures) {
  TempDir scratch;
  EXPECT_EQ(tavro({"export"}, scratch).status, 2);

  Run missing = tavro({"export", "--project", scratch.file("nosuch")}, scratch);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("tavro: project folder not found: '" + scratch.file("nosuch") + "'"), std::string::npos)
      << missing.err;

  TempDir dir;
  test::makeProject(dir.str(), {{"index", test::deck("A", "")}});
  Run noOut = tavro({"export", "--project", dir.str(), "--out", dir.file("nosuch")}, scratch);
  EXPECT_EQ(noOut.status, 1);
  EXPECT_EQ(noOut.err, "tavro: output folder not found: '" + dir.file("nosuch") + "'\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("index.html")));
}

TEST(ExportCommand, EmptyProjectExportsNothing) {
  TempDir scratch, dir;
  test::makeProject(dir.str(), {});
  Run run = tavro({"export", "--project", dir.str()}, scratch);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "Project currently contains no documents\n");
}
