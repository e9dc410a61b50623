#pragma once
// Whether a deck is valid WML 1.1, read against the same table of the language that the repair
// of imported decks uses: the elements and where each may stand, their order where the
// language fixes one, the attributes each takes with the kind of value, the required ones,
// and ids unique in the deck.

#include "platform/xml/xmldocument.h"

#include <optional>
#include <string>

namespace tavro::decks {

struct DeckFault {
  int line = 0; ///< the line of the element at fault (0 when unknown)
  std::string message;
};

/// The first fault of the deck in document order, or nothing when it is valid WML 1.1.
std::optional<DeckFault> firstFault(const xml::XmlDocument& deck);

} // namespace tavro::decks
