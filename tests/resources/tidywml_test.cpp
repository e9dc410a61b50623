// TIDYWML: every run of non-paragraph elements of a card goes into a new paragraph.

#include "tests/resources/stylesheets.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavro;

namespace {

std::string deck(const std::string& card) { return test::canonical("<wml><card>" + card + "</card></wml>", true); }
std::string tidied(const std::string& card) {
  return test::canonical(test::applyStylesheet("TIDYWML", "<wml><card>" + card + "</card></wml>"), true);
}

} // namespace

TEST(TidyWml, WrapsEachRunIntoANewParagraph) {
  const std::string held = "<t:text xmlns:t=\"urn:tavro:tidy\">";
  const std::pair<std::string, std::string> cases[] = {
      {"<img src=\"a\"/><br/><p align=\"center\" mode=\"nowrap\" id=\"k\">keep <b>me</b></p>"
       "<table columns=\"1\"><tr><td>c</td></tr></table><a href=\"x\">x</a>",
       "<p><img src=\"a\"/><br/></p><p align=\"center\" mode=\"nowrap\" id=\"k\">keep <b>me</b></p>"
       "<p><table columns=\"1\"><tr><td>c</td></tr></table><a href=\"x\">x</a></p>"},
      // Paragraphs only: unchanged, nested paragraphs included.
      {"<p>a</p><p><p>nested</p></p>", "<p>a</p><p><p>nested</p></p>"},
      // Text and comments standing in the card go; held text takes part in runs as plain text.
      {"before<img src=\"i\"/>between<!--c--><br/>after", "<p><img src=\"i\"/><br/></p>"},
      {held + "Hello </t:text><b>world</b><p>p</p>" + held + "tail</t:text>",
       "<p>Hello <b>world</b></p><p>p</p><p>tail</p>"},
      {"just text<!--c-->", ""},
  };
  for (const auto& [card, wrapped] : cases)
    EXPECT_EQ(tidied(card), deck(wrapped)) << card;
}

TEST(TidyWml, RunsOfEveryLengthKeepTheirOrder) {
  // Runs around the lengths where the copying changes strategy, each closed by a paragraph; the
  // longest stays within the template depth.
  std::string card, expected;
  int n = 0;
  for (int length : {1, 31, 32, 33, 34, 64, 65, 127, 128, 129, 1000, 20000}) {
    expected += "<p>";
    for (int i = 0; i < length; ++i) {
      std::string element = "<b>" + std::to_string(n++) + "</b>";
      card += element;
      expected += element;
    }
    card += "<p>end" + std::to_string(length) + "</p>";
    expected += "</p><p>end" + std::to_string(length) + "</p>";
  }
  card += "<i>last</i><br/>";
  expected += "<p><i>last</i><br/></p>";
  EXPECT_EQ(tidied(card), deck(expected));
}
