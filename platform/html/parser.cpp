// Parsing with gumbo into the document model, the bounds applied before gumbo, and the HTML
// serialiser.

#include "platform/html/document.h"
#include "platform/html/markup.h"
#include "platform/html/url.h"
#include "util/text.h"
#include "util/voidelements.h"

#include <gumbo.h>

#include <algorithm>
#include <new>

namespace tavro::html::detail {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements whose content is text up to their own end tag. (NOSCRIPT is not among them: with
// scripting off, its content is markup.)
bool isRawTextElement(std::string_view n) {
  return oneOf(n, {"script", "style", "xmp", "iframe", "noembed", "noframes", "textarea", "title", "plaintext"});
}

// Whether a start tag opens a level that the parser keeps open until its end tag.
bool countsForNesting(std::string_view n) {
  if (util::isVoidElement(n) || isRawTextElement(n))
    return false;
  // End tag optional, or closed by the next of their kind.
  return !oneOf(n, {"p", "li", "dt", "dd", "option", "optgroup", "tr", "td", "th", "thead", "tbody", "tfoot",
                    "colgroup", "caption", "rb", "rt", "rp", "rtc", "html", "head", "body", "a", "nobr", "button",
                    "form", "select"});
}

// Position of "</name" (any case) at or after from, or npos.
std::size_t findEndTag(std::string_view in, std::string_view name, std::size_t from) {
  while (true) {
    auto p = in.find("</", from);
    if (p == std::string_view::npos)
      return p;
    if (util::equalsNoCase(in.substr(p + 2, name.size()), name)) {
      std::size_t after = p + 2 + name.size();
      if (after >= in.size() || isSpace(in[after]) || in[after] == '>' || in[after] == '/')
        return p;
    }
    from = p + 2;
  }
}

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
      return util::toLower(std::string_view(piece.data, piece.length));
  }
  return "span";
}

std::shared_ptr<Element> makeElement(const GumboElement& g, const std::weak_ptr<Document>& owner) {
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
      attributes.push_back({std::move(name), a->value ? a->value : ""});
  }
  return element;
}

// Copies the children of a gumbo node below parent, without recursion.
void convertChildren(const GumboVector& children, Element& parent, const std::weak_ptr<Document>& owner) {
  struct Frame {
    const GumboVector* children;
    std::size_t next;
    Element* parent;
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
    switch (g->type) {
    case GUMBO_NODE_ELEMENT:
    case GUMBO_NODE_TEMPLATE: {
      auto element = makeElement(g->v.element, owner);
      Element* raw = element.get();
      TreeAccess::attach(*into, std::move(element), into->childNodes().size());
      if (g->v.element.children.length > 0)
        stack.push_back({&g->v.element.children, 0, raw});
      break;
    }
    case GUMBO_NODE_TEXT:
    case GUMBO_NODE_WHITESPACE:
    case GUMBO_NODE_CDATA:
      TreeAccess::attach(*into, TreeAccess::makeNode(NodeType::Text, owner, g->v.text.text ? g->v.text.text : ""),
                         into->childNodes().size());
      break;
    case GUMBO_NODE_COMMENT:
      TreeAccess::attach(*into,
                         TreeAccess::makeNode(NodeType::Comment, owner, g->v.text.text ? g->v.text.text : ""),
                         into->childNodes().size());
      break;
    case GUMBO_NODE_DOCUMENT: break;
    }
  }
}

void appendEscaped(std::string& out, std::string_view text, bool attributeMode) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (c) {
    case '&': out += "&amp;"; break;
    case '"':
      if (attributeMode)
        out += "&quot;";
      else
        out += c;
      break;
    case '<':
      if (attributeMode)
        out += c;
      else
        out += "&lt;";
      break;
    case '>':
      if (attributeMode)
        out += c;
      else
        out += "&gt;";
      break;
    case '\xC2':
      if (i + 1 < text.size() && text[i + 1] == '\xA0') {
        out += "&nbsp;";
        ++i;
      } else {
        out += c;
      }
      break;
    default: out += c;
    }
  }
}

bool keepsLeadingNewline(std::string_view n) { return n == "pre" || n == "textarea" || n == "listing"; }

bool textIsRaw(const Element* parent) {
  if (!parent)
    return false;
  const auto& n = parent->localName();
  return n != "textarea" && n != "title" && isRawTextElement(n);
}

void writeStartTag(const Element& e, const std::string& baseUrl, std::string& out) {
  out += '<';
  out += e.localName();
  for (const auto& a : e.attributes()) {
    auto value = writtenValue(e, a, baseUrl);
    if (!value)
      continue;
    out += ' ';
    out += a.name;
    out += "=\"";
    appendEscaped(out, *value, true);
    out += '"';
  }
  out += '>';
}

} // namespace

bool limitMarkup(std::string_view in, std::string& result) {
  std::string out;
  std::size_t copied = 0; // in[0, copied) is already in out
  bool changed = false;
  auto cut = [&](std::size_t from, std::size_t to) {
    out.append(in.substr(copied, from - copied));
    copied = to;
    changed = true;
  };
  std::size_t depth = 0;
  std::size_t dropped = 0;
  std::size_t i = 0;
  const std::size_t n = in.size();
  while (i < n) {
    std::size_t lt = in.find('<', i);
    if (lt == std::string_view::npos || lt + 1 >= n)
      break;
    i = lt + 1;
    char c = in[i];
    if (c == '!' || c == '?') {
      if (in.substr(i, 3) == "!--") {
        std::size_t p = i + 3;
        if (in.substr(p, 1) == ">")
          i = p + 1;
        else if (in.substr(p, 2) == "->")
          i = p + 2;
        else {
          std::size_t end = in.find("-->", p);
          i = end == std::string_view::npos ? n : end + 3;
        }
      } else {
        std::size_t end = in.find('>', i);
        i = end == std::string_view::npos ? n : end + 1;
      }
      continue;
    }
    bool endTag = c == '/';
    std::size_t nameStart = endTag ? i + 1 : i;
    if (nameStart >= n || !isAlpha(in[nameStart])) {
      if (endTag) { // "</>" or "</ x>": skipped up to the next ">"
        std::size_t end = in.find('>', i);
        i = end == std::string_view::npos ? n : end + 1;
      }
      continue;
    }
    std::size_t p = nameStart;
    while (p < n && !isSpace(in[p]) && in[p] != '/' && in[p] != '>')
      ++p;
    std::string name = util::toLower(in.substr(nameStart, p - nameStart));

    // Attributes, with quoted values that may hold ">".
    std::size_t attributes = 0;
    std::size_t cutAt = std::string_view::npos;
    bool selfClosing = false;
    while (p < n && in[p] != '>') {
      if (isSpace(in[p])) {
        ++p;
        continue;
      }
      if (in[p] == '/') {
        selfClosing = p + 1 < n && in[p + 1] == '>';
        ++p;
        continue;
      }
      selfClosing = false;
      std::size_t attrStart = p;
      ++p; // the first character may be "="
      while (p < n && !isSpace(in[p]) && in[p] != '/' && in[p] != '>' && in[p] != '=')
        ++p;
      if (++attributes == maxAttributesPerTag + 1)
        cutAt = attrStart;
      std::size_t q = p;
      while (q < n && isSpace(in[q]))
        ++q;
      if (q < n && in[q] == '=') {
        ++q;
        while (q < n && isSpace(in[q]))
          ++q;
        if (q < n && (in[q] == '"' || in[q] == '\'')) {
          std::size_t close = in.find(in[q], q + 1);
          q = close == std::string_view::npos ? n : close + 1;
        } else {
          while (q < n && !isSpace(in[q]) && in[q] != '>')
            ++q;
        }
        p = q;
      }
    }
    std::size_t tagEnd = p < n ? p + 1 : n;
    i = tagEnd;

    if (endTag) {
      if (countsForNesting(name)) {
        if (dropped > 0) {
          cut(lt, tagEnd);
          --dropped;
        } else if (depth > 0) {
          --depth;
        }
      }
      continue;
    }
    if (countsForNesting(name)) {
      if (depth >= maxOpenElements) {
        cut(lt, tagEnd);
        ++dropped;
        continue;
      }
      ++depth;
    }
    if (cutAt != std::string_view::npos && tagEnd > cutAt) {
      cut(cutAt, tagEnd);
      out += selfClosing ? "/>" : ">";
    }
    if (name == "plaintext") {
      i = n;
    } else if (isRawTextElement(name)) {
      std::size_t end = findEndTag(in, name, tagEnd);
      i = end == std::string_view::npos ? n : end;
    }
  }
  if (!changed)
    return false;
  out.append(in.substr(copied));
  result = std::move(out);
  return true;
}

ElementPtr parseDocument(std::string_view utf8, const std::weak_ptr<Document>& owner) {
  std::string limited;
  std::string_view text = limitMarkup(utf8, limited) ? std::string_view(limited) : utf8;
  GumboParse parse(text, GUMBO_TAG_LAST);
  const GumboNode* root = parse.output().root;
  ElementPtr html;
  if (root && root->type == GUMBO_NODE_ELEMENT) {
    html = makeElement(root->v.element, owner);
    convertChildren(root->v.element.children, *html, owner);
  } else {
    html = std::make_shared<Element>("html", owner);
  }
  return html;
}

std::vector<NodePtr> parseFragment(std::string_view utf8, std::string_view context,
                                   const std::weak_ptr<Document>& owner) {
  std::string limited;
  std::string_view text = limitMarkup(utf8, limited) ? std::string_view(limited) : utf8;
  GumboTag tag = gumbo_tag_enum(std::string(context).c_str());
  if (tag == GUMBO_TAG_UNKNOWN || tag == GUMBO_TAG_LAST)
    tag = GUMBO_TAG_DIV;
  GumboParse parse(text, tag);
  const GumboNode* root = parse.output().root;
  if (!root || root->type != GUMBO_NODE_ELEMENT)
    return {};
  auto holder = std::make_shared<Element>("div", owner);
  convertChildren(root->v.element.children, *holder, owner);
  return TreeAccess::takeChildren(*holder);
}

std::string pictureBase(const Node& node) {
  auto doc = node.ownerDocument();
  if (!doc)
    return {};
  const std::string scheme = urlScheme(doc->url());
  if (!scheme.empty() && std::string_view(doc->url()).substr(scheme.size() + 1).starts_with("//"))
    return doc->url();
  return {};
}

void serialize(const Node& node, bool includeSelf, std::string& out) {
  const std::string baseUrl = pictureBase(node);
  auto writeLeaf = [&](const Node& n) {
    if (n.nodeType() == NodeType::Text) {
      if (textIsRaw(n.parent()))
        out += n.data();
      else
        appendEscaped(out, n.data(), false);
    } else if (n.nodeType() == NodeType::Comment) {
      out += "<!--";
      out += n.data();
      out += "-->";
    }
  };
  if (!node.isElement()) {
    if (includeSelf)
      writeLeaf(node);
    return;
  }
  auto open = [&](const Element& e) {
    writeStartTag(e, baseUrl, out);
    if (keepsLeadingNewline(e.localName()) && !e.childNodes().empty()) {
      const auto& first = e.childNodes().front();
      if (first->nodeType() == NodeType::Text && first->data().starts_with('\n'))
        out += '\n';
    }
  };
  auto close = [&](const Element& e) {
    out += "</";
    out += e.localName();
    out += '>';
  };

  const auto& rootElement = static_cast<const Element&>(node);
  if (includeSelf) {
    open(rootElement);
    if (util::isVoidElement(rootElement.localName()))
      return;
  }
  walkDescendants(
      rootElement,
      [&](const Node& child) {
        if (!child.isElement()) {
          writeLeaf(child);
          return false;
        }
        const auto& e = static_cast<const Element&>(child);
        open(e);
        return !util::isVoidElement(e.localName());
      },
      [&](const Node& done) { close(static_cast<const Element&>(done)); });
  if (includeSelf)
    close(rootElement);
}

} // namespace tavro::html::detail

namespace tavro::html {

std::optional<std::string> writtenValue(const Element& e, const Attribute& a, const std::string& baseUrl) {
  if (a.name == "style") {
    std::string value = formatStyle(parseStyle(a.value));
    if (value.empty())
      return std::nullopt;
    return value;
  }
  if (a.name == "src" && e.is("img") && !baseUrl.empty())
    return resolveUrl(baseUrl, a.value);
  return a.value;
}

} // namespace tavro::html
