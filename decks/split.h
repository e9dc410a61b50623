#pragma once
// Splitting a deck whose compiled size is over a phone's limit into several decks, each under
// it: "name", "name-2", "name-3" ... in reading order.
//
// Decks are cut between paragraphs; a paragraph too big for a deck of its own is cut between
// its lines (at a line break, which goes), and a line too big between its words. A table is cut
// between its rows and a row between its cells, each part's table with the columns its cells
// need; formatting (b, em ...) is cut through, each part showing its words in it. Links,
// pictures and fields are never cut, and words only where one is too big for a deck of its own:
// a row of links that touch between its elements, a word of text that takes more than half of a
// deck (a hash, a program's data) between its characters. Each card is split on its own, so a
// deck never holds parts of two cards. Every deck but the first has a way back to the one before
// and every deck but the last a way on to the next: "do" elements (labelled "Back" and "Next")
// for phones with soft keys, and a last paragraph with "Back" and "Next" links for the others.
// The head and the template go into every deck; the card keeps its title in each, its id and
// its timer and events in the first; an element cut in two keeps its id in the part where it
// begins. Links within the deck ("#id") follow their id to the deck that holds it. An address
// that takes more than half of a part (a link carrying a program, a picture's data), of no use
// on a phone, is left out: the link as its words, the picture as its alt text.

#include <cstddef>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::decks {

/// Why a deck cannot be split under the limit, in words for the user.
class SplitError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct DeckPart {
  std::string name;              ///< "name" for the first, then "name-2", "name-3" ...
  std::string text;              ///< the deck's text as it is written
  std::size_t compiledBytes = 0; ///< the WBXML it compiles to: measured for each part of a split deck
};

struct SplitDeck {
  std::vector<DeckPart> parts;
  /// Each id of the deck mapped to the name of the part that holds it; empty when the deck
  /// was not split.
  std::map<std::string, std::string> partOfId;
  /// How many links and pictures had an address that takes more than half of what a part
  /// can hold: each link was left as its words, each picture as its alt text (a soft key or
  /// event with such an address went).
  std::size_t unsent = 0;
};

/// What the user is told of the links and pictures a split left as text ("2 links or pictures
/// left as their text: their addresses take more than half of a deck of 1400 bytes"), "" when
/// none.
std::string unsentNote(const SplitDeck& split, std::size_t maxBytes);

/// The name of the part after the first: "name-2" for index 1, and so on.
std::string partName(const std::string& name, std::size_t index);

/// deckText (a valid deck as it is written, "$" written "$$") split into parts that each
/// compile to at most maxBytes of WBXML. A deck that fits is the one part, byte for byte as
/// given. A link, picture or task whose address takes more than half of a part is left as its
/// text first (counted in unsent), which may leave a deck that fits as one part. Raises SplitError when
/// the limit is below the smallest deck with navigation, or when a piece that may not be cut
/// (an element, a word) does not fit on its own; WbxmlError when a part cannot be compiled.
///
/// A long deck takes a while (a second or so for each 100 KB of text): progress, when set, is
/// called as the parts are first packed, with the deck's pieces of text placed so far and in all.
using SplitProgress = std::function<void(std::size_t placed, std::size_t total)>;
SplitDeck splitDeck(std::string_view deckText, const std::string& name, std::size_t maxBytes,
                    const SplitProgress& progress = {});

} // namespace tavro::decks
