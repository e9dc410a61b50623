#pragma once
// Making an imported deck valid WML 1.1 while it keeps the words of its page, and writing it
// out as a phone reads it.
//
// The conversion flattens what WML cannot express, but a page can still leave structures WML
// forbids: a list inside a list gives a paragraph inside a paragraph, a form field sits inside
// bold text, a link has no target, an id is not a name or appears twice, a table cell holds a
// picture without a source. The repair walks the deck once and mends each such place so that
// the deck reads as the page did:
//
// - an element that may not stand where it is gives way to its content, with a line break on
//   either side when it was a block (a paragraph, a table, a choice list), so words stay apart;
// - a form field inside formatting or a link moves out of it, the formatting split around it;
// - text where WML allows none goes into a cell or a paragraph, or goes when it is blank;
// - attributes WML does not have go, "lang" becomes "xml:lang", and a value of the wrong kind
//   is mended where its meaning is clear ("TEXT" -> "text") and dropped where it is not;
// - ids become valid, unique names, and links within the deck follow them;
// - a link without a target keeps its text, a picture without a source gives its alternative
//   text, a table gets the column count its widest row needs, and empty choice lists, rows,
//   tables and paragraphs go.
//
// Block boundaries reach the repair as "break" processing instructions that the conversion
// puts where the page started a new line (after a heading, around a div). Each becomes a line
// break where text stands on both sides of it in its paragraph or cell, and goes elsewhere, so
// that boundaries never give empty lines.
//
// The id of an element that left nothing in the deck (a div, a span, a named anchor) reaches
// the repair as an "id" processing instruction where the element stood. It goes to the element
// that starts there, or to the paragraph or cell it starts, or to the line break just before
// it; where none of them is free, an empty em holds it. Links to it thus keep their place. An
// id that no link leads to is not placed: it would only cost the phone bytes.

#include "platform/xml/xmldocument.h"

#include <map>
#include <set>
#include <string>
#include <string_view>

namespace tavro::decks {

/// The target of the processing instruction that marks a block boundary.
inline constexpr const char* breakTarget = "break";
/// The target of the processing instruction that holds the id of an element of the page that
/// left no element in the deck, where it stood.
inline constexpr const char* idTarget = "id";

/// Mends the deck in place as described above. The deck is a wml element holding cards. With
/// ids, each id the deck had is mapped to the id it has now (the first element of that id's).
/// An id mark is placed only where a link of the deck leads to its id; with placed, every one
/// is, and the ids they gave (as the deck writes them) are added to placed, for the caller to
/// take out those that no link of other decks leads to either (see unplaceIds).
void makeValid(xml::XmlDocument& deck, std::map<std::string, std::string>* ids = nullptr,
               std::set<std::string>* placed = nullptr);

/// Takes out of the deck each of the ids that marks gave (placed by makeValid) but those in
/// kept: the id goes, and an empty em that only held it goes too.
void unplaceIds(xml::XmlDocument& deck, const std::set<std::string>& placed, const std::set<std::string>& kept);

/// The deck as text: an XML declaration, then the deck indented, with every "$" of text and
/// attribute values written "$$", since a lone "$" starts a variable reference in WML.
std::string deckText(xml::XmlDocument& deck);

/// Turns each "$$" of the deck's text and attribute values into the "$" a phone shows, for a
/// deck shown where WML's variables mean nothing (a page of HTML). "$(name)" stays as it is.
void unescapeDollars(xml::XmlDocument& deck);

/// The deck as text: an XML declaration, then the deck indented, its text as it stands.
std::string indentedDeck(const xml::XmlDocument& deck);

/// Reads a deck from its text as a phone reads it: the white space of its text stays, so the
/// space in "<b>not</b> <i>so</i>" keeps two words apart, and white space alone where an element
/// holds no text (between cards, paragraphs, rows) goes, being only the layout of the file.
/// False, with the deck's parse error, when the text is no well-formed XML.
bool loadDeck(xml::XmlDocument& deck, std::string_view text);

} // namespace tavro::decks
