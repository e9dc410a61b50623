#pragma once
// The export dialog's list of documents as plain rows, and the rule that turns a path chosen in
// the save dialog into a target path. The dialog shows the rows and the export pass reads them,
// so both sides agree on what a row holds.

#include "host/hostproject.h"

#include <optional>
#include <string>
#include <vector>

namespace tavro {

/// One row of the export list: a project document and the HTML file it becomes.
struct ExportRow {
  std::string key;      ///< the document's source path: folder/Name.DocumentType
  std::string name;     ///< column "File Name": the document's Name
  std::string type;     ///< column "File Type": DocumentType + " Document"
  std::string htmlFile; ///< column "HTML File ": the path the HTML is written to
  bool ticked = true;

  bool operator==(const ExportRow&) const = default;
};

/// One ticked row per document of the project, in the collection's order, each targeting
/// ProjectFolder/Name.html. Empty when the project holds no documents. Errors raised by the
/// project pass through.
std::vector<ExportRow> populateFileList(const host::HostProjectRef& project);

/// The target path for a path chosen in the save dialog: its folder without trailing "/", then
/// "/", its base name and ".htm", whatever extension was typed:
///
///     exportTargetFor("/out/page.html", "/site")  // "/out/page.htm"
///     exportTargetFor("/page.html", "/site")      // "/page.htm"
///     exportTargetFor("page.txt", "/site")        // "/site/page.htm"
///
/// A relative path is taken from relativeTo (the folder the dialog opened in). Nothing when the
/// path names no file ("/", "/out/", "/out/.html").
std::optional<std::string> exportTargetFor(const std::string& chosen, const std::string& relativeTo);

} // namespace tavro
