// The embedded stylesheets against the readable files under resources/, and the three passes
// together in the preview round trip.

#include "tests/resources/stylesheets.h"
#include "tests/support/testsupport.h"

#include "platform/com/comerror.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavro;

TEST(Stylesheets, EmbeddedTextIsTheReadableFile) {
  const std::pair<const char*, const char*> files[] = {{"HTMLIMPORT", "htmlimport.xsl"},
                                                       {"TIDYWML", "tidywml.xsl"},
                                                       {"WMLEXPORT", "wmlexport.xsl"},
                                                       {"HTMLELEMENTS", "htmlelements.xml"}};
  for (const auto& [type, file] : files) {
    const std::string text = resources::text(type, 101);
    EXPECT_EQ(text, test::readFile(test::sourceDir() / "resources" / file)) << type;
  }
  EXPECT_TRUE(resources::contains("wmlexport", "101"));
  EXPECT_FALSE(resources::contains("HTMLIMPORT", "102"));
  EXPECT_THROW(resources::find("HTMLIMPORT", 102), com::ComError);
}

// The export writes a document to read, indented, with a declaration (CliXslt checks the layouts
// of the other two).
TEST(Stylesheets, ExportWritesAnIndentedDocument) {
  EXPECT_EQ(test::applyStylesheet("WMLEXPORT", "<wml><card title=\"A\"><p>x</p></card></wml>"),
            "<?xml version=\"1.0\"?>\n<body>\n  <div title=\"A\">\n    <p>x</p>\n  </div>\n</body>\n");
}

TEST(Stylesheets, PreviewRoundTripGivesTheDeckBack) {
  // A tidy deck shown as HTML and imported again, as the wizard does at import time.
  const std::string deck =
      "<wml><card><p>Hello <b>bold</b> <a href=\"x.wml\" title=\"X\">link</a><br/>"
      "<img alt=\"logo\" src=\"logo.wbmp\" width=\"10\" height=\"20\"/></p>"
      "<p align=\"left\">1. one<br/>2. two<br/></p><p align=\"center\" mode=\"nowrap\">wide line</p>"
      "<p><table columns=\"2\"><tr><td>a</td><td>b</td></tr></table><select multiple=\"false\" name=\"s\">"
      "<option value=\"1\">One</option></select></p></card></wml>";
  const std::string html = test::applyStylesheet("WMLEXPORT", deck, false);
  const std::string wml = test::applyStylesheet("HTMLIMPORT", html, false);
  const std::string tidy = test::applyStylesheet("TIDYWML", wml, false);
  // Everything survives the HTML, paragraph alignment and wrap mode included.
  EXPECT_EQ(test::canonical(tidy, true), test::canonical(deck, true));
}
