// The report pages the import writes into the browser: the analysis log, the frames list and
// the two error notes.

#include "conversion/importengine.h"

#include "conversion/ceventhandler.h"
#include "platform/html/browser.h"

namespace tavro::conversion {

namespace {

void arial(html::Element& element) {
  auto style = element.style();
  style.setFontFamily("Arial");
  style.setFontSize("12");
}

} // namespace

// The heading every page starts with: "Analysis Log" in bold, then the page's message.
std::shared_ptr<html::Element> ImportEngine::logHead(const std::string& text) {
  m_strLogText = text;
  auto doc = document();
  auto container = doc->createElement("BODY");
  auto bold = doc->createElement("B");
  bold->appendChild(doc->createTextNode("Analysis Log"));
  container->appendChild(bold);
  auto paragraph = doc->createElement("P");
  paragraph->appendChild(doc->createTextNode(m_strLogText));
  container->appendChild(paragraph);
  return container;
}

void ImportEngine::showLogPage(const std::shared_ptr<html::Element>& container) {
  auto body = document()->body();
  arial(*body);
  WaitForBrowser();
  setBodyHtml(container->outerHTML());
}

void ImportEngine::ShowTransformErrorPage() {
  auto container = logHead("An Error occurred during the transformation process."
                           " Click Back and attempt to load another HTML file.");
  container->appendChild(document()->createElement("HR"));
  showLogPage(container);
}

void ImportEngine::ShowFileNotFoundPage() {
  auto container = logHead("An Error occurred during the transformation process."
                           " The HTML file that the Wizard attempted to import could not be found."
                           " Please click Browse to select an alternative HTML file.");
  container->appendChild(document()->createElement("HR"));
  showLogPage(container);
}

std::shared_ptr<html::Element> ImportEngine::BuildElementTable(const std::vector<std::string>& names) {
  auto table = document()->createElement("TABLE");
  table->setAttribute("border", "1");
  table->setAttribute("borderColor", "#B0C4DE");
  table->setAttribute("borderColorLight", "#B0C4DE");
  arial(*table);
  auto row = table->insertRow();
  for (const auto& name : names) {
    if (row->cells().size() == 4)
      row = table->insertRow();
    auto cell = row->insertCell();
    cell->setAttribute("width", "80");
    cell->setInnerText(name);
  }
  return table;
}

void ImportEngine::ShowAnalysisPage() {
  auto container = logHead("The import wizard has successfully converted your HTML content into a skeleton "
                           "WML representation. Click Next to proceed.");
  auto doc = document();
  auto lineBreak = doc->createElement("BR");
  struct Section {
    const std::vector<std::string>& names;
    const char* title;
    const char* description;
  };
  const Section sections[] = {
      {m_colTransformed, "Transformed Elements",
       " - These elements have been transformed into a WML representation. "
       "These elements can be removed during the Fine Tune process."},
      {m_colMapped, "Mapped Elements",
       " - The HTML elements listed below do not have a direct mapping in WML."
       " As a result, these elements have been mapped to the nearest WML representation."},
      {m_colRemoved, "Removed Elements",
       " - These are elements which were removed from the content during "
       "the import process because they are not represented in WML."},
  };
  for (const auto& section : sections) {
    if (section.names.empty())
      continue;
    auto table = BuildElementTable(section.names);
    container->appendChild(doc->createElement("HR"));
    auto title = doc->createElement("B");
    title->appendChild(doc->createTextNode(section.title));
    container->appendChild(title);
    container->appendChild(doc->createTextNode(section.description));
    container->appendChild(table);
  }
  // The page ends with one line break after the removed elements' table.
  if (!m_colRemoved.empty())
    container->appendChild(lineBreak);
  arial(*doc->body());
  setBodyHtml(container->outerHTML());
}

void ImportEngine::ShowFramesPage(const std::vector<std::shared_ptr<html::Element>>& frames) {
  auto container = logHead("The HTML document that is being imported contains frames."
                           " Please select a specific frame to import from the list below."
                           " After a file has been selected click Next to proceed with the import.");
  auto handler = std::make_shared<cEventHandler>();
  handler->Set_Destination(m_evtTarget, "Some_Procedure");
  m_evtHandler = handler;

  auto doc = document();
  container->appendChild(doc->createElement("HR"));
  container->appendChild(doc->createTextNode("Please select one of the frames listed below..."));
  container->appendChild(doc->createElement("BR"));

  auto table = doc->createElement("TABLE");
  for (const auto& frame : frames) {
    const std::string source = frame->attribute("src");
    auto row = table->insertRow();
    auto first = row->insertCell();
    auto radio = doc->createElement("INPUT");
    radio->setAttribute("TYPE", "radio");
    radio->setAttribute("ID", source);
    radio->setAttribute("name", "radioButton");
    auto bold = doc->createElement("B");
    bold->appendChild(doc->createTextNode(source));
    first->appendChild(bold);
    row->insertCell()->appendChild(radio);
  }
  arial(*table);
  container->appendChild(table);

  m_browser.Navigate("about:blank");
  WaitForBrowser();
  auto blank = document();
  arial(*blank->body());
  if (m_browser.ReadyState() == 4 && blank->readyState() == "complete") {
    setBodyHtml(container->outerHTML());
    for (const auto& input : blank->getElementsByTagName("INPUT"))
      input->setOnclick(m_evtHandler);
    WaitForBrowser();
  }
}

} // namespace tavro::conversion
