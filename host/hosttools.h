#pragma once
// The host library's tool objects: XML passes over documents (HostXmlTools) and element
// surgery (HostDomTools). Each dialog makes one of each when it loads.

#include "platform/com/variant.h"
#include "platform/xml/xmldocument.h"
#include "platform/xml/xsltemplate.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tavro::host {

class HostXmlTools {
public:
  /// The text of a resource: its bytes up to the first NUL, as UTF-8.
  std::string ResourceToString(std::span<const std::uint8_t> bytes) const;
  /// Parses text into a document usable as a stylesheet. Raises error 5 with the parser's
  /// first message and its line when the text is not well-formed.
  xml::XmlDocument LoadXmlString(const std::string& text) const;

  /// mode 0: folds CR LF and lone CR to LF in every text node; mode 1: trims white space around
  /// every src and href attribute value. Other modes change nothing.
  void ConvertDocument(xml::XmlDocument& doc, std::int32_t mode, bool flag, const com::Variant& spare = {}) const;
  /// ConvertDocument for one node (its children are left to the caller's walk).
  void ConvertNode(xmlNodePtr node, std::int32_t mode) const;
  /// mode 0: every img src that is a file: URL becomes the local path it names; mode 1: every
  /// img src that is an absolute local path becomes a file: URL, and a relative one is resolved
  /// against the project folder when the tools know it.
  void ConvertReferences(xml::XmlDocument& doc, std::int32_t mode, const com::Variant& spare = {}) const;
  /// ConvertReferences for one element: a picture's src is converted, anything else is left.
  void ConvertReference(xmlNodePtr node, std::int32_t mode) const;

  /// The transformation's output with the stylesheet's own output settings; "" on failure.
  std::string TransformToString(const xml::XmlDocument& doc, const xml::XslTemplate& xslt) const;
  /// The document loadXML reads back from TransformToString's text (and, with `text`, that
  /// text), without writing and parsing it where the result allows; nothing when the
  /// transformation failed or its text would not load. With preserveWhiteSpace, white space
  /// between elements stays.
  std::optional<xml::XmlDocument> TransformToDocument(const xml::XmlDocument& doc, const xml::XslTemplate& xslt,
                                                      std::string* text = nullptr,
                                                      bool preserveWhiteSpace = false) const;
  /// Replaces doc with the transformation's result; false (doc unchanged) on failure.
  bool TryTransform(xml::XmlDocument& doc, const xml::XslTemplate& xslt) const;
  /// TryTransform through a second reference to doc: `output` receives the output document
  /// and doc keeps its own, with nothing copied.
  bool TryTransform(const xml::XmlDocument& doc, const xml::XslTemplate& xslt, xml::XmlDocument& output) const;

  /// Has no effect; kept for callers that run it before converting markup.
  void PrepareHtml(const std::string& markup, com::Variant& first, com::Variant& second) const;

  /// The folder relative picture references are resolved against ("" when unknown).
  void setProjectFolder(std::string folder) { m_projectFolder = std::move(folder); }

private:
  std::string m_projectFolder;
};

class HostDomTools {
public:
  /// Removes the named elements (names separated by ","; white space around a name ignored;
  /// compared without regard to case). flag false keeps each element's content in its place;
  /// flag true removes the content with it.
  void RemoveElements(const std::string& names, xml::XmlDocument& doc, bool flag, const com::Variant& spare = {}) const;

  /// The markup parsed as the content of a body (HTML5 fragment parsing), as an XML document
  /// whose root is body, with lower-case names; attributes whose names are not XML names and
  /// characters XML forbids are dropped. An empty document for empty text. The two values
  /// are not used. (Built with the engine, which holds the HTML parser.)
  xml::XmlDocument HtmlToXml(const std::string& markup, com::Variant& first, com::Variant& second) const;
};

} // namespace tavro::host
