#include "host/hosttools.h"

#include "platform/com/comerror.h"
#include "platform/xml/treewalk.h"
#include "util/fileurl.h"
#include "util/text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

namespace tavro::host {

namespace {

std::string content(xmlNodePtr node) {
  return node->content ? reinterpret_cast<const char*>(node->content) : std::string();
}

void setAttr(xmlNodePtr element, const char* name, const std::string& value) {
  xmlSetProp(element, reinterpret_cast<const xmlChar*>(name), reinterpret_cast<const xmlChar*>(value.c_str()));
}

bool isElement(xmlNodePtr node, const char* name) {
  return node->type == XML_ELEMENT_NODE && util::equalsNoCase(reinterpret_cast<const char*>(node->name), name);
}

} // namespace

std::string HostXmlTools::ResourceToString(std::span<const std::uint8_t> bytes) const {
  auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

xml::XmlDocument HostXmlTools::LoadXmlString(const std::string& text) const {
  xml::XmlDocument doc;
  if (!doc.loadXML(text)) {
    const auto& e = doc.parseError();
    throw com::ComError(com::errInvalidCall,
                        "cannot load XML: " + e.reason + (e.line ? " (line " + std::to_string(e.line) + ")" : ""));
  }
  return doc;
}

void HostXmlTools::ConvertDocument(xml::XmlDocument& doc, std::int32_t mode, bool, const com::Variant&) const {
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr node) {
    ConvertNode(node, mode);
    return true;
  });
}

void HostXmlTools::ConvertNode(xmlNodePtr node, std::int32_t mode) const {
  if (mode == 0 && (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)) {
    if (node->content && std::strchr(reinterpret_cast<const char*>(node->content), '\r')) {
      const std::string text = content(node);
      std::string folded;
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
          folded += '\n';
          if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        } else {
          folded += text[i];
        }
      }
      xmlNodeSetContentLen(node, reinterpret_cast<const xmlChar*>(folded.data()), int(folded.size()));
    }
  } else if (mode == 1 && node->type == XML_ELEMENT_NODE) {
    for (const char* name : {"src", "href"}) {
      if (xmlHasProp(node, reinterpret_cast<const xmlChar*>(name))) {
        std::string value = xml::attribute(node, name);
        std::string trimmed(util::trim(value));
        if (trimmed != value)
          setAttr(node, name, trimmed);
      }
    }
  }
}

void HostXmlTools::ConvertReferences(xml::XmlDocument& doc, std::int32_t mode, const com::Variant&) const {
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr node) {
    ConvertReference(node, mode);
    return true;
  });
}

void HostXmlTools::ConvertReference(xmlNodePtr node, std::int32_t mode) const {
  if (!isElement(node, "img") || !xmlHasProp(node, reinterpret_cast<const xmlChar*>("src")))
    return;
  std::string src = xml::attribute(node, "src");
  if (mode == 0) {
    if (auto path = util::fileUrlToPath(src))
      setAttr(node, "src", *path);
  } else if (mode == 1) {
    if (src.rfind("/", 0) == 0) {
      setAttr(node, "src", util::pathToFileUrl(src));
    } else if (!m_projectFolder.empty() && !src.empty() && src.find(':') == std::string::npos) {
      // The reference is a URL already: it is joined to the folder's URL as it stands.
      setAttr(node, "src", util::pathToFileUrl(m_projectFolder) + "/" + src);
    }
  }
}

std::string HostXmlTools::TransformToString(const xml::XmlDocument& doc, const xml::XslTemplate& xslt) const {
  return xslt.transformToString(doc).value_or(std::string());
}

std::optional<xml::XmlDocument> HostXmlTools::TransformToDocument(const xml::XmlDocument& doc,
                                                                  const xml::XslTemplate& xslt, std::string* text,
                                                                  bool preserveWhiteSpace) const {
  return xslt.transformToDocument(doc, text, preserveWhiteSpace);
}

bool HostXmlTools::TryTransform(xml::XmlDocument& doc, const xml::XslTemplate& xslt) const {
  return TryTransform(doc, xslt, doc);
}

bool HostXmlTools::TryTransform(const xml::XmlDocument& doc, const xml::XslTemplate& xslt,
                                xml::XmlDocument& output) const {
  auto result = xslt.transform(doc);
  if (!result)
    return false;
  output = std::move(*result);
  return true;
}

void HostXmlTools::PrepareHtml(const std::string&, com::Variant&, com::Variant&) const {}

void HostDomTools::RemoveElements(const std::string& names, xml::XmlDocument& doc, bool flag,
                                  const com::Variant&) const {
  std::set<std::string> wanted;
  std::string_view rest = names;
  while (!rest.empty()) {
    auto comma = rest.find(',');
    std::string_view name = util::trim(rest.substr(0, comma));
    if (!name.empty())
      wanted.insert(util::toLower(name));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  if (wanted.empty() || doc.empty())
    return;

  // Collect first, then change the tree: removing while walking would skip nodes.
  std::vector<xmlNodePtr> matches;
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr node) {
    if (node->type == XML_ELEMENT_NODE && wanted.count(util::toLower(reinterpret_cast<const char*>(node->name)))) {
      matches.push_back(node);
      return !flag; // removed whole: nothing inside needs a visit
    }
    return true;
  });
  // Innermost first, so an unwrapped element's children are already final when it goes.
  for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
    xmlNodePtr node = *it;
    if (node == xmlDocGetRootElement(doc.get())) {
      // A document needs its root: unwrapping keeps it; removing it whole empties the document.
      if (flag) {
        xmlUnlinkNode(node);
        xmlFreeNode(node);
      }
      continue;
    }
    if (!flag) {
      while (xmlNodePtr child = node->children) {
        xmlUnlinkNode(child);
        xmlAddPrevSibling(node, child);
      }
    }
    xmlUnlinkNode(node);
    xmlFreeNode(node);
  }
}

} // namespace tavro::host
