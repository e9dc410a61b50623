#pragma once
// The host's File > Open Recent list: the last projects opened, newest first.

#include <cstddef>
#include <string>
#include <vector>

namespace tavro::projectview {

/// How many projects the list keeps.
inline constexpr std::size_t maxRecentProjects = 8;

/// The list after folder was opened: folder first, each folder once (folders that differ
/// only by a trailing "/" are one), empty entries dropped, at most maxRecentProjects long.
std::vector<std::string> withRecentProject(const std::vector<std::string>& recent, const std::string& folder);

} // namespace tavro::projectview
