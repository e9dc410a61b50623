#include "decks/wbxml.h"

#include "decks/wmlrules.h"
#include "platform/xml/xmldocument.h"

#include <wbxml/wbxml.h>
#include <wbxml/wbxml_conv.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace tavro::decks {

namespace {

constexpr std::string_view wml11Doctype =
    "<!DOCTYPE wml PUBLIC \"-//WAPFORUM//DTD WML 1.1//EN\" \"http://www.wapforum.org/DTD/wml_1.1.xml\">";

// The deck's text with the WML 1.1 document type in place of any other, so that libwbxml
// encodes it as WML 1.1 (without one it would take WML 1.0).
std::string asWml11(std::string_view text) {
  std::string out(text);
  if (auto start = out.find("<!DOCTYPE"); start != std::string::npos) {
    const auto end = out.find('>', start);
    out.replace(start, end == std::string::npos ? std::string::npos : end - start + 1, wml11Doctype);
    return out;
  }
  std::size_t at = 0;
  if (out.rfind("<?xml", 0) == 0) {
    const auto close = out.find("?>");
    at = close == std::string::npos ? 0 : close + 2;
  }
  out.insert(at, std::string(at ? "\n" : "") + std::string(wml11Doctype) + "\n");
  return out;
}

// White space as a phone shows it: each run of spaces, tabs and line ends is one space, and
// where an element holds no text (between cards, paragraphs, rows) white space goes. The
// compiler is then told to keep every space it is given: left to itself it trims the edges of
// each piece of text, which glues "Click <a>here</a>" together, and drops no-break spaces.
std::string phoneWhiteSpace(const std::string& text) {
  xml::XmlDocument deck;
  deck.setPreserveWhiteSpace(true);
  if (!deck.loadXML(text))
    throw WbxmlError("cannot compile the deck: " + deck.parseError().reason);
  std::vector<xmlNodePtr> stack{deck.documentElement()}, blank;
  while (!stack.empty()) {
    xmlNodePtr node = stack.back();
    stack.pop_back();
    const ElementRule* rule = elementRule(reinterpret_cast<const char*>(node->name));
    for (xmlNodePtr c = node->children; c; c = c->next) {
      if (c->type == XML_ELEMENT_NODE) {
        stack.push_back(c);
      } else if (c->type == XML_TEXT_NODE && c->content) {
        std::string collapsed;
        for (const char* p = reinterpret_cast<const char*>(c->content); *p; ++p) {
          const bool space = *p == ' ' || *p == '\t' || *p == '\r' || *p == '\n';
          if (!space)
            collapsed += *p;
          else if (collapsed.empty() || collapsed.back() != ' ')
            collapsed += ' ';
        }
        if (collapsed == " " && !(rule && rule->text))
          blank.push_back(c);
        else
          xmlNodeSetContentLen(c, reinterpret_cast<const xmlChar*>(collapsed.data()), int(collapsed.size()));
      }
    }
  }
  for (xmlNodePtr node : blank) {
    xmlUnlinkNode(node);
    xmlFreeNode(node);
  }
  return deck.xml();
}

struct Freed {
  void operator()(WB_UTINY* p) const { std::free(p); }
};

[[noreturn]] void fail(const char* action, WBXMLError error) {
  throw WbxmlError(std::string(action) + ": " + reinterpret_cast<const char*>(wbxml_errors_string(error)));
}

} // namespace

std::string compileWbxml(std::string_view deckText) {
  std::string text = asWml11(phoneWhiteSpace(std::string(deckText)));
  WBXMLConvXML2WBXML* conv = nullptr;
  if (WBXMLError e = wbxml_conv_xml2wbxml_create(&conv); e != WBXML_OK)
    fail("cannot compile the deck", e);
  std::unique_ptr<WBXMLConvXML2WBXML, decltype(&wbxml_conv_xml2wbxml_destroy)> owner(conv,
                                                                                     wbxml_conv_xml2wbxml_destroy);
  wbxml_conv_xml2wbxml_set_version(conv, WBXML_VERSION_13);
  wbxml_conv_xml2wbxml_enable_preserve_whitespaces(conv);
  WB_UTINY* out = nullptr;
  WB_ULONG length = 0;
  const WBXMLError e = wbxml_conv_xml2wbxml_run(conv, reinterpret_cast<WB_UTINY*>(text.data()), static_cast<WB_ULONG>(text.size()),
                                                &out, &length);
  std::unique_ptr<WB_UTINY, Freed> bytes(out);
  if (e != WBXML_OK)
    fail("cannot compile the deck", e);
  return std::string(reinterpret_cast<const char*>(out), length);
}

std::string decompileWbxml(std::string_view wbxml) {
  WBXMLConvWBXML2XML* conv = nullptr;
  if (WBXMLError e = wbxml_conv_wbxml2xml_create(&conv); e != WBXML_OK)
    fail("cannot read the compiled deck", e);
  std::unique_ptr<WBXMLConvWBXML2XML, decltype(&wbxml_conv_wbxml2xml_destroy)> owner(conv,
                                                                                     wbxml_conv_wbxml2xml_destroy);
  wbxml_conv_wbxml2xml_set_gen_type(conv, WBXML_GEN_XML_COMPACT);
  wbxml_conv_wbxml2xml_enable_preserve_whitespaces(conv);
  std::string input(wbxml);
  WB_UTINY* out = nullptr;
  WB_ULONG length = 0;
  const WBXMLError e = wbxml_conv_wbxml2xml_run(conv, reinterpret_cast<WB_UTINY*>(input.data()), static_cast<WB_ULONG>(input.size()),
                                                &out, &length);
  std::unique_ptr<WB_UTINY, Freed> bytes(out);
  if (e != WBXML_OK)
    fail("cannot read the compiled deck", e);
  return std::string(reinterpret_cast<const char*>(out), length);
}

} // namespace tavro::decks
