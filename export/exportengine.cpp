#include "export/exportengine.h"

#include "decks/deckrepair.h"
#include "images/imagecodecs.h"

#include "util/fileurl.h"
#include "util/parallel.h"
#include "util/text.h"
#include "util/utf8.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/uiservices.h"
#include "platform/xml/treewalk.h"

#include <algorithm>
#include <filesystem>

namespace tavro {

namespace {

constexpr const char* kHostTitle = "Velmor Professional";

void warn(const std::string& text, const std::string& title) {
  ui::services().msgBox(text, ui::vbExclamation | ui::vbOKOnly, title);
}

// The stylesheet's body as a page a browser reads as it stands: HTML syntax, so that an empty
// link or list does not swallow the rest of the card, under a head that says the text is
// UTF-8. No document type: without one the browser keeps a table inside its paragraph, as
// the deck has it.
std::string htmlPage(xml::XmlDocument& body) {
  // HTML ends a paragraph where a fieldset starts, leaving the rest of the line outside it: a
  // paragraph that holds one is written as a div, which keeps the fieldset and the line together.
  for (xmlNodePtr fieldset : body.selectNodes("//p/fieldset"))
    xmlNodeSetName(fieldset->parent, BAD_CAST "div");
  // A deck may hold controls and noncharacters, as XML lets it; a page goes without them.
  auto clean = [](xmlNodePtr text) {
    const std::string_view content = text->content ? reinterpret_cast<const char*>(text->content) : "";
    if (std::none_of(content.begin(), content.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F;
        }))
      return; // plain ASCII text, the most of any page
    if (const std::string allowed = util::keepCharacters(content, util::allowedInHtml);
        allowed.size() != content.size())
      xmlNodeSetContent(text, BAD_CAST allowed.c_str());
  };
  xml::walkTree(body.documentElement(), [&](xmlNodePtr n) {
    if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE)
      clean(n);
    for (xmlAttrPtr a = n->type == XML_ELEMENT_NODE ? n->properties : nullptr; a; a = a->next)
      for (xmlNodePtr c = a->children; c; c = c->next)
        if (c->type == XML_TEXT_NODE)
          clean(c);
    return true;
  });
  return "<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n" + body.markup() + "\n</html>\n";
}

// A WBMP picture as a PNG in a data: URL, or nothing when the file is no WBMP that reads.
std::optional<std::string> wbmpAsDataUrl(const std::string& path) {
  if (!images::isWbmpFile(path))
    return std::nullopt;
  try {
    return "data:image/png;base64," + util::base64(images::encodePng(images::readPicture(path)));
  } catch (const images::ImageFailure&) {
    return std::nullopt;
  }
}

// Each kept picture, which the reference conversion named by a file: URL, is referred to
// relative to the page's folder where the page and the picture go together: the picture
// lies below the page's folder, or both lie in the project. Elsewhere it keeps a file: URL,
// made plain (no "." or ".." steps). With inlineWbmp a WBMP picture goes into the page.
void referencePicturesFrom(xml::XmlDocument& doc, const std::string& pageFolder, const std::string& projectFolder,
                           bool inlineWbmp) {
  const std::filesystem::path page = std::filesystem::path(pageFolder).lexically_normal();
  const std::filesystem::path project = std::filesystem::path(projectFolder).lexically_normal();
  auto below = [](const std::filesystem::path& path, const std::filesystem::path& folder) {
    const std::string relative = path.lexically_relative(folder).generic_string();
    return !relative.empty() && relative != ".." && relative.rfind("../", 0) != 0;
  };
  for (xmlNodePtr img : doc.selectNodes("//img")) {
    std::optional<std::string> path = util::fileUrlToPath(xml::attribute(img, "src"));
    if (!path)
      continue;
    const std::filesystem::path picture = std::filesystem::path(*path).lexically_normal();
    std::string src;
    if (auto inlined = inlineWbmp ? wbmpAsDataUrl(picture.string()) : std::nullopt)
      src = std::move(*inlined);
    else if (below(picture, page) || (below(picture, project) && below(page, project)))
      src = util::relativeReference(picture.string(), page.string());
    else
      src = util::pathToFileUrl(picture.string());
    xmlSetProp(img, BAD_CAST "src", BAD_CAST src.c_str());
  }
}

// Points each link to a deck of pageOfDeck (by its file name, percent-decoded) at its page, the
// query and fragment after the name kept.
void linkPages(xml::XmlDocument& body, const std::map<std::string, std::string>& pageOfDeck) {
  for (xmlNodePtr link : body.selectNodes("//*[@href]")) {
    const std::string href = xml::attribute(link, "href");
    const std::size_t pathEnd = std::min(href.find_first_of("?#"), href.size());
    const std::optional<std::string> deck = util::percentDecode(href.substr(0, pathEnd));
    const auto page = deck ? pageOfDeck.find(*deck) : pageOfDeck.end();
    if (page == pageOfDeck.end())
      continue;
    const std::string pointed = util::percentEncode(page->second, "-._~") + href.substr(pathEnd);
    xmlSetProp(link, BAD_CAST "href", BAD_CAST pointed.c_str());
  }
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

void ExportEngine::prepare(const std::vector<ExportRow>& rows, int jobs) {
  std::vector<const ExportRow*> ticked;
  for (const auto& row : rows)
    if (row.ticked)
      ticked.push_back(&row);
  std::vector<std::optional<std::string>> results(ticked.size());
  // One engine (with its own compiled stylesheet) per thread.
  std::vector<std::unique_ptr<ExportEngine>> workers(util::workerCount(ticked.size(), jobs));
  util::forEachParallel(ticked.size(), jobs, [&](std::size_t i, std::size_t w) {
    if (!workers[w]) {
      workers[w] = std::make_unique<ExportEngine>(m_project);
      workers[w]->setConvertImages(m_convertImages);
      workers[w]->setInlineWbmp(m_inlineWbmp);
      workers[w]->setPageLinks(m_pageOfDeck);
      workers[w]->LoadExportStylesheet();
    }
    std::string html;
    if (workers[w]->transform(ticked[i]->name, targetFolderOf(*ticked[i]), html))
      results[i] = std::move(html);
  });
  m_prepared.clear();
  for (std::size_t i = 0; i < ticked.size(); ++i)
    m_prepared[{ticked[i]->name, targetFolderOf(*ticked[i])}] = std::move(results[i]);
}

std::string ExportEngine::targetFolderOf(const ExportRow& row) const {
  return row.htmlFile.empty() ? m_project.ProjectFolder()
                              : fs::getParentFolderName(fs::getAbsolutePathName(row.htmlFile));
}

bool ExportEngine::Transform(const std::string& StrDocName, std::string& StrHtml) {
  return transform(StrDocName, m_project.ProjectFolder(), StrHtml);
}

bool ExportEngine::transform(const std::string& name, const std::string& targetFolder, std::string& html) {
  if (auto it = m_prepared.find({name, targetFolder}); it != m_prepared.end()) {
    if (!it->second)
      return false;
    html = *it->second;
    return true;
  }
  com::ObjectPtr document = m_project.Documents().Item(name);
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
  return transformText(source, targetFolder, html);
}

bool ExportEngine::transformSource(const std::string& source, std::string& html) {
  return transformText(source, m_project.ProjectFolder(), html);
}

bool ExportEngine::transformText(const std::string& source, const std::string& targetFolder, std::string& html) {
  xml::XmlDocument doc;
  if (!decks::loadDeck(doc, source))
    return false;
  decks::unescapeDollars(doc); // a page shows "$" where the deck writes "$$"

  if (m_convertImages) {
    m_xmlTools.setProjectFolder(m_project.ProjectFolder());
    m_xmlTools.ConvertDocument(doc, 1, false);
    m_xmlTools.ConvertReferences(doc, 1);
    referencePicturesFrom(doc, targetFolder, m_project.ProjectFolder(), m_inlineWbmp);
  } else {
    m_domTools.RemoveElements("img", doc, true);
  }

  // The result tree as it stands: a deck in a namespace of its own matches no rule and gives
  // text alone, which is a page still.
  xml::XmlDocument body;
  html.clear();
  if (!m_xmlTools.TryTransform(doc, m_template, body) || !body.get() || !body.get()->children)
    return false;
  if (!m_pageOfDeck.empty())
    linkPages(body, m_pageOfDeck);
  html = htmlPage(body);
  return true;
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
    int answer = ui::services().msgBox("The file " + fs::getFileName(path) + " already exists. Overwrite this file ?",
                                       ui::vbYesNo, "");
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
    default: return {ExportOutcome::NotWritten, e.what()};
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
    if (transform(row.name, targetFolderOf(row), html)) {
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
