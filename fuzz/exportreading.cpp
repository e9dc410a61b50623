#include "fuzz/exportreading.h"

#include "decks/deckrepair.h"
#include "host/hosttools.h"
#include "platform/html/document.h"
#include "platform/xml/xsltemplate.h"
#include "resources/resources.h"
#include "util/utf8.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tavro::fuzz {

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
  return out;
}

// One side's tree as markup: elements with their attributes sorted, and the runs of text
// between them (adjacent text joined, white-space-only runs and comments left out).
struct Outline {
  std::string out, text;
  // Ends the run of text before the markup.
  void add(const std::string& markup) {
    if (text.find_first_not_of(" \t\r\n\f") != std::string::npos)
      out += escaped(text);
    text.clear();
    out += markup;
  }
  void open(const std::string& name, Attributes attributes) {
    std::sort(attributes.begin(), attributes.end());
    std::string tag = "<" + name;
    for (const auto& [attribute, value] : attributes)
      tag += " " + attribute + "=\"" + escaped(value) + "\"";
    add(tag + ">");
  }
};

// The meant side: what the tree holds, less the characters an HTML page may not hold.
void outline(xmlNodePtr e, Outline& out) {
  std::string name = reinterpret_cast<const char*>(e->name);
  Attributes attributes;
  for (xmlAttrPtr a = e->properties; a; a = a->next)
    attributes.emplace_back(
        reinterpret_cast<const char*>(a->name),
        util::keepCharacters(xml::attribute(e, reinterpret_cast<const char*>(a->name)), util::allowedInHtml));
  // A paragraph that holds a fieldset is written as a div: HTML ends a paragraph where a
  // fieldset starts.
  for (xmlNodePtr c = e->children; c && name == "p"; c = c->next)
    if (c->type == XML_ELEMENT_NODE && xmlStrEqual(c->name, BAD_CAST "fieldset"))
      name = "div";
  out.open(name, attributes);
  for (xmlNodePtr c = e->children; c; c = c->next) {
    if (c->type == XML_ELEMENT_NODE)
      outline(c, out);
    else if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
      out.text += util::keepCharacters(reinterpret_cast<const char*>(c->content), util::allowedInHtml);
  }
  out.add("</" + name + ">");
}

void outline(const html::Element& e, Outline& out, bool inTable = false) {
  // The parser puts the rows of a table into a tbody of its own.
  const bool ownTbody = inTable && e.localName() == "tbody" && e.attributes().empty();
  Attributes attributes;
  for (const auto& a : e.attributes())
    attributes.emplace_back(a.name, a.value);
  if (!ownTbody)
    out.open(e.localName(), attributes);
  for (const auto& c : e.childNodes()) {
    if (c->isElement())
      outline(static_cast<const html::Element&>(*c), out, e.localName() == "table");
    else if (c->nodeType() == html::NodeType::Text)
      out.text += c->data();
  }
  if (!ownTbody)
    out.add("</" + e.localName() + ">");
}

} // namespace

xml::XmlDocument exportedTree(const std::string& deck) {
  static const xml::XslTemplate stylesheet = [] {
    host::HostXmlTools tools;
    xml::XslTemplate sheet;
    sheet.setStylesheet(tools.LoadXmlString(tools.ResourceToString(resources::find("WMLEXPORT", 101))));
    return sheet;
  }();
  xml::XmlDocument doc;
  if (!decks::loadDeck(doc, deck))
    return {};
  decks::unescapeDollars(doc);
  host::HostDomTools().RemoveElements("img", doc, true);
  auto body = stylesheet.transform(doc);
  return body ? std::move(*body) : xml::XmlDocument();
}

std::string htmlReadsAs(const std::string& page, const xml::XmlDocument& intended) {
  auto doc = html::Document::parse(page, "about:blank");
  bool utf8 = false;
  for (const auto& meta : doc->getElementsByTagName("META"))
    utf8 = utf8 ||
           (meta->parentNode() && meta->parentNode()->localName() == "head" && meta->attribute("charset") == "utf-8");
  if (!utf8)
    return "no UTF-8 declaration in the head";
  xmlNodePtr root = intended.documentElement();
  if (!root || std::string(reinterpret_cast<const char*>(root->name)) != "body")
    return "the intended tree has no body";
  Outline meant, read;
  outline(root, meant);
  outline(*doc->body(), read);
  const std::string &want = meant.out, &got = read.out;
  if (want == got)
    return "";
  const std::size_t at =
      std::size_t(std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin());
  const std::size_t from = at < 60 ? 0 : at - 60;
  return "meant ..." + want.substr(from, 120) + "\nread  ..." + got.substr(from, 120);
}

} // namespace tavro::fuzz
