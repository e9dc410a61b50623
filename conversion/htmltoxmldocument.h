#pragma once
// HtmlToXmlDocument: HTML markup (the browser's innerHTML of a page body) as an XML document.
// Every step of the import that needs the page as XML goes through it.

#include "host/hosttools.h"
#include "platform/xml/xmldocument.h"

#include <optional>
#include <string>

namespace tavro::html {
class Element;
}

namespace tavro::conversion {

/// The markup as XML with a `body` root and lower-case names, or nothing for empty markup.
/// The markup is first handed to HostXmlTools::PrepareHtml; the text that goes on is the copy
/// as that call leaves it. The conversion itself is the browser model's HTML-to-XML bridge,
/// the one HostDomTools serves.
std::optional<xml::XmlDocument> HtmlToXmlDocument(std::string markup, const host::HostXmlTools& xmlTools,
                                                  const host::HostDomTools& domTools);
/// The same with tool objects of its own.
std::optional<xml::XmlDocument> HtmlToXmlDocument(std::string markup);

/// The document HtmlToXmlDocument gives for a BODY element's markup (its innerHTML), taken
/// straight from the document model instead of writing the markup out and parsing it again.
std::optional<xml::XmlDocument> BodyToXmlDocument(const html::Element& body);

} // namespace tavro::conversion
