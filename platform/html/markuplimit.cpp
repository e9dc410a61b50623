// What is done to markup before gumbo sees it: foreign content hidden, nesting depth and
// attributes per tag bounded.

#include "platform/html/markup.h"
#include "util/text.h"
#include "util/voidelements.h"

#include <algorithm>
#include <initializer_list>
#include <unordered_set>

namespace tavro::html::detail {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool oneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

bool isRawTextElement(std::string_view n) {
  return oneOf(n, {"script", "style", "xmp", "iframe", "noembed", "noframes", "textarea", "title", "plaintext"});
}

namespace {

// Whether a start tag opens a level that the parser keeps open until its end tag. Asked for
// every tag of the page, so the names that do not are looked up in one set.
bool countsForNesting(std::string_view n) {
  static const std::unordered_set<std::string_view> flat = [] {
    // Void and raw text elements, and those whose end tag is optional or that the next of
    // their kind closes.
    std::unordered_set<std::string_view> names = {
        "p",     "li",    "dt",     "dd",       "option",   "optgroup", "tr",    "td",       "th",
        "thead", "tbody", "tfoot",  "colgroup", "caption",  "rb",       "rt",    "rp",       "rtc",
        "html",  "head",  "body",   "a",        "nobr",     "button",   "form",  "select",   "script",
        "style", "xmp",   "iframe", "noembed",  "noframes", "textarea", "title", "plaintext"};
    for (std::string_view v : util::voidElements())
      names.insert(v);
    return names;
  }();
  return !flat.contains(n);
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

// Whether a tag name ends at in[at], as gumbo's tokenizer ends it ("\r" is a line break to it).
bool endsTagName(std::string_view in, std::size_t at) {
  return at < in.size() && (isSpace(in[at]) || in[at] == '/' || in[at] == '>');
}

// Length of the foreign element name ("svg", "math", any case) that starts in[at] and ends a
// tag name there, or 0.
std::size_t foreignNameAt(std::string_view in, std::size_t at) {
  for (std::string_view name : {std::string_view("svg"), std::string_view("math")}) {
    if (util::equalsNoCase(in.substr(at, name.size()), name) && endsTagName(in, at + name.size()))
      return name.size();
  }
  return 0;
}

// Whether a start tag in SVG or MathML leaves foreign content in an HTML parser: the element
// that opens, and those after it, are HTML again.
bool breaksOutOfForeignContent(std::string_view n) {
  static const std::unordered_set<std::string_view> names = {
      "b",     "big",   "blockquote", "body",   "br",   "center", "code",  "dd", "div",  "dl",   "dt",
      "em",    "embed", "h1",         "h2",     "h3",   "h4",     "h5",    "h6", "head", "hr",   "i",
      "img",   "li",    "listing",    "menu",   "meta", "nobr",   "ol",    "p",  "pre",  "ruby", "s",
      "small", "span",  "strong",     "strike", "sub",  "sup",    "table", "tt", "u",    "ul",   "var"};
  return names.contains(n);
}

} // namespace

bool hideForeignContent(std::string_view in, std::string& result) {
  std::string out;
  std::size_t copied = 0;
  for (std::size_t lt = in.find('<'); lt != std::string_view::npos; lt = in.find('<', lt + 1)) {
    std::size_t name = lt + 1;
    if (name < in.size() && in[name] == '/')
      ++name;
    if (foreignNameAt(in, name) == 0)
      continue;
    if (copied == 0)
      out.reserve(in.size() + 64);
    out.append(in.substr(copied, name - copied));
    out.append(foreignMarker);
    copied = name;
  }
  if (copied == 0)
    return false;
  out.append(in.substr(copied));
  result = std::move(out);
  return true;
}

void restoreForeignNames(std::string& text) {
  std::size_t at = text.find(foreignMarker);
  if (at == std::string::npos)
    return;
  std::string out;
  std::size_t copied = 0;
  for (; at != std::string::npos; at = text.find(foreignMarker, at + 1)) {
    const std::string_view before = std::string_view(text).substr(0, at);
    const bool afterOpen = before.ends_with('<') || before.ends_with("</");
    if (!afterOpen || foreignNameAt(text, at + foreignMarker.size()) == 0)
      continue;
    out.append(text, copied, at - copied);
    copied = at + foreignMarker.size();
  }
  if (copied == 0)
    return;
  out.append(text, copied);
  text = std::move(out);
}

std::string_view foreignElementName(std::string_view n) {
  if (!n.starts_with(foreignMarker))
    return n;
  const std::string_view rest = n.substr(foreignMarker.size());
  return rest == "svg" || rest == "math" ? rest : n;
}

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
  std::size_t foreignOpen = 0; // SVG and MathML elements open, whose content gumbo reads as HTML
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

    const bool foreignRoot = foreignElementName(name) != name;
    if (endTag) {
      if (foreignRoot && foreignOpen > 0)
        --foreignOpen;
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
    if (foreignOpen > 0 && breaksOutOfForeignContent(name))
      foreignOpen = 0;
    // "<path/>" is an empty element in SVG, but an HTML parser keeps it open: each one would
    // hold the rest of its picture, and nest a level deeper.
    const bool closesItself = selfClosing && (foreignRoot || foreignOpen > 0) && !util::isVoidElement(name);
    if (countsForNesting(name) && !closesItself) {
      if (depth >= maxOpenElements) {
        cut(lt, tagEnd);
        ++dropped;
        continue;
      }
      ++depth;
      if (foreignRoot)
        ++foreignOpen;
    }
    if (cutAt != std::string_view::npos && tagEnd > cutAt) {
      cut(cutAt, tagEnd);
      out += selfClosing ? "/>" : ">";
    }
    if (closesItself) {
      cut(tagEnd, tagEnd);
      out.append("</").append(name).append(">");
      continue;
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

} // namespace tavro::html::detail
