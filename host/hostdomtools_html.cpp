// HostDomTools' HTML parsing lives with the engine, which holds the HTML parser.

#include "host/hosttools.h"

#include "platform/html/htmltoxml.h"

namespace tavro::host {

xml::XmlDocument HostDomTools::HtmlToXml(const std::string& markup, com::Variant&, com::Variant&) const {
  return html::htmlToXml(markup);
}

} // namespace tavro::host
