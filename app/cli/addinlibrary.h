#pragma once
// Finding the add-in library the command line tool works with.

#include <string>

namespace tavro::cli {

/// The add-in library: $TAVRO_LIBRARY, else libtavro.so beside this program, else
/// ../lib/libtavro.so. Raises UserError when none exists.
std::string addinLibraryPath();

} // namespace tavro::cli
