// Writing nodes of the document model back out as HTML.

#include "platform/html/document.h"
#include "platform/html/markup.h"
#include "platform/html/url.h"
#include "util/voidelements.h"

namespace tavro::html::detail {

namespace {

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
