// Parsing with gumbo into the document model, within the bounds the markup limiter applies.

#include "platform/html/document.h"
#include "platform/html/markup.h"
#include "util/text.h"

#include <gumbo.h>

#include <algorithm>
#include <new>
#include <utility>

namespace tavro::html::detail {

namespace {

// Owns gumbo's output.
class GumboParse {
public:
  GumboParse(std::string_view text, GumboTag context) {
    m_options = kGumboDefaultOptions;
    // Every recorded error copies the open-element stack: without this bound a page of
    // unclosed tags costs gigabytes.
    m_options.max_errors = 0;
    if (context != GUMBO_TAG_LAST)
      m_options.fragment_context = context;
    m_output = gumbo_parse_with_options(&m_options, text.data(), text.size());
    if (!m_output)
      throw std::bad_alloc();
  }
  ~GumboParse() { gumbo_destroy_output(&m_options, m_output); }
  GumboParse(const GumboParse&) = delete;
  GumboParse& operator=(const GumboParse&) = delete;
  const GumboOutput& output() const { return *m_output; }

private:
  GumboOptions m_options;
  GumboOutput* m_output = nullptr;
};

std::string elementName(const GumboElement& e) {
  if (e.tag != GUMBO_TAG_UNKNOWN)
    return gumbo_normalized_tagname(e.tag);
  GumboStringPiece piece = e.original_tag;
  if (piece.data && piece.length > 0) {
    gumbo_tag_from_original_text(&piece);
    if (piece.data && piece.length > 0)
      return std::string(foreignElementName(util::toLower(std::string_view(piece.data, piece.length))));
  }
  return "span";
}

// The text of a gumbo string, with foreign names given back when the markup had them hidden.
std::string textOf(std::string s, bool foreignHidden) {
  if (foreignHidden)
    restoreForeignNames(s);
  return s;
}
std::string textOf(const char* text, bool foreignHidden) {
  return textOf(std::string(text ? text : ""), foreignHidden);
}

// Gumbo puts the text that ends a form (the " now" of `<form><input> now</form>`) into the text
// node after the form. For such a node, the length of its text that stood before the form's
// end tag; 0 when it holds no form end tag or its text does not begin with that part.
std::size_t textOfFormEnd(const GumboText& t) {
  const std::string_view raw(t.original_text.data, t.original_text.data ? t.original_text.length : 0);
  std::size_t end = 0;
  for (std::size_t p = raw.find("</"); p != std::string_view::npos && end == 0; p = raw.find("</", p + 2)) {
    const std::size_t after = p + 6;
    if (util::equalsNoCase(raw.substr(p + 2, 4), "form") &&
        (after == raw.size() || std::string_view(" \t\n\r\f/>").find(raw[after]) != std::string_view::npos))
      end = p;
  }
  if (end == 0)
    return 0;
  // The part as gumbo decodes it: references resolved, line ends folded.
  std::string decoded;
  const std::string_view before = raw.substr(0, end);
  if (before.find_first_of("&\r") == std::string_view::npos) {
    decoded = before;
  } else {
    GumboParse part(before, GUMBO_TAG_DIV);
    const GumboNode* root = part.output().root;
    if (!root || root->type != GUMBO_NODE_ELEMENT)
      return 0;
    const GumboVector& kids = root->v.element.children;
    for (unsigned i = 0; i < kids.length; ++i) {
      auto* k = static_cast<const GumboNode*>(kids.data[i]);
      if (k->type != GUMBO_NODE_TEXT && k->type != GUMBO_NODE_WHITESPACE)
        return 0;
      decoded += k->v.text.text;
    }
  }
  return t.text && std::string_view(t.text).starts_with(decoded) ? decoded.size() : 0;
}

std::shared_ptr<Element> makeElement(const GumboElement& g, const std::weak_ptr<Document>& owner, bool foreignHidden) {
  auto element = std::make_shared<Element>(elementName(g), owner);
  auto& attributes = TreeAccess::attributes(*element);
  std::size_t count = std::min<std::size_t>(g.attributes.length, maxAttributesPerTag);
  attributes.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    auto* a = static_cast<const GumboAttribute*>(g.attributes.data[i]);
    std::string name = util::toLower(a->name);
    switch (a->attr_namespace) {
    case GUMBO_ATTR_NAMESPACE_XLINK: name = "xlink:" + name; break;
    case GUMBO_ATTR_NAMESPACE_XML: name = "xml:" + name; break;
    case GUMBO_ATTR_NAMESPACE_XMLNS: name = name == "xmlns" ? name : "xmlns:" + name; break;
    default: break;
    }
    auto same = [&](const Attribute& x) { return x.name == name; };
    if (std::none_of(attributes.begin(), attributes.end(), same))
      attributes.push_back({std::move(name), textOf(a->value, foreignHidden)});
  }
  return element;
}

// Copies the children of a gumbo node below parent, without recursion.
void convertChildren(const GumboVector& children, Element& parent, const std::weak_ptr<Document>& owner,
                     bool foreignHidden) {
  struct Frame {
    const GumboVector* children;
    std::size_t next;
    Element* parent;
    Element* form = nullptr; // the last node copied, when it is a form
  };
  std::vector<Frame> stack{{&children, 0, &parent}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next >= top.children->length) {
      stack.pop_back();
      continue;
    }
    auto* g = static_cast<const GumboNode*>(top.children->data[top.next++]);
    Element* into = top.parent;
    Element* form = std::exchange(top.form, nullptr);
    switch (g->type) {
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE: {
      auto element = makeElement(g->v.element, owner, foreignHidden);
      Element* raw = element.get();
      TreeAccess::attach(*into, std::move(element), into->childNodes().size());
      if (g->v.element.tag == GUMBO_TAG_FORM)
        top.form = raw;
      if (g->v.element.children.length > 0)
        stack.push_back({&g->v.element.children, 0, raw});
      break;
    }
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE:
    case GUMBO_NODE_CDATA: {
      std::string text = g->v.text.text ? g->v.text.text : "";
      if (const std::size_t inForm = form && g->type != GUMBO_NODE_CDATA ? textOfFormEnd(g->v.text) : 0) {
        TreeAccess::attach(*form,
                           TreeAccess::makeNode(NodeType::Text, owner, textOf(text.substr(0, inForm), foreignHidden)),
                           form->childNodes().size());
        text.erase(0, inForm);
      }
      if (!text.empty() || !form)
        TreeAccess::attach(*into, TreeAccess::makeNode(NodeType::Text, owner, textOf(std::move(text), foreignHidden)),
                           into->childNodes().size());
      break;
    }
    case GUMBO_NODE_COMMENT:
      TreeAccess::attach(*into, TreeAccess::makeNode(NodeType::Comment, owner, textOf(g->v.text.text, foreignHidden)),
                         into->childNodes().size());
      break;
    case GUMBO_NODE_DOCUMENT: break;
    }
  }
}

// The markup as gumbo is given it: foreign content hidden, then bounded. Holds the text it
// rewrote; view() is the markup itself when nothing needed rewriting.
class PreparedMarkup {
public:
  explicit PreparedMarkup(std::string_view utf8) : m_view(utf8) {
    if (hideForeignContent(utf8, m_hidden))
      m_view = m_hidden;
    if (limitMarkup(m_view, m_limited))
      m_view = m_limited;
  }
  PreparedMarkup(const PreparedMarkup&) = delete;
  PreparedMarkup& operator=(const PreparedMarkup&) = delete;
  std::string_view view() const { return m_view; }
  /// Whether names must be given back: hidden markup always holds at least one marker.
  bool foreignHidden() const { return !m_hidden.empty(); }

private:
  std::string m_hidden;
  std::string m_limited;
  std::string_view m_view;
};

} // namespace

ElementPtr parseDocument(std::string_view utf8, const std::weak_ptr<Document>& owner) {
  PreparedMarkup markup(utf8);
  GumboParse parse(markup.view(), GUMBO_TAG_LAST);
  const GumboNode* root = parse.output().root;
  ElementPtr html;
  if (root && root->type == GUMBO_NODE_ELEMENT) {
    html = makeElement(root->v.element, owner, markup.foreignHidden());
    convertChildren(root->v.element.children, *html, owner, markup.foreignHidden());
  } else {
    html = std::make_shared<Element>("html", owner);
  }
  return html;
}

std::vector<NodePtr> parseFragment(std::string_view utf8, std::string_view context,
                                   const std::weak_ptr<Document>& owner) {
  PreparedMarkup markup(utf8);
  GumboTag tag = gumbo_tag_enum(std::string(context).c_str());
  if (tag == GUMBO_TAG_UNKNOWN || tag == GUMBO_TAG_LAST)
    tag = GUMBO_TAG_DIV;
  GumboParse parse(markup.view(), tag);
  const GumboNode* root = parse.output().root;
  if (!root || root->type != GUMBO_NODE_ELEMENT)
    return {};
  auto holder = std::make_shared<Element>("div", owner);
  convertChildren(root->v.element.children, *holder, owner, markup.foreignHidden());
  return TreeAccess::takeChildren(*holder);
}

} // namespace tavro::html::detail
