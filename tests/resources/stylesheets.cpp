#include "tests/resources/stylesheets.h"

#include "resources/resources.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace tavro::test {

namespace {

std::string escape(std::string_view text, bool attribute) {
  std::string out;
  for (char c : text) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += attribute ? "&quot;" : "\""; break;
    default: out += c;
    }
  }
  return out;
}

std::string str(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

std::string qualifiedName(xmlNodePtr node) {
  std::string name = str(node->name);
  if (node->ns && node->ns->prefix)
    name = str(node->ns->prefix) + ":" + name;
  return name;
}

void writeCanonical(xmlNodePtr node, bool dropBlank, std::string& out) {
  for (; node; node = node->next) {
    switch (node->type) {
    case XML_ELEMENT_NODE: {
      std::vector<std::pair<std::string, std::string>> attributes;
      for (xmlAttrPtr a = node->properties; a; a = a->next) {
        xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
        std::string name = str(a->name);
        if (a->ns && a->ns->prefix)
          name = str(a->ns->prefix) + ":" + name;
        attributes.emplace_back(name, str(value));
        xmlFree(value);
      }
      std::sort(attributes.begin(), attributes.end());
      out += "<" + qualifiedName(node);
      for (const auto& [name, value] : attributes)
        out += " " + name + "=\"" + escape(value, true) + "\"";
      if (!node->children) {
        out += "/>";
      } else {
        out += ">";
        writeCanonical(node->children, dropBlank, out);
        out += "</" + qualifiedName(node) + ">";
      }
      break;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE: {
      std::string text = str(node->content);
      if (!(dropBlank && text.find_first_not_of(" \t\r\n") == std::string::npos))
        out += escape(text, false);
      break;
    }
    case XML_COMMENT_NODE: out += "<!--" + str(node->content) + "-->"; break;
    case XML_PI_NODE: out += "<?" + str(node->name) + "?>"; break;
    default: break;
    }
  }
}

} // namespace

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
  std::string out;
  if (!doc.empty())
    writeCanonical(doc.get()->children, dropBlank, out);
  return out;
}

std::string importHtml(std::string_view body) { return canonical(applyStylesheet("HTMLIMPORT", body), false); }

std::string tidyWml(std::string_view deck) { return canonical(applyStylesheet("TIDYWML", deck), true); }

std::string exportWml(std::string_view deck) { return canonical(applyStylesheet("WMLEXPORT", deck), true); }

} // namespace tavro::test
