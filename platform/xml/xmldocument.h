#pragma once
// XML documents over libxml2, with the members the engines use (loadXML, xml, parseError,
// selectNodes, readyState, setProperty). Parsing is safe for untrusted text: it never reaches
// the network, never reads an external entity or DTD from disk, and entity expansion is
// bounded. The WML public identifiers get a small DTD of our own, served from memory, so that
// &nbsp; and &shy; keep working.

#include <libxml/tree.h>

#include <cstdarg>
#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::xml {

/// Documents larger than this are refused before parsing.
inline constexpr std::size_t maxDocumentBytes = std::size_t(16) << 20;

struct ParseError {
  int errorCode = 0; // 0 when the last load succeeded
  std::string reason;
  int line = 0;
  int linepos = 0;
};

/// Installs the safe entity loader and error routing. Called by every parse and transform;
/// safe to call again.
void initialise();

class XmlDocument {
public:
  XmlDocument();
  /// Takes ownership of a libxml2 document.
  explicit XmlDocument(xmlDocPtr doc);
  ~XmlDocument();
  XmlDocument(XmlDocument&& other) noexcept;
  XmlDocument& operator=(XmlDocument&& other) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  /// Parses text. On failure the document is empty, parseError() says why, and the result is
  /// false. Text that carries an encoding declaration is decoded by it; otherwise UTF-8.
  bool loadXML(std::string_view text);
  /// Parses a file (same rules as loadXML); a file that cannot be read is a parse error too.
  bool load(const std::string& path);

  /// The document as XML text, without a declaration. Empty for an empty document.
  std::string xml() const;
  /// The document as markup an HTML parser reads back as the same tree: XML text in which an
  /// empty element that is not a void element (a, span, td ...) gets an end tag, since "<a/>"
  /// would open an element that swallows everything after it. Such elements are given an
  /// empty text node to that end, which changes nothing else the document says.
  std::string markup();

  const ParseError& parseError() const { return m_error; }
  /// Loading is synchronous, so a document is always complete.
  int readyState() const { return 4; }
  /// Accepts ("SelectionLanguage", "XPath"); other selection languages raise error 5.
  void setProperty(std::string_view name, std::string_view value);
  /// Whether white-space-only text between elements survives loadXML (default false).
  void setPreserveWhiteSpace(bool preserve) { m_preserveWhiteSpace = preserve; }

  /// Nodes matching an XPath 1.0 expression, in document order. An invalid expression raises
  /// error 5 naming it.
  std::vector<xmlNodePtr> selectNodes(std::string_view xpath) const;
  xmlNodePtr selectSingleNode(std::string_view xpath) const;

  bool empty() const { return m_doc == nullptr; }
  xmlDocPtr get() const { return m_doc; }
  xmlNodePtr documentElement() const;
  /// A deep copy.
  XmlDocument clone() const;

private:
  xmlDocPtr m_doc = nullptr;
  ParseError m_error;
  bool m_preserveWhiteSpace = false;
};

/// What a libxml2 call that makes something (a node, a document, an attribute) gave, or
/// std::bad_alloc when it gave nothing: those calls fail only for want of memory.
template <class T>
T* checked(T* made) {
  if (!made)
    throw std::bad_alloc();
  return made;
}

/// Serialises one node (and its content) as XML text.
std::string nodeXml(xmlNodePtr node);
/// The text content of a node.
std::string nodeText(xmlNodePtr node);
/// An attribute's value, or "" when the element has none.
std::string attribute(xmlNodePtr element, const char* name);

/// One attribute of some elements, noted as it stands and put back so when this goes: for
/// work that rewrites a document's values for a while.
class SavedAttributes {
public:
  SavedAttributes(std::vector<xmlNodePtr> elements, const char* name);
  ~SavedAttributes();
  SavedAttributes(const SavedAttributes&) = delete;
  SavedAttributes& operator=(const SavedAttributes&) = delete;
  /// Whether every element still has the value it had.
  bool unchanged() const;

private:
  std::vector<xmlNodePtr> m_elements;
  std::string m_name;
  std::vector<std::optional<std::string>> m_values;
};

namespace detail {
/// Libxml2 parse options used for every untrusted document.
int safeParseOptions();
/// The first error reported on this thread since the last reset.
void resetErrors();
std::string firstErrorMessage();
/// Removes white-space-only text nodes below root, as loadXML does for a document that does
/// not preserve white space; xml:space="preserve" keeps them.
void stripBlankText(xmlNodePtr root);
/// A printf-style message of libxml2 or libxslt (at most 511 bytes), without the spaces and line
/// ends around it.
std::string formatMessage(const char* format, va_list args);
} // namespace detail

} // namespace tavro::xml
