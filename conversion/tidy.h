#pragma once
// The tidying pass of the import: every run of a card's content that is not a paragraph
// gathered into one.

#include "platform/xml/xmldocument.h"

namespace tavro::conversion {

/// Holds each piece of bare text standing directly in a card in a t:text element, each break
/// mark in a t:break element and each id mark in a t:id element holding the id, so that the
/// paragraph pass keeps them in their runs.
void holdBareText(xml::XmlDocument& doc);

/// What the TIDYWML stylesheet does to a held deck, done in place: the card's non-paragraph
/// elements, run by run, each in a new paragraph, held text written as text and held marks as
/// marks; text and comments standing in the card itself go. False, with the deck untouched,
/// when it is not the plain wml of cards the import pass gives. Text nodes side by side, which
/// a copy would join, are not looked for: neither a transform nor a parse leaves them, and the
/// import's clean-up joins the ones its removals would leave.
bool wrapParagraphs(xml::XmlDocument& doc);

} // namespace tavro::conversion
