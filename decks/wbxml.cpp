#include "decks/wbxml.h"

#include "decks/deckrepair.h"
#include "platform/xml/treewalk.h"
#include "platform/xml/xmldocument.h"
#include "util/text.h"

#include <wbxml/wbxml.h>
#include <wbxml/wbxml_conv.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
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

// WML's variable references: "$name", "$(name)" and "$(name:conversion)". In the compiled
// deck each is a token of its own that the phone replaces with the variable's value (EXT_I_0
// escaped, EXT_I_1 unescaped, EXT_I_2 as it is, the conversion unsaid), and the text around
// it holds no references: "$$" there is the one "$" it stands for.
struct Variable {
  std::string name;
  char token;
};

bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

// The reference that starts with the "$" at text[at], and its length; nothing when that "$"
// starts none.
std::optional<std::pair<Variable, std::size_t>> referenceAt(std::string_view text, std::size_t at) {
  const bool braced = at + 1 < text.size() && text[at + 1] == '(';
  std::size_t end = at + (braced ? 2 : 1);
  const std::size_t nameStart = end;
  if (end >= text.size() || !isNameStart(text[end]))
    return std::nullopt;
  while (end < text.size() && isNameChar(text[end]))
    ++end;
  Variable variable{std::string(text.substr(nameStart, end - nameStart)), '\x42'};
  if (!braced)
    return std::pair{variable, end - at};
  if (end < text.size() && text[end] == ':') {
    const std::size_t close = text.find(')', end);
    if (close == std::string_view::npos)
      return std::nullopt;
    const std::string conversion = util::toLower(text.substr(end + 1, close - end - 1));
    if (conversion == "e" || conversion == "escape")
      variable.token = '\x40';
    else if (conversion == "u" || conversion == "unesc")
      variable.token = '\x41';
    else if (conversion != "n" && conversion != "noesc")
      return std::nullopt;
    end = close;
  }
  if (end >= text.size() || text[end] != ')')
    return std::nullopt;
  return std::pair{variable, end + 1 - at};
}

// The text with "$$" made "$" and each reference made the marker, its number among the
// variables and the marker again, the variable added to variables.
std::string markVariables(std::string_view text, std::string_view marker, std::vector<Variable>& variables) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t dollar = text.find('$', at);
    out.append(text.substr(at, dollar - at));
    if (dollar == std::string_view::npos)
      break;
    if (dollar + 1 < text.size() && text[dollar + 1] == '$') {
      out += '$';
      at = dollar + 2;
    } else if (auto reference = referenceAt(text, dollar)) {
      out.append(marker).append(std::to_string(variables.size())).append(marker);
      variables.push_back(std::move(reference->first));
      at = dollar + reference->second;
    } else {
      out += '$'; // a "$" that starts no reference is itself
      at = dollar + 1;
    }
  }
  return out;
}

// A noncharacter that the deck's text does not hold, to stand for its variables.
std::string markerFor(std::string_view text) {
  for (char last = '\x90'; last <= '\xAF'; ++last) {
    const std::string marker{'\xEF', '\xB7', last}; // U+FDD0 ... U+FDEF
    if (text.find(marker) == std::string_view::npos)
      return marker;
  }
  throw WbxmlError("cannot compile the deck: its text holds every character kept for variables");
}

// The deck as a phone reads it. White space: each run of spaces, tabs and line ends is one
// space; where an element holds no text (between cards, paragraphs, rows) white space goes,
// and so does white space at the start and the end of a paragraph or a cell, which shows
// nothing (a written deck indents a paragraph that holds one element). The compiler is then
// told to keep every space it is given: left to itself it trims the edges of each piece of
// text, which glues "Click <a>here</a>" together, and drops no-break spaces. Variables: marked
// in text and attribute values, for tokens of their own.
std::string phoneText(const std::string& text, std::string_view marker, std::vector<Variable>& variables) {
  xml::XmlDocument deck;
  if (!loadDeck(deck, text))
    throw WbxmlError("cannot compile the deck: " + deck.parseError().reason);
  auto setText = [](xmlNodePtr node, const std::string& value) {
    xmlNodeSetContentLen(node, reinterpret_cast<const xmlChar*>(value.data()), int(value.size()));
  };
  std::vector<xmlNodePtr> blank;
  xml::walkTree(deck.documentElement(), [&](xmlNodePtr node) {
    if (node->type == XML_TEXT_NODE && node->content) {
      std::string value = util::collapseSpaces(reinterpret_cast<const char*>(node->content));
      const xmlNodePtr parent = node->parent;
      const bool edges = parent && parent->type == XML_ELEMENT_NODE &&
                         (xmlStrEqual(parent->name, BAD_CAST "p") || xmlStrEqual(parent->name, BAD_CAST "td"));
      if (edges && !node->prev && !value.empty() && value.front() == ' ')
        value.erase(0, 1);
      if (edges && !node->next && !value.empty() && value.back() == ' ')
        value.pop_back();
      if (value.empty())
        blank.push_back(node);
      setText(node, markVariables(value, marker, variables));
    }
    if (node->type != XML_ELEMENT_NODE)
      return false;
    for (xmlAttrPtr a = node->properties; a; a = a->next)
      for (xmlNodePtr v = a->children; v; v = v->next)
        if (v->type == XML_TEXT_NODE && v->content && xmlStrchr(v->content, '$'))
          setText(v, markVariables(reinterpret_cast<const char*>(v->content), marker, variables));
    return true;
  });
  for (xmlNodePtr node : blank) {
    xmlUnlinkNode(node);
    xmlFreeNode(node);
  }
  return deck.xml();
}

[[noreturn]] void fail(const char* action, WBXMLError error) {
  throw WbxmlError(std::string(action) + ": " + reinterpret_cast<const char*>(wbxml_errors_string(error)));
}

// Reads a compiled deck byte by byte, for the tokens of its body.
class Reader {
public:
  explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

  bool done() const { return m_at >= m_bytes.size(); }
  std::size_t at() const { return m_at; }
  unsigned char byte() {
    if (done())
      throw WbxmlError("cannot read the compiled deck: it ends in the middle of a token");
    return static_cast<unsigned char>(m_bytes[m_at++]);
  }
  // A multi-byte integer: seven bits a byte, the high bit set on all but the last.
  std::uint32_t number() {
    std::uint32_t value = 0;
    for (int i = 0; i < 5; ++i) {
      const unsigned char b = byte();
      value = (value << 7) | (b & 0x7F);
      if (!(b & 0x80))
        return value;
    }
    throw WbxmlError("cannot read the compiled deck: a number is too long");
  }
  std::string_view bytes(std::size_t n) {
    if (n > m_bytes.size() - m_at)
      throw WbxmlError("cannot read the compiled deck: it ends in the middle of a token");
    m_at += n;
    return m_bytes.substr(m_at - n, n);
  }
  // A string ended by a zero byte, without it.
  std::string_view string() {
    const std::size_t end = m_bytes.find('\0', m_at);
    if (end == std::string_view::npos)
      throw WbxmlError("cannot read the compiled deck: a string has no end");
    const std::string_view s = m_bytes.substr(m_at, end - m_at);
    m_at = end + 1;
    return s;
  }

private:
  std::string_view m_bytes;
  std::size_t m_at = 0;
};

// The compiled deck with the tokens for each inline string of its body (STR_I) written by
// rewrite, which is given the string; with tableStrings, each reference to a string of the
// string table (STR_T) likewise, the table itself left as it is. Every other token is copied.
std::string rewriteStrings(std::string_view wbxml, const std::function<void(std::string_view, std::string&)>& rewrite,
                           bool tableStrings) {
  Reader in(wbxml);
  in.byte(); // the version
  if (in.number() == 0)
    in.number(); // a public identifier in the string table
  in.number();   // the character set
  const std::string_view table = in.bytes(in.number());
  std::string out(wbxml.substr(0, in.at()));
  bool attributes = false; // in a tag's attributes (or a processing instruction) up to its END
  while (!in.done()) {
    const std::size_t from = in.at();
    const unsigned char token = in.byte();
    switch (token) {
    case 0x03: // STR_I
      rewrite(in.string(), out);
      continue;
    case 0x83: { // STR_T
      const std::uint32_t offset = in.number();
      if (tableStrings) {
        if (offset >= table.size())
          throw WbxmlError("cannot read the compiled deck: a string lies outside its string table");
        const std::string_view rest = table.substr(offset);
        rewrite(rest.substr(0, rest.find('\0')), out);
        continue;
      }
      break;
    }
    case 0x00: // SWITCH_PAGE
      in.byte();
      break;
    case 0x01: // END
      attributes = false;
      break;
    case 0x02: // ENTITY
    case 0x04: // LITERAL
    case 0x80: // EXT_T_0 ... 2
    case 0x81:
    case 0x82: in.number(); break;
    case 0x40: // EXT_I_0 ... 2
    case 0x41:
    case 0x42: in.string(); break;
    case 0x43: // PI: its target and value are read as attributes
      attributes = true;
      break;
    case 0xC3: // OPAQUE
      in.bytes(in.number());
      break;
    default:
      // A tag (LITERAL_C, _A and _AC name theirs in the string table), or an attribute's
      // name or value, which is one byte.
      if (!attributes) {
        if ((token & 0x3F) == 0x04)
          in.number();
        attributes = token & 0x80;
      }
      break;
    }
    out.append(wbxml.substr(from, in.at() - from));
  }
  return out;
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
  const std::string marker = markerFor(deckText);
  std::vector<Variable> variables;
  std::string text = asWml11(phoneText(std::string(deckText), marker, variables));
  // The table would take pieces of text apart where the variables' marks stand. Its cost goes
  // with the deck as the phone reads it, which is the same written out, indented, as compact.
  const bool table = stringTable && variables.empty() && text.size() <= maxStringTableText;
  std::string compiled = convert<WBXMLConvXML2WBXML>(
      "cannot compile the deck", std::move(text), wbxml_conv_xml2wbxml_create, wbxml_conv_xml2wbxml_destroy,
      table ? setUpCompiler : setUpCompilerWithoutTable, wbxml_conv_xml2wbxml_run);
  if (variables.empty())
    return compiled;
  // Each mark becomes the variable's token, the text around it inline strings of its own.
  return rewriteStrings(
      compiled,
      [&](std::string_view s, std::string& out) {
        auto literal = [&](std::string_view piece) {
          if (!piece.empty())
            out.append(1, '\x03').append(piece).append(1, '\0');
        };
        for (std::size_t at = 0;;) {
          const std::size_t open = s.find(marker, at);
          const std::size_t close = open == std::string_view::npos ? open : s.find(marker, open + marker.size());
          if (close == std::string_view::npos) {
            literal(s.substr(at));
            return;
          }
          literal(s.substr(at, open - at));
          const std::string number(s.substr(open + marker.size(), close - open - marker.size()));
          const Variable& variable = variables.at(std::stoul(number));
          out.append(1, variable.token).append(variable.name).append(1, '\0');
          at = close + marker.size();
        }
      },
      false);
}

std::string decompileWbxml(std::string_view wbxml) {
  // A "$" of the compiled text is a "$" to show, which a deck writes "$$"; libwbxml writes the
  // variables' tokens as references.
  const std::string escaped = rewriteStrings(
      wbxml,
      [](std::string_view s, std::string& out) {
        out += '\x03';
        for (char c : s)
          out.append(c == '$' ? 2 : 1, c);
        out += '\0';
      },
      true);
  return convert<WBXMLConvWBXML2XML>(
      "cannot read the compiled deck", escaped, wbxml_conv_wbxml2xml_create, wbxml_conv_wbxml2xml_destroy,
      [](WBXMLConvWBXML2XML* conv) {
        wbxml_conv_wbxml2xml_set_gen_type(conv, WBXML_GEN_XML_COMPACT);
        wbxml_conv_wbxml2xml_enable_preserve_whitespaces(conv);
      },
      wbxml_conv_wbxml2xml_run);
}

} // namespace tavro::decks
