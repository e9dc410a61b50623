#pragma once
// Finding the files the programs ship with (the add-in library, the FTP starter) from the
// running program's own place: beside it in a build folder, or where the install rules put
// them, given relative to the program's folder so that any install prefix works.

#include <optional>
#include <string>

namespace tavro::com {

/// The folder of the running program (from /proc/self/exe); "" when it cannot be read.
std::string runningProgramFolder();

/// `name` beside the program (a build folder), else in `installedRelative` below the
/// program's folder (an installed tree, e.g. "../lib/tavro"). The path has no "..", or nullopt
/// when neither place holds a regular file of that name.
std::optional<std::string> findShippedFile(const std::string& programFolder, const std::string& name,
                                           const std::string& installedRelative);

/// libtavro.so for the running program: beside it, else in the installed add-in folder.
std::optional<std::string> findAddinLibrary();

/// The program the "Ftp" entry starts (BraskFTP.exe): beside the running program, else in the
/// installed folder of helper programs.
std::optional<std::string> findFtpStarter();

/// Makes `folder`/`name` a symbolic link to `target`, unless a file that works (a file, or a
/// link that leads to one) already has that name: a user's own program there stays. A link
/// that leads nowhere is replaced. False when the link cannot be made.
bool linkInto(const std::string& folder, const std::string& name, const std::string& target);

} // namespace tavro::com
