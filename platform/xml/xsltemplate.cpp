#include "platform/xml/xsltemplate.h"

#include "platform/com/comerror.h"
#include "util/utf8.h"

#include <libxml/parserInternals.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace tavro::xml {

namespace {

void transformError(void* sink, const char* format, ...) {
  auto* message = static_cast<std::string*>(sink);
  if (!message->empty())
    return;
  va_list args;
  va_start(args, format);
  *message = detail::formatMessage(format, args);
  va_end(args);
}

// The bytes a text takes at most once written, when libxml2 writes it so that it parses back to
// the same characters: well-formed UTF-8 of characters XML 1.0 allows. Nothing for anything
// else (control characters, U+FFFE, broken sequences), which is written as it is or as a
// reference the parser refuses. The bound is per character, so that it stays close to the
// text's own size: the escapes of markup characters take at most six bytes, and a character
// beyond ASCII at most ten (a character reference).
std::optional<std::size_t> writtenSize(const xmlChar* text) {
  if (!text)
    return 0;
  std::size_t bytes = 0;
  std::string_view rest(reinterpret_cast<const char*>(text));
  while (!rest.empty()) {
    const unsigned char first = static_cast<unsigned char>(rest.front());
    if (first >= 0x20 && first < 0x80) {
      bytes += first == '<' || first == '>' || first == '&' || first == '"' ? 6 : 1;
      rest.remove_prefix(1);
      continue;
    }
    const util::Utf8Char c = util::decodeUtf8(rest);
    if (c.length == 0 || !util::allowedInXml(c.codePoint))
      return std::nullopt;
    bytes += c.codePoint < 0x80 ? 6 : 10;
    rest.remove_prefix(c.length);
  }
  return bytes;
}

// An ASCII name without a prefix: one every XML parser takes as it is.
bool plainName(const xmlChar* name) {
  auto letter = [](xmlChar c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!name || !letter(*name))
    return false;
  for (const xmlChar* p = name + 1; *p; ++p)
    if (!letter(*p) && !(*p >= '0' && *p <= '9') && *p != '-' && *p != '.')
      return false;
  return true;
}

// Whether a result tree is what parsing its own text would give, but for the white space
// between elements that loadXML drops. Any doubt answers no: the caller then goes through
// the text. One walk, no recursion.
bool readsBackAsItStands(xmlDocPtr doc) {
  if (doc->type != XML_DOCUMENT_NODE || doc->intSubset || doc->extSubset)
    return false;
  // The prolog and epilogue: one element, and only comments or instructions beside it.
  int elements = 0;
  for (xmlNodePtr n = doc->children; n; n = n->next) {
    if (n->type == XML_ELEMENT_NODE)
      ++elements;
    else if (n->type != XML_COMMENT_NODE && n->type != XML_PI_NODE)
      return false;
  }
  if (elements != 1)
    return false;

  constexpr int kDepth = 200;     // well under the parser's own limit
  constexpr int kAttributes = 64; // more are checked the slow way
  std::size_t bytes = 0;
  int depth = 0;
  xmlNodePtr node = doc->children;
  while (node) {
    switch (node->type) {
    case XML_ELEMENT_NODE: {
      if (node->ns || node->nsDef || !plainName(node->name))
        return false;
      bytes += 2 * std::size_t(xmlStrlen(node->name)) + 5;
      int count = 0;
      for (xmlAttrPtr a = node->properties; a; a = a->next) {
        if (++count > kAttributes)
          return false;
        if (a->ns && !(xmlStrEqual(a->ns->href, XML_XML_NAMESPACE) && !xmlStrEqual(a->name, BAD_CAST "space")))
          return false;
        if (!plainName(a->name))
          return false;
        for (xmlAttrPtr b = node->properties; b != a; b = b->next)
          if (xmlStrEqual(b->name, a->name))
            return false;
        for (xmlNodePtr v = a->children; v; v = v->next) {
          const auto written = v->type == XML_TEXT_NODE ? writtenSize(v->content) : std::nullopt;
          if (!written)
            return false;
          bytes += *written;
        }
        bytes += std::size_t(xmlStrlen(a->name)) + 12;
      }
      break;
    }
    case XML_TEXT_NODE: {
      // The parser gives neither empty text nor two texts side by side (libxslt does not
      // make them either).
      if (node->name == xmlStringTextNoenc || !node->content || !*node->content ||
          (node->next && node->next->type == XML_TEXT_NODE))
        return false;
      const auto written = writtenSize(node->content);
      if (!written)
        return false;
      bytes += *written;
      break;
    }
    case XML_COMMENT_NODE: {
      const int length = node->content ? xmlStrlen(node->content) : 0;
      const auto written = writtenSize(node->content);
      if (!written || xmlStrstr(node->content, BAD_CAST "--") || (length > 0 && node->content[length - 1] == '-'))
        return false;
      bytes += *written + 7;
      break;
    }
    case XML_PI_NODE: {
      const auto written = writtenSize(node->content);
      if (!written || !plainName(node->name) || xmlStrncasecmp(node->name, BAD_CAST "xml", 3) == 0 ||
          xmlStrstr(node->content, BAD_CAST "?>"))
        return false;
      bytes += std::size_t(xmlStrlen(node->name)) + *written + 5;
      break;
    }
    default: return false; // CDATA, entity references and the like
    }
    if (bytes > maxDocumentBytes)
      return false;

    if (node->type == XML_ELEMENT_NODE && node->children) {
      if (++depth > kDepth)
        return false;
      node = node->children;
      continue;
    }
    while (!node->next && node->parent && node->parent->type != XML_DOCUMENT_NODE) {
      node = node->parent;
      --depth;
    }
    node = node->next;
  }
  return true;
}

} // namespace

void XslTemplate::setStylesheet(const XmlDocument& stylesheet) {
  m_sheet.reset();
  if (stylesheet.empty())
    throw com::ComError(com::errInvalidCall, "the stylesheet document is empty");
  detail::resetErrors();
  xmlDocPtr copy = xmlCopyDoc(stylesheet.get(), 1);
  m_sheet.reset(xsltParseStylesheetDoc(copy), xsltFreeStylesheet);
  if (!m_sheet) {
    xmlFreeDoc(copy); // libxslt leaves the document to the caller when it fails
    std::string why = detail::firstErrorMessage();
    throw com::ComError(com::errInvalidCall, "invalid stylesheet" + (why.empty() ? std::string() : ": " + why));
  }
}

xmlDocPtr XslTemplate::apply(const XmlDocument& input) const {
  m_lastError.clear();
  if (!m_sheet) {
    m_lastError = "no stylesheet";
    return nullptr;
  }
  if (input.empty()) {
    m_lastError = "the input document is empty";
    return nullptr;
  }
  detail::resetErrors();
  std::unique_ptr<xsltTransformContext, decltype(&xsltFreeTransformContext)> ctxt(
      xsltNewTransformContext(m_sheet.get(), input.get()), xsltFreeTransformContext);
  if (!ctxt) {
    m_lastError = "out of memory";
    return nullptr;
  }
  std::unique_ptr<xsltSecurityPrefs, decltype(&xsltFreeSecurityPrefs)> prefs(xsltNewSecurityPrefs(),
                                                                             xsltFreeSecurityPrefs);
  for (auto option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
    xsltSetSecurityPrefs(prefs.get(), option, xsltSecurityForbid);
  xsltSetCtxtSecurityPrefs(prefs.get(), ctxt.get());
  xsltSetCtxtParseOptions(ctxt.get(), detail::safeParseOptions());
  xsltSetTransformErrorFunc(ctxt.get(), &m_lastError, transformError);

  xmlDocPtr result = xsltApplyStylesheetUser(m_sheet.get(), input.get(), nullptr, nullptr, nullptr, ctxt.get());
  if (!result || ctxt->state == XSLT_STATE_ERROR || ctxt->state == XSLT_STATE_STOPPED) {
    if (result)
      xmlFreeDoc(result);
    if (m_lastError.empty())
      m_lastError = "the transformation failed";
    return nullptr;
  }
  return result;
}

std::optional<XmlDocument> XslTemplate::transform(const XmlDocument& input) const {
  xmlDocPtr result = apply(input);
  if (!result)
    return std::nullopt;
  return XmlDocument(result);
}

std::optional<std::string> XslTemplate::transformToString(const XmlDocument& input) const {
  XmlDocument result(apply(input));
  if (result.empty())
    return std::nullopt;
  return serialise(result);
}

std::optional<std::string> XslTemplate::serialise(const XmlDocument& result) const {
  xmlChar* text = nullptr;
  int length = 0;
  if (xsltSaveResultToString(&text, &length, result.get(), m_sheet.get()) != 0) {
    m_lastError = "the result could not be serialised";
    return std::nullopt;
  }
  std::string out = text ? std::string(reinterpret_cast<const char*>(text), std::size_t(length)) : std::string();
  xmlFree(text);
  return out;
}

std::optional<XmlDocument> XslTemplate::transformToDocument(const XmlDocument& input, std::string* text,
                                                            bool preserveWhiteSpace) const {
  XmlDocument result(apply(input));
  if (result.empty())
    return std::nullopt;
  return readBack(std::move(result), text, preserveWhiteSpace);
}

std::optional<XmlDocument> XslTemplate::readBack(XmlDocument result, std::string* text, bool preserveWhiteSpace) const {
  // The text is written only when the caller wants it or the tree cannot be taken as it is.
  std::string own;
  std::string& written = text ? *text : own;
  auto write = [&] {
    auto serialised = serialise(result);
    if (serialised)
      written = std::move(*serialised);
    return serialised.has_value();
  };
  if (text && !write())
    return std::nullopt;

  // Plain XML 1.0 output in UTF-8: anything else is read back from its text.
  const xmlChar *method = nullptr, *version = nullptr, *encoding = nullptr;
  XSLT_GET_IMPORT_PTR(method, m_sheet.get(), method);
  XSLT_GET_IMPORT_PTR(version, m_sheet.get(), version);
  XSLT_GET_IMPORT_PTR(encoding, m_sheet.get(), encoding);
  const bool xmlOutput = (!method || xmlStrEqual(method, BAD_CAST "xml")) &&
                         (!version || xmlStrEqual(version, BAD_CAST "1.0")) &&
                         (!encoding || xmlStrcasecmp(encoding, BAD_CAST "UTF-8") == 0);
  if (xmlOutput && written.size() <= maxDocumentBytes && readsBackAsItStands(result.get())) {
    if (!preserveWhiteSpace)
      detail::stripBlankText(result.documentElement());
    return result;
  }
  if (!text && !write())
    return std::nullopt;
  XmlDocument parsed;
  parsed.setPreserveWhiteSpace(preserveWhiteSpace);
  if (!parsed.loadXML(written)) {
    m_lastError = "the result is not a well-formed document: " + parsed.parseError().reason;
    return std::nullopt;
  }
  return parsed;
}

} // namespace tavro::xml
