#pragma once
// Helpers for the export tests: small projects on disk, a stylesheet of the tests' own, and
// targets that refuse writing.

#include "host/folderproject.h"
#include "host/hostproject.h"
#include "platform/xml/xmldocument.h"
#include "tests/support/testsupport.h"

#include <map>
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

/// A read-only tmpfs mounted over folder for the object's life, holding the given files.
/// mounted() is false where mounting is not allowed.
class ReadOnlyMount {
public:
  ReadOnlyMount(const std::string& folder, const std::map<std::string, std::string>& files);
  ~ReadOnlyMount();
  ReadOnlyMount(const ReadOnlyMount&) = delete;
  ReadOnlyMount& operator=(const ReadOnlyMount&) = delete;
  bool mounted() const { return m_mounted; }

private:
  std::string m_folder;
  bool m_mounted = false;
};

} // namespace tavro::test
