#pragma once
// What the stand-in host shows of one project document: the deck turned into HTML by the
// export's own WML-to-HTML pass and shown in a browser one card at a time, links to cards of
// the deck followed inside it, the deck's source, whether it is valid WML 1.1 and its size as
// text and compiled to WBXML. No widgets: the host's window maps its controls onto this.
//
//   auto browser = std::make_shared<html::Browser>();
//   projectview::DeckViewModel deck(browser);
//   deck.open(project, "index");        // the browser shows the first card
//   deck.followLink("#news");           // and now the card with id "news"

#include "decks/wbxml.h"
#include "export/exportengine.h"
#include "host/hostproject.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::html {
class Browser;
class Document;
} // namespace tavro::html

namespace tavro::projectview {

struct DeckCard {
  std::string id;
  std::string title;
  std::string markup; ///< the card as the export's HTML (one DIV)
};

class DeckViewModel {
public:
  /// Decks are shown in browser. Compiles the export stylesheet; its errors pass through.
  explicit DeckViewModel(std::shared_ptr<html::Browser> browser);
  ~DeckViewModel();
  DeckViewModel(const DeckViewModel&) = delete;
  DeckViewModel& operator=(const DeckViewModel&) = delete;

  /// Reads the project's document of that name and shows its first card. A document that is
  /// not held, cannot be read or does not parse leaves a page in the browser saying why, and
  /// problem() says the same; never throws for what the file holds.
  void open(const host::HostProjectRef& project, std::string name);
  /// No document: an empty page, and every property empty.
  void clear();

  const std::string& documentName() const { return m_name; }
  /// Why the deck is not shown ("" when it is).
  const std::string& problem() const { return m_problem; }
  /// The deck's text as read ("" when it could not be read).
  const std::string& source() const { return m_source; }
  const std::vector<DeckCard>& cards() const { return m_cards; }
  /// The card shown (-1 when none).
  int currentCard() const { return m_current; }
  /// The title of the card shown, else its id, else "".
  std::string currentTitle() const;

  /// Shows the card at index; false (nothing changes) for an index out of range.
  bool showCard(int index);
  /// Follows a link of the deck: "#id", or the deck's own file name followed by "#id", shows
  /// that card. Any other link goes nowhere (false): the view never leaves the deck.
  bool followLink(std::string_view href);

  /// "Valid WML 1.1", or the first fault with its line; "" when no deck was read.
  const std::string& validity() const { return m_validity; }
  bool valid() const { return m_valid; }
  /// The size of the deck's text in bytes (when it was read).
  std::optional<std::size_t> textSize() const;
  /// The size of the deck compiled to WBXML (when it is valid, at most decks::maxCompiledText long,
  /// and compiles).
  std::optional<std::size_t> compiledSize() const { return m_compiledSize; }
  /// The validity and the sizes in one line, as the view's status shows them.
  std::string summary() const;

  /// Called after every change of what is shown (a card, a new document, a message).
  std::function<void()> changed;

private:
  void reset();
  /// Shows why the document cannot be shown, and tells the listener.
  void fail(std::string problem);
  void showMessage(const std::string& text);
  void showMarkup(const std::string& markup);
  void splitCards(const std::string& page, const std::string& projectFolder);
  void listenForLinks();
  void stopListening();
  void notify();

  std::shared_ptr<html::Browser> m_browser;
  ExportEngine m_export;
  std::string m_name;
  std::string m_fileName;
  std::string m_problem;
  std::string m_source;
  bool m_read = false;
  std::vector<DeckCard> m_cards;
  int m_current = -1;
  std::string m_validity;
  bool m_valid = false;
  std::optional<std::size_t> m_compiledSize;
  std::weak_ptr<html::Document> m_listened;
  int m_listener = 0;
};

} // namespace tavro::projectview
