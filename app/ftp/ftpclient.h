#pragma once
// Which FTP client BraskFTP.exe starts on a project folder: the command the user configured,
// else the first of the usual Debian FTP clients that is installed.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro::ftp {

/// Finds a program by name (a name with a "/" is taken as a path); nullopt when it is not there.
using ProgramFinder = std::function<std::optional<std::string>(const std::string& name)>;

struct ClientChoice {
  /// The program's resolved path followed by its arguments; empty when nothing was found.
  std::vector<std::string> command;
  /// Every client looked for, in the order tried, for the message shown when none is found.
  std::vector<std::string> lookedFor;
};

/// The user's configured command: $TAVRO_FTP_CLIENT, else the first line of
/// $XDG_CONFIG_HOME/tavro/ftp-client (~/.config/tavro/ftp-client); "" when there is none.
std::string configuredCommand();

/// The client to start on `folder`. `configured` is a command line split at spaces, without a
/// shell; "%d" in it stands for the folder. The usual clients: filezilla (opened on the folder),
/// gftp-gtk, and lftp, ncftp and ftp in x-terminal-emulator. Every client is started in the folder.
ClientChoice chooseClient(const std::string& configured, const std::string& folder, const ProgramFinder& find);

/// Looks a name up in the folders of `pathVariable` (":"-separated) for an executable file.
std::optional<std::string> findInPath(const std::string& name, const std::string& pathVariable);

/// The message shown when no client is found.
std::string noClientMessage(const std::vector<std::string>& lookedFor);

} // namespace tavro::ftp
