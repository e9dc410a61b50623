#pragma once
// Finding the add-in library the command line tool works with.

#include <string>

namespace tavro::cli {

/// The add-in library: $TAVRO_LIBRARY, else libtavro.so beside this program (a build folder),
/// else in the installed add-in folder. Raises UserError when none exists.
std::string addinLibraryPath();

} // namespace tavro::cli
