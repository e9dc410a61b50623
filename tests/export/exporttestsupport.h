#pragma once
// Helpers for the export tests: small projects on disk, a stylesheet of the tests' own, and
// targets that refuse writing.

#include "host/folderproject.h"
#include "host/hostproject.h"
#include "platform/xml/xmldocument.h"
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

/// A small WML-to-HTML stylesheet: wml -> body, card -> div with its title, p, img with its src;
/// a halt root ends the transformation with an error.
std::string tinyStylesheet();

/// A folder in which creating a file is refused even for root (a folder without write access
/// when the tests do not run as root, else /sys), or "" when this machine has none.
std::string refusingFolder(const std::string& scratch);

} // namespace tavro::test
