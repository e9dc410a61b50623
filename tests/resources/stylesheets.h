#pragma once
// Running the embedded conversion stylesheets in tests, and comparing XML as trees.

#include "platform/xml/xmldocument.h"
#include "platform/xml/xsltemplate.h"

#include <string>
#include <string_view>

namespace tavro::test {

/// The embedded stylesheet of that type (number 101), compiled.
xml::XslTemplate embeddedStylesheet(std::string_view type);

/// Parses XML text; a parse failure fails the calling test and gives an empty document.
xml::XmlDocument parse(std::string_view text, bool preserveWhiteSpace = true);

/// Applies the embedded stylesheet to the document and returns its serialised output; a failed
/// transformation fails the calling test and gives "".
std::string applyStylesheet(std::string_view type, const xml::XmlDocument& input);
std::string applyStylesheet(std::string_view type, std::string_view input, bool preserveWhiteSpace = true);

/// A canonical text for an XML tree: attributes sorted by name, no declaration; white-space-only
/// text dropped when dropBlank is set. Equal trees give equal texts.
std::string canonical(std::string_view xmlText, bool dropBlank);

/// HTMLIMPORT applied to a body (all white space kept), canonical with all white space kept.
std::string importHtml(std::string_view body);

} // namespace tavro::test
