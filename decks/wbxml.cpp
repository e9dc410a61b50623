#include "decks/wbxml.h"

#include "decks/deckrepair.h"
#include "platform/xml/treewalk.h"
#include "platform/xml/xmldocument.h"
#include "util/text.h"

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
  if (!loadDeck(deck, text))
    throw WbxmlError("cannot compile the deck: " + deck.parseError().reason);
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr node) {
    if (node->type == XML_TEXT_NODE && node->content) {
      const std::string collapsed = util::collapseSpaces(reinterpret_cast<const char*>(node->content));
      xmlNodeSetContentLen(node, reinterpret_cast<const xmlChar*>(collapsed.data()), int(collapsed.size()));
    }
    return node->type == XML_ELEMENT_NODE;
  });
  return deck.xml();
}

[[noreturn]] void fail(const char* action, WBXMLError error) {
  throw WbxmlError(std::string(action) + ": " + reinterpret_cast<const char*>(wbxml_errors_string(error)));
}

// Runs one of libwbxml's converters over input: creates it, lets configure set it up, runs it
// and hands back what it wrote, freeing the converter and its output whatever happens.
template <typename Converter>
std::string convert(const char* action, std::string input, WBXMLError (*create)(Converter**),
                    void (*destroy)(Converter*), void (*configure)(Converter*),
                    WBXMLError (*run)(Converter*, WB_UTINY*, WB_ULONG, WB_UTINY**, WB_ULONG*)) {
  Converter* conv = nullptr;
  if (WBXMLError e = create(&conv); e != WBXML_OK)
    fail(action, e);
  std::unique_ptr<Converter, void (*)(Converter*)> owner(conv, destroy);
  configure(conv);
  WB_UTINY* out = nullptr;
  WB_ULONG length = 0;
  const WBXMLError e =
      run(conv, reinterpret_cast<WB_UTINY*>(input.data()), static_cast<WB_ULONG>(input.size()), &out, &length);
  std::unique_ptr<WB_UTINY, void (*)(void*)> bytes(out, std::free);
  if (e != WBXML_OK)
    fail(action, e);
  return std::string(reinterpret_cast<const char*>(out), length);
}

void setUpCompiler(WBXMLConvXML2WBXML* conv) {
  wbxml_conv_xml2wbxml_set_version(conv, WBXML_VERSION_13);
  wbxml_conv_xml2wbxml_enable_preserve_whitespaces(conv);
}

void setUpCompilerWithoutTable(WBXMLConvXML2WBXML* conv) {
  setUpCompiler(conv);
  wbxml_conv_xml2wbxml_disable_string_table(conv);
}

} // namespace

std::string compileWbxml(std::string_view deckText, bool stringTable) {
  const bool table = stringTable && deckText.size() <= maxStringTableText;
  return convert<WBXMLConvXML2WBXML>("cannot compile the deck", asWml11(phoneWhiteSpace(std::string(deckText))),
                                     wbxml_conv_xml2wbxml_create, wbxml_conv_xml2wbxml_destroy,
                                     table ? setUpCompiler : setUpCompilerWithoutTable, wbxml_conv_xml2wbxml_run);
}

std::string decompileWbxml(std::string_view wbxml) {
  return convert<WBXMLConvWBXML2XML>(
      "cannot read the compiled deck", std::string(wbxml), wbxml_conv_wbxml2xml_create, wbxml_conv_wbxml2xml_destroy,
      [](WBXMLConvWBXML2XML* conv) {
        wbxml_conv_wbxml2xml_set_gen_type(conv, WBXML_GEN_XML_COMPACT);
        wbxml_conv_wbxml2xml_enable_preserve_whitespaces(conv);
      },
      wbxml_conv_wbxml2xml_run);
}

} // namespace tavro::decks
