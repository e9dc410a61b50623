#pragma once
// Addresses of frames: a frameset page names its frames relative to its own folder.

#include <string>

namespace tavro::conversion {

/// The address of the frame whose source is frameSource, in the frameset page at address:
/// the page's folder joined with the source.
std::string frameAddress(const std::string& address, const std::string& frameSource);

} // namespace tavro::conversion
