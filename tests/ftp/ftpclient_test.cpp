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

TEST(FtpClient, ConfiguredCommandComesFirstWithTheFolderInIt) {
  auto choice = ftp::chooseClient("mytool --dir=%d -x", "/p/Harbour", machineWith({"mytool", "filezilla"}));
  EXPECT_EQ(choice.command, (Command{"/usr/bin/mytool", "--dir=/p/Harbour", "-x"}));

  // A configured program that is not there gives way to the usual clients, and is named.
  choice = ftp::chooseClient("missing-tool", "/p/Harbour", machineWith({"filezilla"}));
  EXPECT_EQ(choice.command, (Command{"/usr/bin/filezilla", "--local=/p/Harbour"}));
  EXPECT_EQ(choice.lookedFor, (Command{"missing-tool", "filezilla"}));

  // Blank configuration is no configuration.
  choice = ftp::chooseClient("   ", "/p", machineWith({"gftp-gtk"}));
  EXPECT_EQ(choice.command, (Command{"/usr/bin/gftp-gtk"}));
}

TEST(FtpClient, UsualClientsInOrderTerminalOnesInATerminal) {
  EXPECT_EQ(ftp::chooseClient("", "/p", machineWith({"gftp-gtk", "filezilla", "lftp"})).command,
            (Command{"/usr/bin/filezilla", "--local=/p"}));
  EXPECT_EQ(ftp::chooseClient("", "/p", machineWith({"ftp", "ncftp", "x-terminal-emulator"})).command,
            (Command{"/usr/bin/x-terminal-emulator", "-e", "/usr/bin/ncftp"}));

  // lftp without a terminal to show it in is not a client the desktop can start.
  auto none = ftp::chooseClient("", "/p", machineWith({"lftp"}));
  EXPECT_TRUE(none.command.empty());
  const std::string message = ftp::noClientMessage(none.lookedFor);
  EXPECT_NE(message.find("Looked for: filezilla, gftp-gtk, lftp, ncftp, ftp."), std::string::npos) << message;
}

TEST(FtpClient, FindInPathTakesOnlyExecutablesAndSkipsEmptyEntries) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "a");
  std::filesystem::create_directories(dir.path() / "b");
  std::ofstream(dir.path() / "a/lftp") << "#!/bin/sh\n";
  std::ofstream(dir.path() / "b/lftp") << "#!/bin/sh\n";
  ::chmod((dir.path() / "b/lftp").c_str(), 0755);

  const std::string path = "::" + dir.file("a") + ":" + dir.file("b") + ":";
  EXPECT_EQ(ftp::findInPath("lftp", path), dir.file("b/lftp"));
  EXPECT_EQ(ftp::findInPath("filezilla", path), std::nullopt);
  EXPECT_EQ(ftp::findInPath(dir.file("b/lftp"), ""), dir.file("b/lftp"));
  EXPECT_EQ(ftp::findInPath(dir.file("a/lftp"), path), std::nullopt);
  EXPECT_EQ(ftp::findInPath("", path), std::nullopt);
}
