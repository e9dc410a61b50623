#pragma once
// Helpers for the export tests: small projects on disk.

#include "host/hostproject.h"
#include "tests/support/testsupport.h"

#include <string>
#include <utility>
#include <vector>

namespace tavro::test {

/// A project named "Site" in folder, holding each (name, WML source) as name.wml, in order.
host::HostProjectRef makeProject(const std::string& folder,
                                 const std::vector<std::pair<std::string, std::string>>& documents);

/// A WML deck of one card titled title holding body.
std::string deck(const std::string& title, const std::string& body);

} // namespace tavro::test
