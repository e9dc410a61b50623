#include "export/exportlist.h"

#include "platform/fs/filesystem.h"
#include "platform/ui/clstringex.h"

namespace tavro {

std::vector<ExportRow> populateFileList(const host::HostProjectRef& project) {
  std::vector<ExportRow> rows;
  host::HostDocumentsRef documents = project.Documents();
  if (documents.Count() == 0)
    return rows;
  const std::string folder = project.ProjectFolder();
  for (const auto& document : documents.all()) {
    ExportRow row;
    row.name = document.Name();
    const std::string type = document.DocumentType();
    row.key = fs::joinPath(folder, row.name + "." + type);
    row.type = type + " Document";
    row.htmlFile = fs::joinPath(folder, row.name + ".html");
    row.ticked = true;
    rows.push_back(std::move(row));
  }
  return rows;
}

std::optional<std::string> exportTargetFor(const std::string& chosen, const std::string& relativeTo) {
  if (chosen.empty() || chosen.find('\0') != std::string::npos)
    return std::nullopt;
  // A path ending in "/" names a folder, and a name that is all extension has no base name:
  // neither gives a file to write.
  if (chosen.back() == '/')
    return std::nullopt;
  const std::string base = fs::getBaseName(chosen);
  if (base.empty())
    return std::nullopt;

  if (chosen.front() != '/' && relativeTo.empty())
    return std::nullopt;
  const std::string path = chosen.front() == '/' ? chosen : fs::joinPath(relativeTo, chosen);
  // The root folder trims to "", so the join below gives "/page.htm" rather than "//page.htm".
  std::string folder = fs::getParentFolderName(path);
  clStringEx strings;
  strings.trimCharacter(folder, "/");
  return folder + "/" + base + ".htm";
}

} // namespace tavro
