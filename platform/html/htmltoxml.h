#pragma once
// From HTML to XML: markup, or the content of a model element, as an XML document whose root
// is `body`. Element and attribute names are lower case. Elements whose names are not XML
// names lose their tags but keep their content; attributes whose names are not XML names (or
// that would declare namespaces) are dropped, as are attributes past the 400th of an element;
// characters XML 1.0 forbids are dropped. The
// tree is at most maxXmlDepth deep: content below that depth is kept, one level up, in
// document order, so that libxml2 and libxslt never meet a tree deep enough to exhaust their
// stack. Comments are left out. White-space-only text is kept only where it can show: in
// preformatted elements, and between two pieces of inline content (the edge of an inline
// element counts as inline content).

#include "platform/html/node.h"
#include "platform/xml/xmldocument.h"

#include <string_view>

namespace tavro::html {

/// Levels of elements in an XML document made from HTML, the body included. libxml2 refuses
/// to parse documents deeper than 256 levels, and the documents made from this one (the WML
/// deck, its HTML preview) wrap its content in a few more; this leaves them room.
inline constexpr int maxXmlDepth = 200;

/// The markup parsed as the content of a body, as XML. An IMG src is resolved against
/// baseUrl when one is given (as the browser writes it into innerHTML); a style attribute
/// comes out as "NAME: value; NAME: value". Empty markup gives an empty document.
xml::XmlDocument htmlToXml(std::string_view markup, std::string_view baseUrl = {});

/// The content of container (a BODY, or any element) as XML with a `body` root; IMG src values
/// are resolved against the address of the container's document.
xml::XmlDocument contentToXml(const Element& container);

/// Whether name can name an XML element or attribute here: an ASCII name without a colon,
/// not "xmlns".
bool isXmlName(std::string_view name);

} // namespace tavro::html
