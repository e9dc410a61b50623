#pragma once
// A compiled XSLT 1.0 stylesheet over libxslt. Transformations run with every security
// preference set to forbid: a stylesheet cannot read or write files, create folders or reach
// the network, and documents it loads never have external entities expanded.

#include "platform/xml/xmldocument.h"

#include <libxslt/xsltInternals.h>

#include <memory>
#include <optional>
#include <string>

namespace tavro::xml {

/// Copies share the compiled stylesheet, which costs nothing; libxslt runs one compiled
/// stylesheet safely for one thread at a time, so copies are for use on one thread.
class XslTemplate {
public:
  /// Compiles a stylesheet from a document (which is copied). Raises error 5 with libxslt's
  /// first message when it is not a valid stylesheet.
  void setStylesheet(const XmlDocument& stylesheet);
  bool compiled() const { return m_sheet != nullptr; }
  /// Whether this and other are copies of one compiled stylesheet.
  bool sameSheet(const XslTemplate& other) const { return m_sheet && m_sheet == other.m_sheet; }

  /// The result tree, or nothing when the transformation failed (lastError() says why).
  std::optional<XmlDocument> transform(const XmlDocument& input) const;
  /// The result serialised with the stylesheet's own output settings (method, declaration,
  /// encoding, indentation), or nothing on failure.
  std::optional<std::string> transformToString(const XmlDocument& input) const;
  /// The result as loadXML reads back the text transformToString gives (white space between
  /// elements dropped in the same way), or nothing when the transformation failed or that
  /// text would not load (lastError() says why). With `text`, that text too, whenever the
  /// transformation gave one.
  ///
  /// A result tree that its text would give back as it stands is taken without writing and
  /// parsing it; any other (text output, unescaped text, namespaces, characters XML cannot
  /// hold, great depth or size) goes through the text, so the answer is the same either way.
  /// With preserveWhiteSpace, white space between elements stays, as for a document that
  /// preserves it.
  std::optional<XmlDocument> transformToDocument(const XmlDocument& input, std::string* text = nullptr,
                                                 bool preserveWhiteSpace = false) const;
  /// A result tree made by other means for this stylesheet, as transformToDocument gives
  /// one: taken as it stands when its text would read back to it, else read from that text.
  std::optional<XmlDocument> readBack(XmlDocument result, std::string* text = nullptr,
                                      bool preserveWhiteSpace = false) const;

  const std::string& lastError() const { return m_lastError; }

private:
  xmlDocPtr apply(const XmlDocument& input) const;
  std::optional<std::string> serialise(const XmlDocument& result) const;

  std::shared_ptr<xsltStylesheet> m_sheet;
  mutable std::string m_lastError;
};

} // namespace tavro::xml
