// The tidying rules run in place give the tree their stylesheet gives, case by case.

#include "conversion/tidy.h"
#include "tests/conversion/importfixture.h"

#include <functional>

using namespace tavro;

namespace {

std::string run(int count, const std::string& unit) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += unit;
  return out;
}

} // namespace

TEST(Tidy, InPlaceGivesTheStylesheetsTree) {
  const std::string held = " xmlns:t=\"urn:tavro:tidy\"";
  struct Case {
    const char* label;
    std::string deck;
    std::function<void(xml::XmlDocument&)> edit; // what the tree holds that text cannot say
  };
  const Case cases[] = {
      {"runs between paragraphs", "<wml><card><b>a</b><i>b</i><p>c</p>x<!--n--><br/><p>d</p><u>e</u></card></wml>",
       nullptr},
      {"held text and marks",
       "<wml><card><t:text" + held + ">one </t:text><t:text" + held + ">two</t:text><t:break" + held +
           "/><b>three</b><p>p</p><t:text" + held + "> four</t:text></card></wml>",
       nullptr},
      {"empty card and cards side by side", "<wml><card/><card><p/></card><card><a href=\"#x\">l</a></card></wml>",
       nullptr},
      {"long runs",
       "<wml><card>" + run(70, "<b>x</b>") + "<p>p</p>" + run(1100, "<i>y</i><t:text" + held + ">z</t:text>") +
           "</card></wml>",
       nullptr},
      {"empty tables taken out between text",
       "<wml><card><p>a<table><tr/></table>b<table/>c</p><b>d</b><table><tr><td/></tr></table>e</card></wml>",
       conversion::ImportEngine::NormaliseTables},
      {"text in the deck itself", "<wml>t<card><b>x</b></card><!--c--></wml>", nullptr},
  };
  const xml::XslTemplate sheet = test::embeddedStylesheet("TIDYWML");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    xml::XmlDocument input;
    input.setPreserveWhiteSpace(true);
    ASSERT_TRUE(input.loadXML(c.deck));
    if (c.edit)
      c.edit(input);
    auto expected = sheet.transformToDocument(input, nullptr, true);
    ASSERT_TRUE(expected.has_value());
    xml::XmlDocument inPlace = input.clone();
    ASSERT_TRUE(conversion::wrapParagraphs(inPlace));
    auto read = sheet.readBack(std::move(inPlace), nullptr, true);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(test::treeShape(*read), test::treeShape(*expected));
  }

  // Decks of another shape are left to the stylesheet, untouched.
  for (const char* other : {"<wml id=\"d\"><card/></wml>", "<wml><card title=\"t\"/></wml>",
                            "<wml><head/><card/></wml>", "<deck/>", "<!--c--><wml><card/></wml>"}) {
    xml::XmlDocument doc;
    ASSERT_TRUE(doc.loadXML(other));
    const std::string before = test::treeShape(doc);
    EXPECT_FALSE(conversion::wrapParagraphs(doc)) << other;
    EXPECT_EQ(test::treeShape(doc), before) << other;
  }
}
