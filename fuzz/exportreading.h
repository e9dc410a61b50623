#pragma once
// Whether an exported page reads in a browser as the tree it was written from: the oracle of
// the export tests and of the WML fuzzing harness.

#include "platform/xml/xmldocument.h"

#include <string>

namespace tavro::fuzz {

/// The tree the export stylesheet makes of a deck, pictures left out, as the export engine makes
/// it before writing it as HTML: an XML document whose root is body, or an empty document when
/// the deck does not parse or the transformation gives nothing.
xml::XmlDocument exportedTree(const std::string& deck);

/// How a browser's HTML parser reads an exported page against the tree meant: the first place
/// where the body it reads differs from intended (an XML document whose root is body), or ""
/// when it reads as meant and its head declares UTF-8. Comments and white-space-only text are
/// left out on both sides, and what is meant has no character an HTML page may not hold
/// (util::allowedInHtml).
std::string htmlReadsAs(const std::string& page, const xml::XmlDocument& intended);

} // namespace tavro::fuzz
