// The three passes together: the embedded stylesheets against the readable files under
// resources/, and the preview round trip.

#include "tests/resources/stylesheets.h"
#include "tests/support/testsupport.h"

#include "platform/com/comerror.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tavro;

namespace {

// A page with something for most rules, written as the import receives it.
const char* const samplePage =
    "<body>Intro text\n"
    "<h1>Title</h1><p align=\"center\">Some <b>bold</b>, <i>italic</i> and <code>code</code>.</p>\n"
    "<ul><li>one</li><li>two <a href=\"two.htm\">more</a></li></ul>\n"
    "<ol start=\"3\"><li>first</li><li>second</li></ol>\n"
    "<dl><dt>term</dt><dd>definition</dd></dl>\n"
    "<pre>a\n  b\n</pre>\n"
    "<blockquote cite=\"http://example.org/\"><p>quoted</p></blockquote><q>short</q>\n"
    "<a href=\"x.htm\" title=\"X\"><b>bold</b> link<img src=\"pic.gif\"/></a>\n"
    "<a href=\"y.htm\"><img src=\"y.gif\" style=\"WIDTH: 20px; HEIGHT: 10px\"/></a>\n"
    "<table id=\"t\"><caption>c</caption><tbody id=\"b\"><tr><td>a</td><td><b>b</b> c</td></tr>"
    "<tr><th>h</th><td><a href=\"z.htm\">z</a></td></tr></tbody></table>\n"
    "<form><select name=\"s\"><option value=\"1\">One</option></select><input type=\"text\" name=\"t\"/>"
    "<input type=\"submit\"/></form>\n"
    "<!-- a comment --><div><span>loose</span> text</div></body>";

bool haveXsltproc() { return std::system("xsltproc --version >/dev/null 2>&1") == 0; }

std::string runXsltproc(const std::string& stylesheetFile, const std::string& input, const test::TempDir& dir) {
  test::writeFile(dir.path() / "in.xml", input);
  const std::string command = "xsltproc '" + (test::sourceDir() / "resources" / stylesheetFile).string() + "' '" +
                              dir.file("in.xml") + "' > '" + dir.file("out.xml") + "' 2> '" + dir.file("err.txt") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << test::readFile(dir.path() / "err.txt");
  return test::readFile(dir.path() / "out.xml");
}

} // namespace

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

TEST(Stylesheets, EmbeddedAndXsltprocGiveTheSameBytes) {
  if (!haveXsltproc())
    GTEST_SKIP() << "xsltproc is not installed";
  test::TempDir dir;
  // xsltproc keeps all white space of its input, so the embedded runs keep it too.
  const std::string wml = test::applyStylesheet("HTMLIMPORT", samplePage);
  EXPECT_EQ(runXsltproc("htmlimport.xsl", samplePage, dir), wml);
  const std::string tidy = test::applyStylesheet("TIDYWML", wml);
  EXPECT_EQ(runXsltproc("tidywml.xsl", wml, dir), tidy);
  const std::string html = test::applyStylesheet("WMLEXPORT", tidy);
  EXPECT_EQ(runXsltproc("wmlexport.xsl", tidy, dir), html);
  EXPECT_NE(html.find("<a href=\"x.htm\" title=\"X\">bold</a>"), std::string::npos) << html;
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
