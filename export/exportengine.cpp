#include "export/exportengine.h"

#include "util/parallel.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/uiservices.h"

namespace tavro {

namespace {

constexpr const char* kHostTitle = "Velmor Professional";

void warn(const std::string& text, const std::string& title) {
  ui::services().msgBox(text, ui::vbExclamation | ui::vbOKOnly, title);
}

} // namespace

bool ExportPassResult::allWritten() const {
  for (const auto& row : rows) {
    if (row.outcome != ExportOutcome::Skipped && row.outcome != ExportOutcome::Written)
      return false;
  }
  return true;
}

void ExportEngine::LoadExportStylesheet() { loadExportStylesheet(resources::find("WMLEXPORT", 101)); }

void ExportEngine::loadExportStylesheet(resources::Bytes bytes) {
  std::string text = m_xmlTools.ResourceToString(bytes);
  xml::XmlDocument stylesheet = m_xmlTools.LoadXmlString(text);
  m_template.setStylesheet(stylesheet);
}

void ExportEngine::prepare(const std::vector<std::string>& names, int jobs) {
  std::vector<std::optional<std::string>> results(names.size());
  // One engine (with its own compiled stylesheet) per thread.
  std::vector<std::unique_ptr<ExportEngine>> workers(util::workerCount(names.size(), jobs));
  util::forEachParallel(names.size(), jobs, [&](std::size_t i, std::size_t w) {
    if (!workers[w]) {
      workers[w] = std::make_unique<ExportEngine>(m_project);
      workers[w]->setConvertImages(m_convertImages);
      workers[w]->LoadExportStylesheet();
    }
    std::string html;
    if (workers[w]->Transform(names[i], html))
      results[i] = std::move(html);
  });
  m_prepared.clear();
  for (std::size_t i = 0; i < names.size(); ++i)
    m_prepared[names[i]] = std::move(results[i]);
}

bool ExportEngine::Transform(const std::string& StrDocName, std::string& StrHtml) {
  if (auto it = m_prepared.find(StrDocName); it != m_prepared.end()) {
    if (!it->second)
      return false;
    StrHtml = *it->second;
    return true;
  }
  com::ObjectPtr document = m_project.Documents().Item(StrDocName);
  xml::XmlDocument doc;
  if (!document)
    return false;

  // A source that cannot be read (its file gone, unreadable or too large) is a document that
  // cannot be exported, like one that does not parse; the rest of the pass goes on.
  std::string source;
  try {
    source = host::HostDocumentRef(document).Content();
  } catch (const com::ComError&) {
    return false;
  }
  if (!doc.loadXML(source))
    return false;

  if (m_convertImages) {
    m_xmlTools.setProjectFolder(m_project.ProjectFolder());
    m_xmlTools.ConvertDocument(doc, 1, false);
    m_xmlTools.ConvertReferences(doc, 1);
  } else {
    m_domTools.RemoveElements("img", doc, true);
  }

  StrHtml = m_xmlTools.TransformToString(doc, m_template);
  return !StrHtml.empty();
}

bool ExportEngine::WriteExportFile(const std::string& path, const std::string& html) {
  return writeExport(path, html).outcome == ExportOutcome::Written;
}

ExportRowResult ExportEngine::writeExport(const std::string& path, const std::string& html) {
  if (path.empty()) {
    warn("Please enter a valid file name", "Invalid File name!");
    return {ExportOutcome::NotWritten, {}};
  }

  const bool exists = fs::fileExists(path);
  if (exists) {
    int answer = ui::services().msgBox(
        "The file " + fs::getFileName(path) + " already exists. Overwrite this file ?", ui::vbYesNo, "");
    if (answer != ui::vbYes)
      return {ExportOutcome::Declined, {}};
  }

  try {
    // A file that was not there when asked is never replaced: one that appears meanwhile makes
    // the write fail rather than be overwritten without a question.
    save(path, html, exists);
    return {ExportOutcome::Written, {}};
  } catch (const com::ComError& e) {
    switch (e.number()) {
    case com::errPermission:
      warn("The drive is not available to save to. Please choose another drive.", "Drive Unavailable!");
      return {ExportOutcome::NotWritten, {}};
    case com::errPathNotFound:
      warn("The file path is invalid. Please enter a different path", "Invalid Path!");
      return {ExportOutcome::NotWritten, {}};
    case com::errBadFileName:
      warn("The file name is invalid. Please enter a different file name", "Invalid File name!");
      return {ExportOutcome::NotWritten, {}};
    default:
      return {ExportOutcome::NotWritten, e.what()};
    }
  }
}

void ExportEngine::SaveFile(const std::string& strPath, const std::string& strContent) {
  save(strPath, strContent, true);
}

void ExportEngine::save(const std::string& path, const std::string& content, bool overwrite) {
  // "folder/" has an empty last component: it names no file.
  if (!path.empty() && path.back() == '/')
    throw com::ComError(com::errBadFileName, "bad file name '" + path + "'");
  fs::writeFileAtomic(path, content, overwrite);
}

bool ExportEngine::BrowseFile(std::string& strFileName) {
  try {
    ui::FileDialogRequest request;
    request.flags = ui::cdlOFNHideReadOnly;
    request.filter = "Html Files (*.htm)|*.htm|All Files (*.*)|*.*";
    request.defaultExtension = "htm";
    request.initialFolder = m_project.ProjectFolder();
    std::optional<std::string> chosen = ui::services().saveFile(request);
    if (!chosen)
      return false;
    std::optional<std::string> target = exportTargetFor(*chosen, request.initialFolder);
    if (!target)
      return false;
    strFileName = *target;
    return true;
  } catch (const com::ComError&) {
    return false;
  }
}

ExportPassResult ExportEngine::exportRows(const std::vector<ExportRow>& rows, const ExportProgress& progress,
                                          const ExportRowDone& done) {
  ExportPassResult result;
  result.rows.resize(rows.size());
  int count = 0;
  for (const auto& row : rows)
    count += row.ticked ? 1 : 0;

  int position = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ExportRow& row = rows[i];
    if (!row.ticked)
      continue;
    if (progress)
      progress(row, ++position, count);

    std::string html;
    if (Transform(row.name, html)) {
      result.rows[i] = writeExport(row.htmlFile, html);
      result.close = result.rows[i].outcome == ExportOutcome::Written;
    } else {
      warn("Unable to export document " + row.name + ".\nPlease ensure the content is valid.", kHostTitle);
      result.rows[i].outcome = ExportOutcome::NotConverted;
    }
    if (done)
      done(row, result.rows[i]);
  }
  return result;
}

} // namespace tavro
