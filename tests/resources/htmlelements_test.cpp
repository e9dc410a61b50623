// HTMLELEMENTS: the catalogue of HTML elements the import knows, as the engine reads it.

#include "tests/support/testsupport.h"

#include "platform/xml/xmldocument.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavro;

namespace {

std::string childNames(xmlNodePtr group) {
  std::string names;
  for (xmlNodePtr child = group->children; child; child = child->next)
    names += (names.empty() ? "" : " ") + std::string(reinterpret_cast<const char*>(child->name));
  return names;
}

} // namespace

TEST(HtmlElements, IsUtf8TextEndingAtTheRootEndTag) {
  const std::string text = resources::text("HTMLELEMENTS", 101);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 13), "\r\n</elements>");
  // Every line ends with CR LF.
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
    EXPECT_EQ(text[i - 1], '\r') << "line feed at " << i;
  // The bytes carried end with a NUL that is not part of the text.
  auto bytes = resources::find("HTMLELEMENTS", 101);
  EXPECT_EQ(bytes.size(), text.size());
  EXPECT_EQ(bytes.data()[bytes.size()], 0);
}

TEST(HtmlElements, GroupsHoldTheirNamesInOrder) {
  // White space kept: a group must hold elements only, however the catalogue is loaded.
  xml::XmlDocument catalogue;
  catalogue.setPreserveWhiteSpace(true);
  ASSERT_TRUE(catalogue.loadXML(resources::text("HTMLELEMENTS", 101))) << catalogue.parseError().reason;

  xmlNodePtr root = catalogue.documentElement();
  ASSERT_EQ(std::string(reinterpret_cast<const char*>(root->name)), "elements");
  // Inside the root: one comment before each group, and the three groups in order.
  std::string layout;
  for (xmlNodePtr node = root->children; node; node = node->next) {
    if (node->type == XML_COMMENT_NODE)
      layout += "comment ";
    else if (node->type == XML_ELEMENT_NODE)
      layout += std::string(reinterpret_cast<const char*>(node->name)) + " ";
  }
  EXPECT_EQ(layout, "comment unknown comment known comment mapped ");

  EXPECT_EQ(childNames(catalogue.selectSingleNode("//unknown")),
            "meta span thead tfoot col colgroup link base object param area style iframe button label fieldset "
            "legend script noscript");
  EXPECT_EQ(childNames(catalogue.selectSingleNode("//known")),
            "em strong br table a img i big small u b input select option optgroup");
  EXPECT_EQ(childNames(catalogue.selectSingleNode("//mapped")), "em u big small p i");

  struct SubGroup {
    const char* name;
    const char* removable; // nullptr: no attribute
    const char* children;
  };
  const SubGroup mapped[] = {{"em", "true", "code samp bdo kbd tt"},
                             {"u", nullptr, "abbr strike"},
                             {"big", "true", "h1 h2 h3 sup"},
                             {"small", "true", "h4 h5 h6 sub"},
                             {"p", "false", "ul ol li dl dt dd address pre blockquote"},
                             {"i", "true", "dfn cite var quote acronym"}};
  for (const auto& group : mapped) {
    xmlNodePtr node = catalogue.selectSingleNode(std::string("//mapped/") + group.name);
    ASSERT_NE(node, nullptr) << group.name;
    EXPECT_EQ(xmlHasProp(node, BAD_CAST "removable") != nullptr, group.removable != nullptr) << group.name;
    if (group.removable) {
      EXPECT_EQ(xml::attribute(node, "removable"), group.removable) << group.name;
    }
    EXPECT_EQ(childNames(node), group.children) << group.name;
    for (xmlNodePtr child = node->children; child; child = child->next)
      EXPECT_EQ(child->children, nullptr) << child->name;
  }
  EXPECT_EQ(catalogue.selectNodes("//mapped/*[@removable='true']").size(), 4u);

  // No comment, text or other non-element node anywhere inside a group.
  EXPECT_TRUE(catalogue.selectNodes("/elements/*//node()[not(self::*)]").empty());
}
