#include "platform/xml/xsltemplate.h"

#include "platform/com/comerror.h"

#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltutils.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <utility>

namespace tavro::xml {

namespace {

void transformError(void* sink, const char* format, ...) {
  auto* message = static_cast<std::string*>(sink);
  if (!message->empty())
    return;
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  *message = buf;
  while (!message->empty() && (message->back() == '\n' || message->back() == ' '))
    message->pop_back();
}

} // namespace

XslTemplate::~XslTemplate() {
  if (m_sheet)
    xsltFreeStylesheet(m_sheet);
}

XslTemplate::XslTemplate(XslTemplate&& other) noexcept
    : m_sheet(std::exchange(other.m_sheet, nullptr)), m_lastError(std::move(other.m_lastError)) {}

XslTemplate& XslTemplate::operator=(XslTemplate&& other) noexcept {
  if (this != &other) {
    if (m_sheet)
      xsltFreeStylesheet(m_sheet);
    m_sheet = std::exchange(other.m_sheet, nullptr);
    m_lastError = std::move(other.m_lastError);
  }
  return *this;
}

void XslTemplate::setStylesheet(const XmlDocument& stylesheet) {
  if (m_sheet) {
    xsltFreeStylesheet(m_sheet);
    m_sheet = nullptr;
  }
  if (stylesheet.empty())
    throw com::ComError(com::errInvalidCall, "the stylesheet document is empty");
  detail::resetErrors();
  xmlDocPtr copy = xmlCopyDoc(stylesheet.get(), 1);
  m_sheet = xsltParseStylesheetDoc(copy);
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
      xsltNewTransformContext(m_sheet, input.get()), xsltFreeTransformContext);
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

  xmlDocPtr result = xsltApplyStylesheetUser(m_sheet, input.get(), nullptr, nullptr, nullptr, ctxt.get());
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
  xmlChar* text = nullptr;
  int length = 0;
  if (xsltSaveResultToString(&text, &length, result.get(), m_sheet) != 0) {
    m_lastError = "the result could not be serialised";
    return std::nullopt;
  }
  std::string out = text ? std::string(reinterpret_cast<const char*>(text), std::size_t(length)) : std::string();
  xmlFree(text);
  return out;
}

} // namespace tavro::xml
