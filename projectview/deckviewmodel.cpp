#include "projectview/deckviewmodel.h"

#include "decks/wbxml.h"
#include "decks/wmlcheck.h"
#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "platform/xml/xmldocument.h"
#include "util/fileurl.h"

namespace tavro::projectview {

namespace {

std::string lineOf(int line) { return line > 0 ? "line " + std::to_string(line) + ": " : std::string(); }

} // namespace

DeckViewModel::DeckViewModel(std::shared_ptr<html::Browser> browser) : m_browser(std::move(browser)) {
  m_export.setConvertImages(true);
  m_export.LoadExportStylesheet();
}

DeckViewModel::~DeckViewModel() { stopListening(); }

void DeckViewModel::clear() {
  reset();
  showMarkup("");
  notify();
}

void DeckViewModel::reset() {
  m_name.clear();
  m_fileName.clear();
  m_problem.clear();
  m_source.clear();
  m_read = false;
  m_cards.clear();
  m_current = -1;
  m_validity.clear();
  m_valid = false;
  m_compiledSize.reset();
}

void DeckViewModel::open(const host::HostProjectRef& project, std::string name) {
  // By value: the caller may pass documentName() itself, which reset() clears.
  reset();
  m_name = std::move(name);

  // Read the source first: the view, the source tab and the checks all start from this text.
  com::ObjectPtr document = project.Documents().Item(m_name);
  if (!document) {
    return fail("The project holds no document named '" + m_name + "'.");
  }
  host::HostDocumentRef ref(document);
  m_fileName = ref.Name() + "." + ref.DocumentType();
  try {
    m_source = ref.Content();
    m_read = true;
  } catch (const com::ComError& e) {
    return fail("The file " + m_fileName + " cannot be read: " + e.what());
  }

  xml::XmlDocument deck;
  if (!deck.loadXML(m_source)) {
    const auto& error = deck.parseError();
    m_validity = "Not well-formed XML: " + lineOf(error.line) + error.reason;
    return fail("The deck cannot be shown. " + m_validity);
  }
  if (auto fault = decks::firstFault(deck)) {
    m_validity = "Not valid WML 1.1: " + lineOf(fault->line) + fault->message;
  } else {
    m_valid = true;
    m_validity = "Valid WML 1.1";
    try {
      if (m_source.size() <= decks::maxCompiledText)
        m_compiledSize = decks::compileWbxml(m_source).size();
    } catch (const decks::WbxmlError&) {
      m_compiledSize.reset();
    }
  }

  // The page the export would write into the project folder, cut into its cards.
  m_export.setProject(project);
  std::string page;
  if (!m_export.transformSource(m_source, page)) {
    return fail("The deck gives no page to show.");
  }
  if (page.size() > html::Browser::maxPageBytes) {
    return fail("The deck's page is larger than the browser shows (" +
                std::to_string(html::Browser::maxPageBytes >> 20) + " MiB); its source is in the Source tab.");
  }
  splitCards(page, project.ProjectFolder());
  if (m_cards.empty()) {
    return fail("The deck holds nothing to show.");
  }
  showCard(0);
}

void DeckViewModel::splitCards(const std::string& page, const std::string& projectFolder) {
  // The page's address is where the export writes it, so that pictures referenced from there
  // come out of the serialiser as full addresses the browser's blank page still finds.
  const std::string address = util::pathToFileUrl(fs::joinPath(projectFolder, m_name + ".html"));
  html::DocumentPtr parsed = html::Document::parse(page, address);
  html::ElementPtr body = parsed->body();
  if (!body)
    return;
  // Each card is a DIV directly in the body; the deck's head comes out as elements of other names.
  for (const auto& child : body->children()) {
    if (child->is("div"))
      m_cards.push_back({child->attribute("id"), child->attribute("title"), child->outerHTML()});
  }
  // A deck that matches no rule (a namespace of its own) gives text alone: one card of it.
  if (m_cards.empty() && !body->innerText().empty())
    m_cards.push_back({"", "", body->innerHTML()});
}

std::string DeckViewModel::currentTitle() const {
  if (m_current < 0)
    return {};
  const DeckCard& card = m_cards[std::size_t(m_current)];
  return card.title.empty() ? card.id : card.title;
}

bool DeckViewModel::showCard(int index) {
  if (index < 0 || index >= int(m_cards.size()))
    return false;
  m_current = index;
  showMarkup(m_cards[std::size_t(index)].markup);
  notify();
  return true;
}

bool DeckViewModel::followLink(std::string_view href) {
  const std::size_t hash = href.find('#');
  if (hash == std::string_view::npos || m_cards.empty())
    return false;
  const std::string_view target = href.substr(0, hash);
  if (!target.empty() && target != m_fileName)
    return false;
  const std::string_view id = href.substr(hash + 1);
  for (std::size_t i = 0; i < m_cards.size(); ++i) {
    if (!id.empty() && m_cards[i].id == id)
      return showCard(int(i));
  }
  return false;
}

std::optional<std::size_t> DeckViewModel::textSize() const {
  return m_read ? std::optional<std::size_t>(m_source.size()) : std::nullopt;
}

std::string DeckViewModel::summary() const {
  std::string line = m_validity;
  if (auto size = textSize())
    line += (line.empty() ? "" : " | ") + std::to_string(*size) + " bytes as text";
  if (m_compiledSize)
    line += " | " + std::to_string(*m_compiledSize) + " bytes compiled";
  else if (m_valid && m_source.size() > decks::maxCompiledText)
    line += " | not compiled: larger than " + std::to_string(decks::maxCompiledText >> 10) + " KiB";
  return line;
}

void DeckViewModel::fail(std::string problem) {
  m_problem = std::move(problem);
  showMessage(m_problem);
  notify();
}

void DeckViewModel::showMessage(const std::string& text) {
  showMarkup("");
  if (const auto& doc = m_browser->Document()) {
    // As a text node: the message may quote the file, which is never read as markup.
    html::ElementPtr paragraph = doc->createElement("p");
    paragraph->appendChild(doc->createTextNode(text));
    doc->body()->appendChild(paragraph);
  }
}

void DeckViewModel::showMarkup(const std::string& markup) {
  // One blank page per document; cards replace the body's content, so the view stays on it.
  const auto& doc = m_browser->Document();
  if (!doc || doc->url() != "about:blank" || m_listened.lock() != doc) {
    stopListening();
    m_browser->Navigate("about:blank");
    listenForLinks();
  }
  if (const auto& shown = m_browser->Document())
    shown->body()->setInnerHTML(markup);
}

void DeckViewModel::listenForLinks() {
  const auto& doc = m_browser->Document();
  if (!doc)
    return;
  m_listened = doc;
  m_listener = doc->addEventListener("click", [this](html::Event& event) {
    for (html::Element* e = event.srcElement().get(); e; e = e->parent()) {
      if (!e->is("a"))
        continue;
      // A link never leaves the page on its own; one to a card of the deck shows the card.
      event.setReturnValue(false);
      followLink(e->attribute("href"));
      return;
    }
  });
}

void DeckViewModel::stopListening() {
  if (auto doc = m_listened.lock())
    doc->removeEventListener(m_listener);
  m_listened.reset();
  m_listener = 0;
}

void DeckViewModel::notify() {
  if (changed)
    changed();
}

} // namespace tavro::projectview
