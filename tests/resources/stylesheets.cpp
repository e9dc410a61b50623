#include "tests/resources/stylesheets.h"

#include "platform/xml/treewalk.h"
#include "resources/resources.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <algorithm>
#include <vector>

namespace tavro::test {

xml::XslTemplate embeddedStylesheet(std::string_view type) {
  xml::XmlDocument sheet;
  EXPECT_TRUE(sheet.loadXML(resources::text(type, 101))) << type << ": " << sheet.parseError().reason;
  xml::XslTemplate stylesheet;
  stylesheet.setStylesheet(sheet);
  return stylesheet;
}

xml::XmlDocument parse(std::string_view text, bool preserveWhiteSpace) {
  xml::XmlDocument doc;
  doc.setPreserveWhiteSpace(preserveWhiteSpace);
  EXPECT_TRUE(doc.loadXML(text)) << doc.parseError().reason << "\n" << text.substr(0, 400);
  return doc;
}

std::string applyStylesheet(std::string_view type, const xml::XmlDocument& input) {
  xml::XslTemplate stylesheet = embeddedStylesheet(type);
  auto result = stylesheet.transformToString(input);
  EXPECT_TRUE(result.has_value()) << type << ": " << stylesheet.lastError();
  return result.value_or("");
}

std::string applyStylesheet(std::string_view type, std::string_view input, bool preserveWhiteSpace) {
  return applyStylesheet(type, parse(input, preserveWhiteSpace));
}

std::string canonical(std::string_view xmlText, bool dropBlank) {
  xml::XmlDocument doc = parse(xmlText, true);
  // Attributes in name order, and white-space-only text gone when asked, then written out.
  xml::walkTree(doc.documentElement(), [&](xmlNodePtr node) {
    if (node->type == XML_TEXT_NODE && dropBlank && xmlIsBlankNode(node)) {
      xmlUnlinkNode(node);
      xmlFreeNode(node);
      return false;
    }
    if (node->type != XML_ELEMENT_NODE || !node->properties)
      return true;
    auto name = [](xmlAttrPtr a) {
      std::string prefix = a->ns && a->ns->prefix ? reinterpret_cast<const char*>(a->ns->prefix) : "";
      return prefix + ":" + reinterpret_cast<const char*>(a->name);
    };
    std::vector<xmlAttrPtr> attributes;
    for (xmlAttrPtr a = node->properties; a; a = a->next)
      attributes.push_back(a);
    std::sort(attributes.begin(), attributes.end(), [&](xmlAttrPtr x, xmlAttrPtr y) { return name(x) < name(y); });
    node->properties = attributes.front();
    for (std::size_t i = 0; i < attributes.size(); ++i) {
      attributes[i]->prev = i > 0 ? attributes[i - 1] : nullptr;
      attributes[i]->next = i + 1 < attributes.size() ? attributes[i + 1] : nullptr;
    }
    return true;
  });
  return doc.xml();
}

std::string importHtml(std::string_view body) { return canonical(applyStylesheet("HTMLIMPORT", body), false); }

} // namespace tavro::test
