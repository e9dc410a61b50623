#pragma once
// Between markup text and the document model: parsing with gumbo (whole pages and fragments)
// and serialising nodes back to HTML. Internal to the document model.

#include "platform/html/node.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::html {

/// Tree surgery for the parser and the model's own members: no checks, no change reports.
struct TreeAccess {
  static void attach(Element& parent, NodePtr node, std::size_t index);
  static NodePtr detach(Node& node);
  /// Makes root and everything inside it belong to owner.
  static void adopt(Node& root, const std::weak_ptr<Document>& owner);
  static NodePtr makeNode(NodeType type, const std::weak_ptr<Document>& owner, std::string data);
  /// Takes all children out of parent.
  static std::vector<NodePtr> takeChildren(Element& parent);
  static std::vector<Attribute>& attributes(Element& element) { return element.m_attributes; }
  static std::vector<NodePtr>& children(Element& element) { return element.m_children; }
  static void setParent(Node& node, Element* parent) { node.m_parent = parent; }
  static void notifyChanged(Node& node) { node.notifyChanged(); }
};

} // namespace tavro::html

namespace tavro::html::detail {

/// Raises error 5 ("Invalid procedure call or argument") with the reason.
[[noreturn]] void invalidCall(const std::string& what);

/// Bounds applied to markup before gumbo sees it; gumbo's time grows with the square of the
/// nesting depth and of the attributes on one tag.
inline constexpr std::size_t maxOpenElements = 1000;
inline constexpr std::size_t maxAttributesPerTag = 400;

/// Whether an element's content is text up to its own end tag (SCRIPT, STYLE, TEXTAREA ...).
/// NOSCRIPT is not among them: with scripting off, its content is markup.
bool isRawTextElement(std::string_view lowerName);

/// Writes to out the markup with start tags that would nest deeper than maxOpenElements taken
/// out (their content stays, one level up) and attributes past maxAttributesPerTag dropped, and
/// returns true; returns false, leaving out alone, when the markup is within the bounds. The
/// nesting count follows the tags as written: elements whose end tag may be left out, void
/// elements and elements that cannot nest in themselves do not count. A self-closing tag in SVG
/// or MathML, which hideForeignContent hands to gumbo as HTML, gets its end tag after it, so
/// that it stays empty and takes no level.
bool limitMarkup(std::string_view markup, std::string& out);

/// gumbo 0.10.1 takes an SVG or MathML element that shares its name with an HTML element
/// (select, td ...) for that HTML element and then stops the process on an assertion. It is
/// never given foreign content: every "<svg" and "<math" that could start a start or end tag,
/// wherever it stands, gets foreignMarker after its "<" or "</", so that gumbo parses the
/// content as HTML; restoreForeignNames takes the marker out of the names, text and attribute
/// values it reaches. Returns false, leaving out alone, when the markup has no such tag.
inline constexpr std::string_view foreignMarker = "tavro-";
bool hideForeignContent(std::string_view markup, std::string& out);
/// Takes out the marker hideForeignContent put in text ("<tavro-svg>" becomes "<svg>").
void restoreForeignNames(std::string& text);
/// The element name before hideForeignContent ("tavro-math" becomes "math").
std::string_view foreignElementName(std::string_view lowerName);

/// Parses a whole page; returns its HTML element.
ElementPtr parseDocument(std::string_view utf8, const std::weak_ptr<Document>& owner);
/// Parses markup as the content of an element named context (lower case).
std::vector<NodePtr> parseFragment(std::string_view utf8, std::string_view context,
                                   const std::weak_ptr<Document>& owner);

/// The address an IMG src in node's markup is resolved against: its document's, when that has
/// an authority part ("file:///...", "http://..."); "" otherwise.
std::string pictureBase(const Node& node);

/// Appends node's markup (or only its content) to out.
void serialize(const Node& node, bool includeSelf, std::string& out);

} // namespace tavro::html::detail
