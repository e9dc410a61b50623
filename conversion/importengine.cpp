#include "conversion/importengine.h"

#include "conversion/htmltoxmldocument.h"
#include "platform/html/browser.h"
#include "platform/ui/uiservices.h"
#include "resources/resources.h"

namespace tavro::conversion {

namespace {

// Bare text standing directly in a card (the text of a div or span of the page) would be lost
// by the paragraph-wrapping pass, which only moves elements into paragraphs. Each piece is held
// in a t:text element, which that pass treats as part of a run and writes out as its text.
void holdBareText(xml::XmlDocument& doc) {
  for (xmlNodePtr card : doc.selectNodes("/wml/card")) {
    for (xmlNodePtr node = card->children; node;) {
      xmlNodePtr next = node->next;
      if (node->type == XML_TEXT_NODE && !xmlIsBlankNode(node)) {
        xmlNodePtr held = xmlNewDocNode(doc.get(), nullptr, BAD_CAST "text", nullptr);
        xmlSetNs(held, xmlNewNs(held, BAD_CAST "urn:tavro:tidy", BAD_CAST "t"));
        xmlReplaceNode(node, held);
        xmlAddChild(held, node);
      }
      node = next;
    }
  }
}

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
  const std::pair<const char*, xml::XslTemplate*> sheets[] = {
      {"HTMLIMPORT", &m_xslImport}, {"WMLEXPORT", &m_xslExport}, {"TIDYWML", &m_xslTidy}};
  for (auto [type, sheet] : sheets)
    sheet->setStylesheet(m_xmlTools.LoadXmlString(m_xmlTools.ResourceToString(resources::find(type, 101))));
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

void ImportEngine::notePreviewShown() {
  m_previewDocument = document();
  m_previewVersion = document()->version();
}

bool ImportEngine::previewShown() const {
  auto shown = m_previewDocument.lock();
  return shown && shown == m_browser.Document() && shown->version() == m_previewVersion;
}

StepResult ImportEngine::ConvertSource() {
  {
    ui::BusyPointer busy;
    auto converted = bodyXml();
    m_xmlDoc = converted ? std::move(*converted) : xml::XmlDocument();
  }
  if (m_xmlDoc.empty() || m_xmlDoc.parseError().errorCode != 0) {
    m_bConvertError = true;
    ShowTransformErrorPage();
    return StepResult::ErrorPage;
  }
  m_xmlDoc.setProperty("SelectionLanguage", "XPath");

  m_xmlTools.ConvertDocument(m_xmlDoc, 0, false);
  m_xmlTools.ConvertDocument(m_xmlDoc, 1, false);
  m_xmlTools.ConvertReferences(m_xmlDoc, 0);

  m_colRemoved.clear();
  m_colTransformed.clear();
  m_colMapped.clear();
  ClassifySource(m_xmlDoc);

  xml::XmlDocument tidied;
  if (!TransformDocument(m_xmlTools.TransformToDocument(m_xmlDoc, m_xslImport), m_strWml, &tidied))
    return StepResult::Closed;

  m_xmlDoc = std::move(tidied);
  ClassifyResult(m_xmlDoc);
  ShowAnalysisPage();
  return StepResult::Done;
}

bool ImportEngine::TransformDocument(std::string& strWml) {
  xml::XmlDocument doc;
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
  // No text at all means the tidying failed: there is no deck to write.
  std::string tidy;
  std::optional<xml::XmlDocument> result = m_xmlTools.TransformToDocument(doc, m_xslTidy, &tidy);
  if (tidy.empty()) {
    fail();
    return false;
  }
  strWml = std::move(tidy);
  if (tidied)
    *tidied = result ? std::move(*result) : xml::XmlDocument();
  return true;
}

StepResult ImportEngine::BuildPreview() {
  m_html.AnalysisPage = bodyHtml();
  ui::BusyPointer busy;

  // The project folder lets relative picture references of the WML show in the preview.
  m_xmlTools.setProjectFolder(m_project ? m_project.ProjectFolder() : std::string());
  m_xmlTools.ConvertReferences(m_xmlDoc, 1);

  // A second reference: the transformation replaces it, m_xmlDoc keeps the WML.
  xml::XmlDocument preview;
  if (!m_xmlTools.TryTransform(m_xmlDoc, m_xslExport, preview)) {
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
    notePreviewShown();
  }
  AnalyseElements(lstKnownElements);
  return StepResult::Done;
}

} // namespace tavro::conversion
