#include "conversion/importengine.h"

#include "conversion/htmltoxmldocument.h"
#include "conversion/layouttables.h"
#include "conversion/tidy.h"
#include "decks/deckrepair.h"
#include "platform/fs/filesystem.h"
#include "platform/html/browser.h"
#include "platform/ui/uiservices.h"
#include "platform/xml/treewalk.h"
#include "resources/resources.h"
#include "util/fileurl.h"

#include <unordered_map>

namespace tavro::conversion {

namespace {

// The object the frame radio buttons' handler calls by name. The frame choice itself is read
// by the document's click handling, so the call has nothing to do.
class FrameChoiceTarget : public com::Automation<FrameChoiceTarget> {
public:
  static std::string className() { return "frmHTMLImport"; }
  static const std::vector<com::Member<FrameChoiceTarget>>& members() {
    static const std::vector<com::Member<FrameChoiceTarget>> table{
        {"Some_Procedure", com::CallKind::Method, [](FrameChoiceTarget&, com::Args&) { return com::Variant(); }},
    };
    return table;
  }
};

} // namespace

ImportEngine::ImportEngine(html::Browser& browser, host::HostProjectRef project)
    : m_browser(browser), m_project(std::move(project)), m_evtTarget(std::make_shared<FrameChoiceTarget>()) {}

ImportEngine::~ImportEngine() = default;

std::string ImportEngine::importErrorText() {
  return "An error occurred during the final stages of the transformation process.\r\n"
         "As a result the import wizard could not continue.\r\n"
         "Please check the HTML for potential problems and try again.\r\n"
         "This wizard will now shut down.";
}

void ImportEngine::fail() {
  ui::services().msgBox(importErrorText(), ui::vbCritical | ui::vbOKOnly, "Import Error");
  m_bClose = true;
}

void ImportEngine::LoadConversionResources() {
  m_xmlElements.loadXML(m_xmlTools.ResourceToString(resources::find("HTMLELEMENTS", 101)));
  LoadStylesheets();
}

void ImportEngine::LoadStylesheets() {
  // Compiling the three stylesheets costs more than converting a small page, so each thread
  // compiles them once and its engines share them (a compiled stylesheet serves one thread).
  struct Sheets {
    xml::XslTemplate import, exportSheet, tidy;
  };
  thread_local std::optional<Sheets> compiled;
  if (!compiled) {
    auto load = [this](const char* type) {
      xml::XslTemplate sheet;
      sheet.setStylesheet(m_xmlTools.LoadXmlString(m_xmlTools.ResourceToString(resources::find(type, 101))));
      return sheet;
    };
    compiled = Sheets{load("HTMLIMPORT"), load("WMLEXPORT"), load("TIDYWML")};
  }
  m_xslImport = compiled->import;
  m_xslExport = compiled->exportSheet;
  m_xslTidy = compiled->tidy;
  m_shippedTidy = compiled->tidy;
}

std::shared_ptr<html::Document> ImportEngine::document() const {
  const auto& doc = m_browser.Document();
  if (!doc)
    throw com::ComError(com::errObjectNotSet, "the browser shows no document");
  return doc;
}

void ImportEngine::WaitForBrowser() {
  // Navigation and edits of the model complete before they return, so there is never
  // anything to wait for; the check keeps the promise callers rely on.
  if (m_browser.ReadyState() != 4 && m_browser.ReadyState() != 0)
    throw com::ComError(com::errInvalidCall, "the browser did not complete its page");
}

std::string ImportEngine::bodyHtml() const {
  auto body = document()->body();
  return body ? body->innerHTML() : std::string();
}

void ImportEngine::setBodyHtml(const std::string& markup) {
  auto body = document()->body();
  if (!body)
    throw com::ComError(com::errObjectNotSet, "the browser's document has no body");
  body->setInnerHTML(markup);
  WaitForBrowser();
}

std::optional<xml::XmlDocument> ImportEngine::bodyXml() {
  auto body = document()->body();
  if (body && body->is("body"))
    return BodyToXmlDocument(*body);
  return HtmlToXmlDocument(bodyHtml(), m_xmlTools, m_domTools);
}

std::string ImportEngine::pictureBase() const {
  if (!deckFolder.empty())
    return deckFolder;
  if (m_project)
    return m_project.ProjectFolder();
  return m_pageFolder;
}

void ImportEngine::referencePicturesFrom(const std::vector<xmlNodePtr>& pictures, const std::string& folder) const {
  if (folder.empty())
    return;
  const std::string base = fs::getAbsolutePathName(folder);
  std::unordered_map<std::string, std::string> relativeOf; // a page shows one picture many times
  for (xmlNodePtr img : pictures) {
    std::string src = xml::attribute(img, "src");
    if (src.empty() || src[0] != '/')
      continue;
    auto known = relativeOf.find(src);
    if (known == relativeOf.end())
      known = relativeOf.emplace(src, util::relativeReference(src, base)).first;
    if (!known->second.empty())
      xmlSetProp(img, BAD_CAST "src", BAD_CAST known->second.c_str());
  }
}

StepResult ImportEngine::ConvertSource() {
  if (auto path = util::fileUrlToPath(document()->url()))
    m_pageFolder = fs::getParentFolderName(*path);
  {
    ui::BusyPointer busy;
    auto converted = bodyXml();
    m_xmlDoc = converted ? std::move(*converted) : xml::XmlDocument();
  }
  // The page has been read: the report pages take its place in the browser, and its model is
  // let go now, so that a large page's model and the conversion's trees are not held at once.
  if (!m_xmlDoc.empty() && m_xmlDoc.parseError().errorCode == 0)
    setBodyHtml(std::string());
  if (m_xmlDoc.empty() || m_xmlDoc.parseError().errorCode != 0) {
    m_bConvertError = true;
    ShowTransformErrorPage();
    return StepResult::ErrorPage;
  }
  m_xmlDoc.setProperty("SelectionLanguage", "XPath");
  if (unwrapLayout)
    unwrapLayoutTables(m_xmlDoc.documentElement());

  // One walk of the page: line ends folded, references trimmed, pictures' file: URLs read as
  // paths, and the pictures and the names of the elements gathered.
  std::vector<xmlNodePtr> pictures;
  std::unordered_set<std::string> pageNames;
  xml::walkTree(m_xmlDoc.documentElement(), [&](xmlNodePtr node) {
    m_xmlTools.ConvertNode(node, 0);
    m_xmlTools.ConvertNode(node, 1);
    m_xmlTools.ConvertReference(node, 0);
    if (node->type == XML_ELEMENT_NODE) {
      pageNames.emplace(reinterpret_cast<const char*>(node->name));
      if (!node->ns && xmlStrEqual(node->name, BAD_CAST "img"))
        pictures.push_back(node);
    }
    return true;
  });
  referencePicturesFrom(pictures, pictureBase());

  m_colRemoved.clear();
  m_colTransformed.clear();
  m_colMapped.clear();
  ClassifySource(pageNames);

  xml::XmlDocument tidied;
  std::optional<xml::XmlDocument> imported = m_xmlTools.TransformToDocument(m_xmlDoc, m_xslImport, nullptr, true);
  m_xmlDoc = xml::XmlDocument(); // read by the import pass alone
  if (!TransformDocument(std::move(imported), m_strWml, &tidied))
    return StepResult::Closed;

  m_xmlDoc = std::move(tidied);
  m_analysisDeck = m_strWml;
  m_pageIds = m_deckIds;
  ClassifyResult(m_xmlDoc);
  ShowAnalysisPage();
  return StepResult::Done;
}

bool ImportEngine::TransformDocument(std::string& strWml) {
  xml::XmlDocument doc;
  doc.setPreserveWhiteSpace(true);
  doc.loadXML(strWml);
  std::optional<xml::XmlDocument> wml;
  if (!doc.empty() && doc.parseError().errorCode == 0)
    wml = std::move(doc);
  return TransformDocument(std::move(wml), strWml);
}

bool ImportEngine::TransformDocument(std::optional<xml::XmlDocument> wml, std::string& strWml,
                                     xml::XmlDocument* tidied) {
  if (!wml || wml->empty()) {
    fail();
    return false;
  }
  xml::XmlDocument& doc = *wml;
  doc.setProperty("SelectionLanguage", "XPath");
  NormaliseTables(doc);
  holdBareText(doc);
  // The shipped tidying rules run in place; a stylesheet of the caller's own runs as XSLT.
  // A tidying pass that gives no deck failed: there is nothing to write.
  std::optional<xml::XmlDocument> result;
  if (m_xslTidy.sameSheet(m_shippedTidy) && wrapParagraphs(doc))
    result = m_xslTidy.readBack(std::move(doc), nullptr, true);
  else
    result = m_xmlTools.TransformToDocument(doc, m_xslTidy, nullptr, true);
  wml.reset(); // the tidying pass has read it
  if (!result || result->empty()) {
    fail();
    return false;
  }
  // What the rules leave that WML 1.1 does not allow is mended before anyone sees the deck, so
  // that the analysis, the preview and the written deck are the same valid deck.
  m_placedIds.clear();
  decks::makeValid(*result, &m_deckIds, m_keepEveryId ? &m_placedIds : nullptr);
  strWml = decks::deckText(*result);
  if (tidied)
    *tidied = std::move(*result);
  return true;
}

StepResult ImportEngine::BuildPreview() {
  m_html.AnalysisPage = bodyHtml();
  ui::BusyPointer busy;

  // Pictures are referenced from where the deck will be written: from there the preview finds them.
  // The deck itself keeps its references as the analysis wrote them.
  m_xmlTools.setProjectFolder(pictureBase());
  xml::XmlDocument preview;
  bool transformed = false;
  {
    const std::vector<xmlNodePtr> pictures = xml::elementsNamed(m_xmlDoc.documentElement(), "img");
    const xml::SavedAttributes sources(pictures, "src");
    for (xmlNodePtr img : pictures)
      m_xmlTools.ConvertReference(img, 1);
    transformed = m_xmlTools.TryTransform(m_xmlDoc, m_xslExport, preview);
  }
  if (!transformed) {
    fail();
    m_html.Preview.clear();
    return StepResult::Closed;
  }
  if (preview.empty()) {
    m_html.Preview.clear();
    m_bClose = true;
    return StepResult::Closed;
  }
  // As markup, so that the browser reads empty elements back as empty.
  m_html.Preview = preview.markup();

  if (lstRemovedElements.ListCount() > 0) {
    StripRemovedElements(m_html.Preview);
  } else {
    setBodyHtml(m_html.Preview);
  }
  AnalyseElements(lstKnownElements);
  return StepResult::Done;
}

} // namespace tavro::conversion
