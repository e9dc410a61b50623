#pragma once
// The work behind the export dialog: each ticked document's WML source is taken from the
// project, its pictures kept or dropped, turned into HTML with the WMLEXPORT stylesheet, and
// written to the row's target after the path checks and the overwrite question. Everything the
// user must be told goes through the ui services, so the dialog and the command line show the
// same messages.

#include "export/exportlist.h"
#include "host/hostproject.h"
#include "host/hosttools.h"
#include "platform/xml/xsltemplate.h"
#include "resources/resources.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

/// What became of one row in an export pass.
enum class ExportOutcome {
  Skipped,      ///< not ticked
  NotConverted, ///< not held by the project, not well-formed, or the stylesheet gave nothing
  Declined,     ///< the target exists and the user chose not to overwrite it
  NotWritten,   ///< no path, or the write failed
  Written,
};

struct ExportRowResult {
  ExportOutcome outcome = ExportOutcome::Skipped;
  /// For a write that failed without a message to the user: the error's own text.
  std::string error;
};

struct ExportPassResult {
  /// The result of the pass's last write: the dialog closes when it is true.
  bool close = false;
  /// One entry per row, in row order.
  std::vector<ExportRowResult> rows;

  /// True when every ticked row was written.
  bool allWritten() const;
};

/// Called before each ticked row is exported: the row, its position among the ticked rows
/// (from 1) and their number.
using ExportProgress = std::function<void(const ExportRow& row, int position, int count)>;
/// Called after each ticked row with what became of it.
using ExportRowDone = std::function<void(const ExportRow& row, const ExportRowResult& result)>;

class ExportEngine {
public:
  ExportEngine() = default;
  explicit ExportEngine(host::HostProjectRef project) : m_project(std::move(project)) {}

  void setProject(host::HostProjectRef project) { m_project = std::move(project); }

  /// Keep pictures (referred to as Transform says) rather than drop img elements.
  void setConvertImages(bool convert) { m_convertImages = convert; }
  bool convertImages() const { return m_convertImages; }

  /// With pictures kept, a WBMP picture (which no browser shows) goes into its page as a PNG
  /// (a data: URL) instead of being referred to; a file that does not read as one is referred
  /// to as before. Off by default.
  void setInlineWbmp(bool inlineWbmp) { m_inlineWbmp = inlineWbmp; }

  /// Links to these decks, by the file name a deck's link gives ("guide.wml"), lead to these
  /// pages instead ("guide.html"), their query and fragment kept: documents exported together
  /// link to each other's pages. Empty (the default): every link stays as the deck has it.
  void setPageLinks(std::map<std::string, std::string> pageOfDeck) { m_pageOfDeck = std::move(pageOfDeck); }

  /// Compiles the embedded WMLEXPORT stylesheet into the export template. Errors pass through.
  void LoadExportStylesheet();
  /// Compiles the stylesheet held in bytes (a resource's bytes, NUL-terminated or not).
  void loadExportStylesheet(resources::Bytes bytes);

  /// The HTML page for the project's document of that name, as it is written into the
  /// project folder. False when the project does not hold it, its source cannot be read or is
  /// not well-formed XML, or the stylesheet gives nothing.
  ///
  /// The page is HTML syntax (every element that is not void has its end tag), says that it is
  /// UTF-8, and refers to kept pictures relative to the page's folder when the picture lies
  /// below it or both lie in the project folder, else by a file: URL.
  bool Transform(const std::string& StrDocName, std::string& StrHtml);
  /// Transform for a deck's source text already read: the page as it is written into the
  /// project folder. False when the text is not well-formed XML or the stylesheet gives nothing.
  bool transformSource(const std::string& source, std::string& html);
  /// Transforms the ticked rows ahead of a pass on up to jobs threads, each with a stylesheet
  /// of its own; the pass then answers from these results. The HTML is the same as the pass's
  /// alone.
  void prepare(const std::vector<ExportRow>& rows, int jobs);

  /// Writes html to path after the checks: an empty path is refused, an existing file is only
  /// replaced when the user says Yes, and a failed write is explained by its cause. True when
  /// the file was written.
  bool WriteExportFile(const std::string& path, const std::string& html);

  /// Writes the text to strPath unchanged (UTF-8, the system's code page here), replacing an
  /// existing file atomically. Failures raise com::ComError with the cause's number.
  void SaveFile(const std::string& strPath, const std::string& strContent);

  /// Asks for a target file with the save dialog, opened in the project folder, and stores the
  /// exportTargetFor rule's path in strFileName. False, strFileName unchanged, when the user
  /// cancels or the choice names no file.
  bool BrowseFile(std::string& strFileName);

  /// The OK pass over the rows in order: each ticked row is transformed and written; a row that
  /// cannot be transformed gets the unable-to-export message and the pass goes on.
  ExportPassResult exportRows(const std::vector<ExportRow>& rows, const ExportProgress& progress = {},
                              const ExportRowDone& done = {});

private:
  /// Transform for a page written into targetFolder.
  bool transform(const std::string& name, const std::string& targetFolder, std::string& html);
  bool transformText(const std::string& source, const std::string& targetFolder, std::string& html);
  /// The folder a row's page is written into (the project folder when the row has no target).
  std::string targetFolderOf(const ExportRow& row) const;
  ExportRowResult writeExport(const std::string& path, const std::string& html);
  void save(const std::string& path, const std::string& content, bool overwrite);

  host::HostProjectRef m_project;
  host::HostXmlTools m_xmlTools;
  host::HostDomTools m_domTools;
  xml::XslTemplate m_template;
  bool m_convertImages = false;
  bool m_inlineWbmp = false;
  std::map<std::string, std::string> m_pageOfDeck;
  /// Prepared pages by document name and target folder.
  std::map<std::pair<std::string, std::string>, std::optional<std::string>> m_prepared;
};

} // namespace tavro
