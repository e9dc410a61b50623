#include "platform/html/htmltoxml.h"

#include "platform/html/document.h"
#include "platform/html/markup.h"
#include "util/text.h"
#include "util/utf8.h"

#include <libxml/tree.h>

#include <algorithm>
#include <unordered_set>

namespace tavro::html {

namespace {

const xmlChar* X(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

bool isBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n\f") == std::string_view::npos; }

// Text as XML 1.0 allows it: valid UTF-8, without C0 controls other than tab, LF and CR, and
// without U+FFFE and U+FFFF.
std::string xmlText(std::string_view text) {
  // Most text is plain ASCII without controls and goes through as it is.
  const bool plain = std::all_of(text.begin(), text.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c < 0x80 && (c >= 0x20 || c == '\t' || c == '\n' || c == '\r');
  });
  if (plain)
    return std::string(text);
  return util::keepCharacters(util::repairUtf8(text), util::allowedInXml);
}

bool keepsWhiteSpace(std::string_view name) {
  return name == "pre" || name == "textarea" || name == "listing" || name == "plaintext" || name == "xmp";
}

bool isInlineElement(std::string_view n) {
  static const std::unordered_set<std::string_view> names = {
      "a",    "abbr",     "acronym", "b",    "bdo",    "big",   "br",    "button", "cite",   "code",
      "del",  "dfn",      "em",      "font", "i",      "img",   "input", "ins",    "kbd",    "label",
      "nobr", "q",        "s",       "samp", "select", "small", "span",  "strike", "strong", "sub",
      "sup",  "textarea", "tt",      "u",    "var",    "mark",  "time"};
  return names.contains(n);
}

bool isInlineContent(const Node* node) {
  if (!node)
    return false;
  if (node->nodeType() == NodeType::Text)
    return !isBlank(node->data());
  if (node->isElement())
    return isInlineElement(static_cast<const Element*>(node)->localName());
  return false;
}

void copyAttributes(const Element& e, xmlNodePtr node, const std::string& baseUrl) {
  std::size_t copied = 0;
  for (const auto& a : e.attributes()) {
    // libxml2's cost grows with the square of the attributes on one element.
    if (copied == detail::maxAttributesPerTag)
      break;
    if (!isXmlName(a.name))
      continue;
    auto value = writtenValue(e, a, baseUrl);
    if (!value)
      continue;
    // xmlNewProp takes the value as text: an "&" in it stays an "&".
    xml::checked(xmlNewProp(node, X(a.name), X(xmlText(*value))));
    ++copied;
  }
}

} // namespace

bool isXmlName(std::string_view name) {
  if (name.empty() || util::equalsNoCase(name.substr(0, 5), "xmlns"))
    return false;
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!letter(name[0]))
    return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; });
}

xml::XmlDocument contentToXml(const Element& container) {
  const std::string baseUrl = detail::pictureBase(container);
  xmlDocPtr raw = xml::checked(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
  xml::XmlDocument result(raw);
  xmlNodePtr body = xml::checked(xmlNewDocNode(raw, nullptr, reinterpret_cast<const xmlChar*>("body"), nullptr));
  xmlDocSetRootElement(raw, body);

  // Where the content of the element being walked goes.
  struct Place {
    xmlNodePtr into;
    int depth;
    bool preserve;
  };
  // Text bound for the same XML element is gathered and written as one node: libxml2 would
  // merge each piece into the previous one, copying it again every time.
  std::string pending;
  xmlNodePtr pendingInto = nullptr;
  auto flush = [&] {
    if (!pending.empty())
      xmlAddChild(pendingInto, xml::checked(xmlNewDocText(raw, X(pending))));
    pending.clear();
    pendingInto = nullptr;
  };

  std::vector<Place> places{{body, 1, keepsWhiteSpace(container.localName())}};
  auto enter = [&](const Node& child, std::size_t index) {
    const Place top = places.back();
    if (child.nodeType() == NodeType::Text) {
      const Element& parent = *child.parent();
      const auto& kids = parent.childNodes();
      if (!top.preserve && isBlank(child.data())) {
        // The neighbours that count lie past comments and other white space.
        auto transparent = [](const Node& n) {
          return n.nodeType() == NodeType::Comment || (n.nodeType() == NodeType::Text && isBlank(n.data()));
        };
        // A short look only: a long run of comments must not make the walk quadratic.
        constexpr std::size_t reach = 16;
        const Node* before = nullptr;
        for (std::size_t i = index; i > 0 && index - i < reach && !before; --i) {
          if (!transparent(*kids[i - 1]))
            before = kids[i - 1].get();
        }
        const Node* after = nullptr;
        for (std::size_t i = index + 1; i < kids.size() && i - index <= reach && !after; ++i) {
          if (!transparent(*kids[i]))
            after = kids[i].get();
        }
        // Inside an inline element, its edge continues the line it stands in: the space of
        // `<a href=x> </a>` still keeps the words on either side apart.
        const bool inlineParent = isInlineElement(parent.localName());
        auto inlineSide = [&](const Node* n, bool atEdge) { return n ? isInlineContent(n) : atEdge && inlineParent; };
        if (!inlineSide(before, index <= reach) || !inlineSide(after, kids.size() - index - 1 <= reach))
          return false;
      }
      std::string text = xmlText(child.data());
      if (!text.empty()) {
        if (pendingInto != top.into)
          flush();
        pendingInto = top.into;
        pending += text;
      }
      return false;
    }
    if (!child.isElement())
      return false;
    const auto& e = static_cast<const Element&>(child);
    const bool preserve = top.preserve || keepsWhiteSpace(e.localName());
    if (!isXmlName(e.localName()) || top.depth >= maxXmlDepth) {
      // No tag of its own: the content goes where the element stood.
      places.push_back({top.into, top.depth, preserve});
      return true;
    }
    flush();
    xmlNodePtr node = xml::checked(xmlNewDocNode(raw, nullptr, X(e.localName()), nullptr));
    xmlAddChild(top.into, node);
    copyAttributes(e, node, baseUrl);
    places.push_back({node, top.depth + 1, preserve});
    return true;
  };
  walkDescendants(container, enter, [&](const Node&) { places.pop_back(); });
  flush();
  return result;
}

xml::XmlDocument htmlToXml(std::string_view markup, std::string_view baseUrl) {
  if (markup.empty())
    return xml::XmlDocument();
  auto doc = Document::createBlank(baseUrl.empty() ? std::string("about:blank") : std::string(baseUrl));
  auto body = doc->body();
  body->setInnerHTML(markup);
  return contentToXml(*body);
}

} // namespace tavro::html
