// The FTP starter's choice of client: the configured command first, then the usual clients in
// order, terminal clients only with a terminal, and the names it looked for when none is there.

#include "app/ftp/ftpclient.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

using namespace tavro;
using Command = std::vector<std::string>;

namespace {

// A machine on which exactly these programs are installed, in /usr/bin.
ftp::ProgramFinder machineWith(std::set<std::string> programs) {
  return [programs](const std::string& name) -> std::optional<std::string> {
    if (programs.count(name))
      return "/usr/bin/" + name;
    return std::nullopt;
  };
}

} // namespace

TEST(FtpClient, ConfiguredCommandFirstThenTheUsualClientsInOrder) {
  const struct {
    const char* configured;
    std::set<std::string> programs;
    Command command;
  } cases[] = {
      {"mytool --dir=%d -x", {"mytool", "filezilla"}, {"/usr/bin/mytool", "--dir=/p/Harbour", "-x"}},
      {"missing-tool", {"filezilla"}, {"/usr/bin/filezilla", "--local=/p/Harbour"}},
      {"   ", {"gftp-gtk"}, {"/usr/bin/gftp-gtk"}}, // blank configuration is no configuration
      {"", {"gftp-gtk", "filezilla", "lftp"}, {"/usr/bin/filezilla", "--local=/p/Harbour"}},
      {"", {"ftp", "ncftp", "x-terminal-emulator"}, {"/usr/bin/x-terminal-emulator", "-e", "/usr/bin/ncftp"}},
      // lftp without a terminal to show it in is not a client the desktop can start.
      {"", {"lftp"}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ftp::chooseClient(c.configured, "/p/Harbour", machineWith(c.programs)).command, c.command)
        << "configured '" << c.configured << "', installed " << testing::PrintToString(c.programs);

  // What was looked for is named: a configured program that is not there, then the usual clients.
  EXPECT_EQ(ftp::chooseClient("missing-tool", "/p", machineWith({"filezilla"})).lookedFor,
            (Command{"missing-tool", "filezilla"}));
  const std::string message = ftp::noClientMessage(ftp::chooseClient("", "/p", machineWith({"lftp"})).lookedFor);
  EXPECT_NE(message.find("Looked for: filezilla, gftp-gtk, lftp, ncftp, ftp."), std::string::npos) << message;
}

TEST(FtpClient, FindInPathTakesOnlyExecutablesAndSkipsEmptyEntries) {
  test::TempDir dir;
  for (const char* folder : {"a", "b"}) {
    std::filesystem::create_directories(dir.path() / folder);
    std::ofstream(dir.path() / folder / "lftp") << "#!/bin/sh\n";
  }
  ::chmod((dir.path() / "b/lftp").c_str(), 0755); // a/lftp is not executable

  const std::string path = "::" + dir.file("a") + ":" + dir.file("b") + ":";
  EXPECT_EQ(ftp::findInPath("lftp", path), dir.file("b/lftp"));
  EXPECT_EQ(ftp::findInPath("filezilla", path), std::nullopt);
  EXPECT_EQ(ftp::findInPath(dir.file("b/lftp"), ""), dir.file("b/lftp"));
  EXPECT_EQ(ftp::findInPath(dir.file("a/lftp"), path), std::nullopt);
  EXPECT_EQ(ftp::findInPath("", path), std::nullopt);
}
