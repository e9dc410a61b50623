#include "conversion/htmltoxmldocument.h"

#include "platform/html/htmltoxml.h"

namespace tavro::conversion {

std::optional<xml::XmlDocument> HtmlToXmlDocument(std::string markup, const host::HostXmlTools& xmlTools,
                                                  const host::HostDomTools& domTools) {
  // markup is already this function's own copy.
  com::Variant first(0);
  com::Variant second(false);
  xmlTools.PrepareHtml(markup, first, second);
  if (markup.empty())
    return std::nullopt;
  com::Variant level(0);
  com::Variant flag(false);
  xml::XmlDocument doc = domTools.HtmlToXml(markup, level, flag);
  if (doc.empty())
    return std::nullopt;
  return doc;
}

std::optional<xml::XmlDocument> HtmlToXmlDocument(std::string markup) {
  host::HostXmlTools xmlTools;
  host::HostDomTools domTools;
  return HtmlToXmlDocument(std::move(markup), xmlTools, domTools);
}

std::optional<xml::XmlDocument> BodyToXmlDocument(const html::Element& body) {
  if (body.childNodes().empty())
    return std::nullopt;
  xml::XmlDocument doc = html::contentToXml(body);
  if (doc.empty())
    return std::nullopt;
  return doc;
}

} // namespace tavro::conversion
