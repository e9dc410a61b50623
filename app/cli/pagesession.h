#pragma once
// One page opened the way the import wizard opens it: in a browser of its own, tamed, and
// converted by the import engine. Shared by `tavro convert` and `tavro import`.

#include "conversion/importengine.h"
#include "conversion/siteimport.h"
#include "platform/html/browser.h"

#include <memory>
#include <string>

namespace tavro::cli {

/// A line for the analysis: the size of the deck compiled to WBXML, as a phone receives it.
std::string compiledSize(const std::string& deck);
/// A line for the analysis of a deck that was split: each part and its compiled size; then the
/// split's note (decks::unsentNote) when there is one. Empty for a deck that was not split.
std::string splitSummary(const std::vector<decks::DeckPart>& parts, const std::string& note = "");

class PageSession : public conversion::OpenedPage {
public:
  /// Opens page (a .htm or .html file), or the frame whose source is frame when the page is a
  /// frameset. Raises UserError with a one-line message when the page cannot be opened, or is
  /// a frameset and no frame (or an unknown one) was named: the message lists its frames.
  PageSession(const std::string& page, const std::string& frame, host::HostProjectRef project = {});
  /// Opens page as it is, a frameset too (frames() then lists its frames).
  PageSession(const std::string& page, host::HostProjectRef project);
  ~PageSession() override;

  conversion::ImportEngine& engine() override { return *m_engine; }
  std::vector<std::string> frames() const override;
  const std::string& address() const { return m_address; }

  /// Converts the page; raises UserError when it cannot be converted.
  void convert();
  /// The analysis: a line each for the transformed, mapped and removed names.
  std::string analysis() const;

private:
  void load(const std::string& path);

  html::Browser m_browser;
  struct Taming;
  std::unique_ptr<Taming> m_taming;
  std::unique_ptr<conversion::ImportEngine> m_engine;
  std::string m_address;
};

} // namespace tavro::cli
