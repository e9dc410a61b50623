#include "app/cli/pagesession.h"

#include "app/cli/command.h"
#include "conversion/frames.h"
#include "decks/wbxml.h"
#include "htmlimport/browsertaming.h"
#include "htmlimport/modhtmlimport.h"
#include "util/text.h"

#include <algorithm>
#include <cstdio>

namespace tavro::cli {

struct PageSession::Taming {
  explicit Taming(html::Browser& browser) : taming(browser) {}
  htmlimport::BrowserTaming taming;
};

PageSession::PageSession(const std::string& page, const std::string& frame, host::HostProjectRef project)
    : m_taming(std::make_unique<Taming>(m_browser)),
      m_engine(std::make_unique<conversion::ImportEngine>(m_browser, std::move(project))) {
  m_engine->LoadConversionResources();
  load(page);

  const std::vector<std::string> sources = frames();
  if (sources.empty()) {
    if (!frame.empty())
      throw UserError("'" + page + "' has no frames, so --frame " + frame + " names nothing");
    return;
  }
  const std::string list = util::join(sources, ", ");
  if (frame.empty())
    throw UserError("'" + page + "' is a frameset; choose a frame with --frame: " + list);
  if (std::find(sources.begin(), sources.end(), frame) == sources.end())
    throw UserError("'" + page + "' has no frame '" + frame + "'; its frames: " + list);
  load(conversion::frameAddress(m_address, frame));
}

PageSession::PageSession(const std::string& page, host::HostProjectRef project)
    : m_taming(std::make_unique<Taming>(m_browser)),
      m_engine(std::make_unique<conversion::ImportEngine>(m_browser, std::move(project))) {
  m_engine->LoadConversionResources();
  load(page);
}

PageSession::~PageSession() = default;

std::vector<std::string> PageSession::frames() const {
  std::vector<std::string> sources;
  // A frame without a source shows nothing and names no page to take.
  for (const auto& f : m_browser.Document()->getElementsByTagName("FRAME"))
    if (std::string src = f->attribute("src"); !src.empty())
      sources.push_back(std::move(src));
  return sources;
}

void PageSession::load(const std::string& path) {
  requireFile(path, "a page (tavro import --project PROJECT FOLDER imports a folder as a site)");
  if (!htmlimport::IsHtmlFile(path))
    throw UserError("not an HTML page (the name must end in .htm or .html): '" + path + "'");
  if (!htmlimport::LoadHtmlFile(path, m_browser))
    throw UserError("cannot open '" + path + "': " + m_browser.LastError());
  m_address = path;
  // As the wizard does before converting: the body's own attributes play no part.
  if (auto body = m_browser.Document()->body())
    body->clearAttributes();
}

void PageSession::convert() {
  switch (m_engine->ConvertSource()) {
  case conversion::StepResult::Done: return;
  case conversion::StepResult::ErrorPage:
    throw UserError("'" + m_address + "' could not be turned into XML, so it cannot be converted");
  case conversion::StepResult::Closed:
    throw UserError("the conversion of '" + m_address + "' failed in its final stage");
  }
}

std::string compiledSize(const std::string& deck) {
  if (deck.size() > decks::maxCompiledText)
    return "Compiled Size: not compiled, the deck is over " + std::to_string(decks::maxCompiledText >> 10) + " KiB\n";
  try {
    return "Compiled Size: " + std::to_string(decks::compileWbxml(deck).size()) + " bytes of WBXML\n";
  } catch (const decks::WbxmlError& e) {
    return std::string("Compiled Size: unknown (") + e.what() + ")\n";
  }
}

std::string splitSummary(const std::vector<decks::DeckPart>& parts, const std::string& note) {
  std::string out;
  if (parts.size() > 1) {
    out = "Split Into: ";
    for (std::size_t i = 0; i < parts.size(); ++i)
      out += (i ? ", " : "") + parts[i].name + " (" + std::to_string(parts[i].compiledBytes) + " bytes)";
    out += "\n";
  }
  return note.empty() ? out : out + "tavro: " + note + "\n";
}

std::string PageSession::analysis() const {
  std::string out;
  auto line = [&](const char* title, const std::vector<std::string>& names) {
    out += std::string(title) + ": " + (names.empty() ? "(none)" : util::join(names, ", ")) + "\n";
  };
  line("Transformed Elements", m_engine->m_colTransformed);
  line("Mapped Elements", m_engine->m_colMapped);
  line("Removed Elements", m_engine->m_colRemoved);
  out += compiledSize(m_engine->m_strWml);
  return out;
}

} // namespace tavro::cli
