#include "platform/xml/xmldocument.h"

#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/xml/treewalk.h"
#include "util/text.h"
#include "util/voidelements.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <libxslt/security.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

namespace tavro::xml {

namespace {

// WML 1.1 declares these character entities in its DTD; decks rely on them.
const char kWmlEntities[] = "<!ENTITY nbsp \"&#160;\">\n<!ENTITY shy \"&#173;\">\n";

bool isWmlDtd(const char* url, const char* publicId) {
  if (publicId && std::strncmp(publicId, "-//WAPFORUM//DTD WML 1.", 23) == 0)
    return true;
  if (!url)
    return false;
  std::string_view u(url);
  return u.ends_with("/wml_1.1.xml") || u.ends_with("/wml12.dtd") || u.ends_with("/wml13.dtd");
}

// Serves our WML DTD from memory and refuses everything else: no file, no network.
xmlParserInputPtr safeEntityLoader(const char* url, const char* publicId, xmlParserCtxtPtr ctxt) {
  if (ctxt && isWmlDtd(url, publicId))
    return xmlNewStringInputStream(ctxt, reinterpret_cast<const xmlChar*>(kWmlEntities));
  return nullptr;
}

struct ErrorSink {
  bool has = false;
  int code = 0;
  int line = 0;
  int column = 0;
  std::string message;
};
thread_local ErrorSink t_errors;

void structuredError(void*, xmlErrorPtr error) {
  if (!error || error->level < XML_ERR_ERROR || t_errors.has)
    return;
  t_errors.has = true;
  t_errors.code = error->code;
  t_errors.line = error->line;
  t_errors.column = error->int2;
  t_errors.message = error->message ? std::string(util::trim(error->message)) : "unknown error";
}

void genericError(void*, const char* format, ...) {
  if (t_errors.has)
    return;
  va_list args;
  va_start(args, format);
  const std::string text = detail::formatMessage(format, args);
  va_end(args);
  if (text.empty())
    return;
  t_errors.has = true;
  t_errors.code = XML_ERR_INTERNAL_ERROR;
  t_errors.message = text;
}

xsltSecurityPrefsPtr forbidAll() {
  xsltSecurityPrefsPtr prefs = xsltNewSecurityPrefs();
  for (auto option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
    xsltSetSecurityPrefs(prefs, option, xsltSecurityForbid);
  return prefs;
}

// Whether the document's prolog declares entities of its own in an internal subset. Their
// expansion can cost far more than the document's size (libxml2 2.9 bounds it only loosely),
// and decks need none: the WML DTD's entities come from our own copy.
bool declaresEntities(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t lt = text.find('<', i);
    if (lt == std::string_view::npos || lt + 1 >= text.size())
      return false;
    std::string_view rest = text.substr(lt);
    if (rest.starts_with("<?")) {
      i = text.find("?>", lt);
    } else if (rest.starts_with("<!--")) {
      i = text.find("-->", lt);
    } else if (rest.starts_with("<!DOCTYPE")) {
      // The internal subset, if any, runs from "[" to the "]" before the closing ">".
      std::size_t open = text.find_first_of("[>", lt);
      if (open == std::string_view::npos || text[open] == '>')
        return false;
      std::size_t close = text.find("]", open);
      std::string_view subset =
          text.substr(open, close == std::string_view::npos ? std::string_view::npos : close - open);
      return subset.find("<!ENTITY") != std::string_view::npos;
    } else {
      return false; // the root element: the prolog is over
    }
    if (i == std::string_view::npos)
      return false;
    ++i;
  }
  return false;
}

} // namespace

void initialise() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xsltInit();
    xmlSetExternalEntityLoader(safeEntityLoader);
    xsltSetGenericErrorFunc(nullptr, genericError);
    // Another copy of this code in the process (the add-in inside a host) may have set them
    // already; replacing them would only lose the first set.
    if (!xsltGetDefaultSecurityPrefs())
      xsltSetDefaultSecurityPrefs(forbidAll());
  });
  // libxml2 keeps its error handlers per thread.
  xmlSetStructuredErrorFunc(nullptr, structuredError);
  xmlSetGenericErrorFunc(nullptr, genericError);
}

namespace detail {

int safeParseOptions() {
  // NOENT with the loader above: entities are substituted at parse time, where libxml2 bounds
  // their expansion; DTDLOAD lets the WML DTD be served from memory. Never HUGE.
  return XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_DTDLOAD | XML_PARSE_NOWARNING;
}

void resetErrors() {
  initialise();
  t_errors = ErrorSink{};
}

std::string firstErrorMessage() { return t_errors.has ? t_errors.message : std::string(); }

std::string formatMessage(const char* format, va_list args) {
  char buf[512];
  std::vsnprintf(buf, sizeof buf, format, args);
  return std::string(util::trim(buf));
}

void stripBlankText(xmlNodePtr root) {
  walkTree(root, [](xmlNodePtr node) {
    if (node->type == XML_TEXT_NODE && xmlIsBlankNode(node) && xmlNodeGetSpacePreserve(node->parent) != 1) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
      return false;
    }
    return node->type == XML_ELEMENT_NODE;
  });
}

} // namespace detail

XmlDocument::XmlDocument() { initialise(); }
XmlDocument::XmlDocument(xmlDocPtr doc) : m_doc(doc) { initialise(); }
XmlDocument::~XmlDocument() {
  if (m_doc)
    xmlFreeDoc(m_doc);
}
XmlDocument::XmlDocument(XmlDocument&& other) noexcept
    : m_doc(std::exchange(other.m_doc, nullptr)), m_error(std::move(other.m_error)),
      m_preserveWhiteSpace(other.m_preserveWhiteSpace) {}
XmlDocument& XmlDocument::operator=(XmlDocument&& other) noexcept {
  if (this != &other) {
    if (m_doc)
      xmlFreeDoc(m_doc);
    m_doc = std::exchange(other.m_doc, nullptr);
    m_error = std::move(other.m_error);
    m_preserveWhiteSpace = other.m_preserveWhiteSpace;
  }
  return *this;
}

bool XmlDocument::loadXML(std::string_view text) {
  if (m_doc) {
    xmlFreeDoc(m_doc);
    m_doc = nullptr;
  }
  m_error = ParseError{};
  if (text.size() > maxDocumentBytes) {
    m_error = {XML_ERR_INTERNAL_ERROR, "the document is larger than 16 MiB", 0, 0};
    return false;
  }
  if (declaresEntities(text)) {
    m_error = {XML_ERR_ENTITY_NOT_STARTED, "the document declares entities of its own, which are not accepted", 0, 0};
    return false;
  }
  detail::resetErrors();
  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt) {
    m_error = {XML_ERR_NO_MEMORY, "out of memory", 0, 0};
    return false;
  }
  xmlDocPtr doc =
      xmlCtxtReadMemory(ctxt.get(), text.data(), int(text.size()), nullptr, nullptr, detail::safeParseOptions());
  if (!doc || !ctxt->wellFormed || t_errors.has || !xmlDocGetRootElement(doc)) {
    if (doc)
      xmlFreeDoc(doc);
    m_error.errorCode = t_errors.has ? t_errors.code : XML_ERR_DOCUMENT_EMPTY;
    m_error.reason = t_errors.has ? t_errors.message : "the document is empty";
    m_error.line = t_errors.line;
    m_error.linepos = t_errors.column;
    return false;
  }
  if (!m_preserveWhiteSpace)
    detail::stripBlankText(xmlDocGetRootElement(doc));
  m_doc = doc;
  return true;
}

bool XmlDocument::load(const std::string& path) {
  std::string text;
  try {
    text = fs::readFile(path, maxDocumentBytes);
  } catch (const com::ComError& e) {
    if (m_doc) {
      xmlFreeDoc(m_doc);
      m_doc = nullptr;
    }
    m_error = {e.number(), e.what(), 0, 0};
    return false;
  }
  return loadXML(text);
}

std::string XmlDocument::markup() {
  walkTree(documentElement(), [&](xmlNodePtr node) {
    if (node->type != XML_ELEMENT_NODE)
      return false;
    if (!node->children && !util::isVoidElement(util::toLower(reinterpret_cast<const char*>(node->name))))
      xmlAddChild(node, xmlNewDocText(m_doc, BAD_CAST ""));
    return true;
  });
  return xml();
}

std::string XmlDocument::xml() const {
  if (!m_doc)
    return {};
  std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
  // AS_XML: a result tree made by an html-method stylesheet is still written as XML.
  xmlSaveCtxtPtr ctx = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL | XML_SAVE_AS_XML);
  if (!ctx)
    return {};
  xmlSaveDoc(ctx, m_doc);
  xmlSaveClose(ctx);
  std::string out(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())), xmlBufferLength(buffer.get()));
  while (!out.empty() && out.back() == '\n')
    out.pop_back();
  return out;
}

void XmlDocument::setProperty(std::string_view name, std::string_view value) {
  if (util::equalsNoCase(name, "SelectionLanguage") && value != "XPath")
    throw com::ComError(com::errInvalidCall, "unsupported selection language '" + std::string(value) + "'");
}

std::vector<xmlNodePtr> XmlDocument::selectNodes(std::string_view xpath) const {
  std::vector<xmlNodePtr> nodes;
  if (!m_doc)
    return nodes;
  std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> ctx(xmlXPathNewContext(m_doc), xmlXPathFreeContext);
  detail::resetErrors();
  std::string expr(xpath);
  std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expr.c_str()), ctx.get()), xmlXPathFreeObject);
  if (!result)
    throw com::ComError(com::errInvalidCall, "invalid XPath expression '" + expr + "'");
  if (result->type == XPATH_NODESET && result->nodesetval) {
    for (int i = 0; i < result->nodesetval->nodeNr; ++i)
      nodes.push_back(result->nodesetval->nodeTab[i]);
  }
  return nodes;
}

xmlNodePtr XmlDocument::selectSingleNode(std::string_view xpath) const {
  auto nodes = selectNodes(xpath);
  return nodes.empty() ? nullptr : nodes.front();
}

xmlNodePtr XmlDocument::documentElement() const { return m_doc ? xmlDocGetRootElement(m_doc) : nullptr; }

XmlDocument XmlDocument::clone() const { return XmlDocument(m_doc ? xmlCopyDoc(m_doc, 1) : nullptr); }

std::string nodeXml(xmlNodePtr node) {
  if (!node)
    return {};
  std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), xmlBufferFree);
  xmlNodeDump(buffer.get(), node->doc, node, 0, 0);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())), xmlBufferLength(buffer.get()));
}

namespace {

std::optional<std::string> attributeIfAny(xmlNodePtr element, const char* name) {
  if (!xmlHasProp(element, reinterpret_cast<const xmlChar*>(name)))
    return std::nullopt;
  return attribute(element, name);
}

} // namespace

SavedAttributes::SavedAttributes(std::vector<xmlNodePtr> elements, const char* name)
    : m_elements(std::move(elements)), m_name(name) {
  m_values.reserve(m_elements.size());
  for (xmlNodePtr e : m_elements)
    m_values.push_back(attributeIfAny(e, name));
}

SavedAttributes::~SavedAttributes() {
  const auto* name = reinterpret_cast<const xmlChar*>(m_name.c_str());
  for (std::size_t i = 0; i < m_elements.size(); ++i) {
    if (attributeIfAny(m_elements[i], m_name.c_str()) == m_values[i])
      continue;
    if (m_values[i])
      xmlSetProp(m_elements[i], name, reinterpret_cast<const xmlChar*>(m_values[i]->c_str()));
    else
      xmlUnsetProp(m_elements[i], name);
  }
}

bool SavedAttributes::unchanged() const {
  for (std::size_t i = 0; i < m_elements.size(); ++i)
    if (attributeIfAny(m_elements[i], m_name.c_str()) != m_values[i])
      return false;
  return true;
}

std::string nodeText(xmlNodePtr node) {
  if (!node)
    return {};
  xmlChar* content = xmlNodeGetContent(node);
  std::string out = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return out;
}

std::string attribute(xmlNodePtr element, const char* name) {
  if (!element)
    return {};
  xmlChar* value = xmlGetProp(element, reinterpret_cast<const xmlChar*>(name));
  std::string out = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return out;
}

} // namespace tavro::xml
