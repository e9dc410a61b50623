#include "tests/export/exporttestsupport.h"

#include "host/folderproject.h"

#include <stdexcept>

namespace tavro::test {

host::HostProjectRef makeProject(const std::string& folder,
                                 const std::vector<std::pair<std::string, std::string>>& documents) {
  auto project = host::FolderProject::create(folder, "Site", folder + "/app");
  for (const auto& [name, source] : documents) {
    writeFile(folder + "/" + name + ".wml", source);
    if (!project->AddDocument(name))
      throw std::runtime_error("cannot add " + name);
  }
  return host::HostProjectRef(project);
}

std::string deck(const std::string& title, const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<wml><card id=\"c1\" title=\"" + title + "\">" + body + "</card></wml>\n";
}

} // namespace tavro::test
