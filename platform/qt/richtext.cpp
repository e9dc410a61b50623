#include "platform/qt/richtext.h"

#include "platform/html/document.h"
#include "util/text.h"

#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <string>

namespace tavro::qt {

namespace {
// Nesting deeper than this is drawn without the inner tags: the text stays, the layout of a
// page nested absurdly deep does not cost the text view its time.
constexpr int maxTagDepth = 100;

const QString greyText = QStringLiteral("#808080");

std::string escapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\0': break;
    default: out += c;
    }
  }
  return out;
}

bool isBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; });
}

// Tags the text view understands, drawn as they are (some under the name it knows).
std::string_view knownTag(std::string_view name) {
  static const std::array<std::string_view, 44> same{
      "p",      "div", "span", "b",     "i",     "u",     "s",     "em",   "strong", "small",   "big",
      "sub",    "sup", "code", "tt",    "kbd",   "samp",  "var",   "cite", "dfn",    "address", "blockquote",
      "center", "pre", "h1",   "h2",    "h3",    "h4",    "h5",    "h6",   "ul",     "ol",      "li",
      "dl",     "dt",  "dd",   "table", "thead", "tbody", "tfoot", "tr",   "td",     "th",      "font"};
  for (auto tag : same)
    if (tag == name)
      return tag;
  if (name == "nobr")
    return "nobr";
  if (name == "strike" || name == "del")
    return "s";
  if (name == "ins")
    return "u";
  if (name == "abbr" || name == "acronym" || name == "q" || name == "label" || name == "legend")
    return "span";
  if (name == "xmp" || name == "listing" || name == "plaintext")
    return "pre";
  if (name == "form" || name == "fieldset" || name == "section" || name == "article" || name == "nav" ||
      name == "header" || name == "footer" || name == "main" || name == "aside" || name == "figure" ||
      name == "figcaption" || name == "details" || name == "summary" || name == "menu" || name == "dir")
    return name == "menu" || name == "dir" ? "ul" : "div";
  return {};
}

// Elements whose content is never shown.
bool isHiddenContent(std::string_view name) {
  static const std::array<std::string_view, 20> hidden{
      "head", "script", "style",    "title",    "noscript", "template", "object", "embed", "applet", "param",
      "map",  "area",   "noframes", "datalist", "audio",    "video",    "canvas", "svg",   "math",   "option"};
  return std::find(hidden.begin(), hidden.end(), name) != hidden.end();
}

bool isAllowedAttribute(std::string_view name) {
  static const std::array<std::string_view, 17> allowed{
      "align",   "valign", "width", "height", "border", "cellpadding", "cellspacing", "colspan", "rowspan",
      "bgcolor", "color",  "face",  "size",   "type",   "start",       "dir",         "nowrap"};
  return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
}

// An inline style the text view can take: lower-case names, nothing that names another file,
// and a bare font size read as pixels (as the classic browser did).
std::string cleanStyle(std::string_view text) {
  std::string out;
  for (auto& [name, value] : html::parseStyle(text)) {
    const std::string v = util::toLower(value);
    if (v.find("url(") != std::string::npos || v.find("expression") != std::string::npos)
      continue;
    std::string shown = value;
    if (name == "font-size" && !value.empty() &&
        std::all_of(value.begin(), value.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
      shown += "px";
    if (!out.empty())
      out += "; ";
    out += name + ": " + shown;
  }
  return out;
}

std::string attributesOf(const html::Element& el) {
  std::string out;
  for (const auto& attribute : el.attributes()) {
    if (attribute.name == "style") {
      const std::string style = cleanStyle(attribute.value);
      if (!style.empty())
        out += " style=\"" + escapeText(style) + "\"";
    } else if (isAllowedAttribute(attribute.name)) {
      out += " " + attribute.name + "=\"" + escapeText(attribute.value) + "\"";
    }
  }
  return out;
}

// A length in pixels from an attribute ("40") or a style ("WIDTH: 40px"); 0 when none.
int pixelLength(const html::Element& el, std::string_view name) {
  std::string value = el.attribute(name);
  if (value.empty()) {
    for (auto& [property, v] : html::parseStyle(el.attribute("style")))
      if (property == name)
        value = v;
  }
  int n = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (ec != std::errc() || n <= 0 || n > 10000)
    return 0;
  std::string_view unit(end, std::size_t(value.data() + value.size() - end));
  return unit.empty() || unit == "px" ? n : 0;
}

/// The local file a picture's address names, or "" for anything that is not on this machine.
QString localPicturePath(const std::string& src) {
  if (src.empty())
    return {};
  if (src.front() == '/')
    return QString::fromStdString(src);
  if (util::toLower(src.substr(0, 5)) == "file:") {
    const QUrl url(QString::fromStdString(src));
    if (url.isLocalFile() && (url.host().isEmpty() || url.host() == QLatin1String("localhost")))
      return url.toLocalFile();
  }
  return {};
}

// Writes a document as the text view's rich text, numbering the elements it draws.
class RichTextWriter {
public:
  RichTextWriter(std::vector<html::ElementPtr>& elements, std::vector<QString>& pictures,
                 std::vector<int>& pictureOwners)
      : m_elements(elements), m_pictures(pictures), m_pictureOwners(pictureOwners) {}

  std::string write(const html::Document& doc) {
    std::string out = "<html>";
    html::ElementPtr body = doc.body();
    if (!body) {
      out += "<body></body></html>";
      return out;
    }
    const int bodyNumber = number(body);
    out += "<body" + attributesOf(*body) + ">";
    writeContent(body, bodyNumber, out);
    out += "</body></html>";
    return out;
  }

private:
  struct Context {
    int owner = 0;       // the element whose text is being written
    bool inLink = false; // inside an address of our own, where text needs no name
    bool disabled = false;
    bool pre = false;
    int depth = 0; // tags written around this point
  };

  int number(const html::ElementPtr& el) {
    m_elements.push_back(el);
    return int(m_elements.size() - 1);
  }

  static std::string runStart(int n, bool disabled) {
    return "<span title=\"" + std::string(elementPrefix) + std::to_string(n) + "\"" +
           (disabled ? " style=\"color:" + greyText.toStdString() + "\"" : std::string()) + ">";
  }

  static std::string mark(int n, const std::string& glyph, bool disabled) {
    return "<a href=\"" + std::string(linkScheme) + std::to_string(n) +
           "\" style=\"text-decoration:none; color:" + (disabled ? greyText.toStdString() : std::string("#000000")) +
           "\">" + glyph + "</a>";
  }

  void writeText(const std::string& text, const Context& context, std::string& out) const {
    if (text.empty())
      return;
    if (context.inLink || (!context.pre && isBlank(text))) {
      out += escapeText(text);
      return;
    }
    out += runStart(context.owner, context.disabled) + escapeText(text) + "</span>";
  }

  // A form control as the user would recognise it; it takes no part in the layout.
  void writeControl(const html::Element& el, int n, const Context& context, std::string& out) const {
    const std::string type = util::toLower(el.attribute("type"));
    const bool disabled = context.disabled || el.disabled();
    if (el.is("input")) {
      if (type == "hidden")
        return;
      if (type == "radio" || type == "checkbox") {
        const std::string glyph =
            type == "radio" ? (el.checked() ? "\u25C9" : "\u25CB") : (el.checked() ? "\u2611" : "\u2610");
        if (context.inLink)
          out += escapeText(glyph);
        else
          out += mark(n, glyph, disabled);
        return;
      }
      std::string shown;
      if (type == "submit" || type == "reset" || type == "button") {
        std::string caption = el.attribute("value");
        if (caption.empty())
          caption = type == "reset" ? "Reset" : type == "submit" ? "Submit" : "";
        shown = "[ " + caption + " ]";
      } else if (type == "image") {
        shown = el.attribute("alt");
        if (shown.empty())
          return;
      } else {
        std::string value = el.attribute("value");
        if (type == "password")
          value = std::string(value.size(), '*');
        int size = 20;
        std::from_chars(el.attribute("size").data(), el.attribute("size").data() + el.attribute("size").size(), size);
        size = std::clamp(size, 1, 40);
        if (int(value.size()) > size)
          value.resize(std::size_t(size));
        // No-break spaces: the field keeps its width where ordinary blanks would collapse.
        shown = "[" + value;
        for (std::size_t i = value.size(); i < std::size_t(size); ++i)
          shown += "\u00A0";
        shown += "]";
      }
      Context c = context;
      c.owner = n;
      c.disabled = disabled;
      c.pre = true;
      writeText(shown, c, out);
      return;
    }
    if (el.is("select")) {
      std::string chosen;
      for (const auto& option : el.getElementsByTagName("option")) {
        if (chosen.empty() || option->hasAttribute("selected"))
          chosen = option->innerText();
        if (option->hasAttribute("selected"))
          break;
      }
      Context c = context;
      c.owner = n;
      c.disabled = disabled;
      writeText("[" + chosen + " \u25BE]", c, out);
      return;
    }
    // textarea
    std::string text = el.textContent();
    if (text.size() > 80)
      text = text.substr(0, 80) + "...";
    Context c = context;
    c.owner = n;
    c.disabled = disabled;
    writeText("[" + text + "]", c, out);
  }

  void writePicture(const html::Element& el, int n, const Context& context, std::string& out) {
    const QString path = localPicturePath(el.src());
    if (path.isEmpty()) {
      // Nothing is fetched from elsewhere: the picture's text stands in for it.
      const std::string alt = el.attribute("alt");
      if (!alt.empty()) {
        Context c = context;
        c.owner = n;
        c.disabled = true;
        writeText("[" + alt + "]", c, out);
      }
      return;
    }
    m_pictures.push_back(path);
    m_pictureOwners.push_back(n);
    out += "<img src=\"" + std::string(pictureScheme) + std::to_string(m_pictures.size() - 1) + "\"";
    if (int w = pixelLength(el, "width"))
      out += " width=\"" + std::to_string(w) + "\"";
    if (int h = pixelLength(el, "height"))
      out += " height=\"" + std::to_string(h) + "\"";
    out += ">";
  }

  /// The widest row of a table (counted once per table, however many captions it has).
  std::size_t columnsOf(const html::Element* table) {
    if (!table)
      return 1;
    auto [it, added] = m_columns.try_emplace(table, 1);
    if (added)
      for (const auto& row : table->rows())
        it->second = std::max(it->second, row->cells().size());
    return std::min<std::size_t>(it->second, 1000);
  }

  void writeContent(const html::ElementPtr& root, int rootNumber, std::string& out) {
    Context top;
    top.owner = rootNumber;
    top.disabled = root->disabled();
    // What closes each element entered, and the context of its content.
    std::vector<std::pair<std::string, Context>> open{{std::string(), top}};
    auto enter = [&](const html::Node& child) {
      const Context context = open.back().second;
      if (child.nodeType() == html::NodeType::Text) {
        writeText(child.data(), context, out);
        return false;
      }
      if (!child.isElement())
        return false;
      const auto el = owned(static_cast<const html::Element&>(child));
      const std::string& name = el->localName();
      if (isHiddenContent(name))
        return false;
      const int n = number(el);
      Context inner = context;
      inner.owner = n;
      inner.disabled = context.disabled || el->disabled();

      if (name == "input" || name == "select" || name == "textarea") {
        writeControl(*el, n, context, out);
        return false;
      }
      if (name == "img") {
        writePicture(*el, n, context, out);
        return false;
      }
      if (name == "br" || name == "hr") {
        out += "<" + name + ">";
        return false;
      }
      if (name == "frame" || name == "iframe") {
        // Frames are not loaded: their address stands in for them.
        Context c = inner;
        c.disabled = true;
        out += "<p>";
        writeText("[frame: " + el->attribute("src") + "]", c, out);
        out += "</p>";
        return false;
      }

      std::string start;
      std::string close;
      if (name == "a" && el->hasAttribute("href") && !context.inLink) {
        start = "<a href=\"" + std::string(linkScheme) + std::to_string(n) + "\">";
        close = "</a>";
        inner.inLink = true;
      } else if (name == "button") {
        start = runStart(n, inner.disabled) + "[ </span>";
        close = runStart(n, inner.disabled) + " ]</span>";
      } else if (name == "caption") {
        // A row of its own across the table, the nearest the text view has to a caption.
        start = "<tr><td colspan=\"" + std::to_string(columnsOf(el->parent())) + "\" align=\"center\"><b>";
        close = "</b></td></tr>";
      } else if (std::string_view tag = knownTag(name); !tag.empty()) {
        start = "<" + std::string(tag) + attributesOf(*el) + ">";
        close = "</" + std::string(tag) + ">";
        if (tag == "pre")
          inner.pre = true;
      }
      if (!start.empty()) {
        if (context.depth >= maxTagDepth) {
          start.clear();
          close.clear();
        } else {
          ++inner.depth;
        }
      }
      out += start;
      open.emplace_back(std::move(close), inner);
      return true;
    };
    html::walkDescendants(*root, enter, [&](const html::Node&) {
      out += open.back().first;
      open.pop_back();
    });
  }

  static html::ElementPtr owned(const html::Element& el) {
    return std::const_pointer_cast<html::Element>(std::static_pointer_cast<const html::Element>(el.shared_from_this()));
  }

  std::vector<html::ElementPtr>& m_elements;
  std::vector<QString>& m_pictures;
  std::vector<int>& m_pictureOwners;
  std::map<const html::Element*, std::size_t> m_columns;
};

} // namespace

std::string writeRichText(const html::Document& doc, std::vector<html::ElementPtr>& elements,
                          std::vector<QString>& pictures, std::vector<int>& pictureOwners) {
  return RichTextWriter(elements, pictures, pictureOwners).write(doc);
}

int numberAfter(const QString& text, std::string_view prefix) {
  const QString p = QString::fromLatin1(prefix.data(), qsizetype(prefix.size()));
  if (!text.startsWith(p))
    return -1;
  bool ok = false;
  const int n = text.mid(p.size()).toInt(&ok);
  return ok ? n : -1;
}

} // namespace tavro::qt
