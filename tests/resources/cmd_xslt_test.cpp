// tavro xslt: an embedded stylesheet applied to a file, as a developer or user runs it.

#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavro;

// The import writes one card as the tidying pass reads it, on one line, UTF-8; the tidying pass
// writes a document to read, indented, with a declaration.
TEST(CliXslt, PrintsTheResultOfAnEmbeddedStylesheet) {
  test::TempDir dir;
  test::writeFile(dir.path() / "page.xml", "<body>Caf\xC3\xA9<img src=\"a.gif\"/></body>");
  auto r = test::runTavro({"xslt", "htmlimport", dir.file("page.xml")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "<wml><card>Caf\xC3\xA9<img alt=\"a.gif\" src=\"a.gif\"/></card></wml>\n");

  test::writeFile(dir.path() / "deck.wml", "<wml>\n  <card>\n    <br/>\n  </card>\n</wml>");
  r = test::runTavro({"xslt", "TidyWml", dir.file("deck.wml")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<wml>\n  <card>\n    <p>\n      <br/>\n    </p>\n"
                   "  </card>\n</wml>\n");
}

TEST(CliXslt, ReportsMissingAndBrokenInput) {
  test::TempDir dir;
  auto missing = test::runTavro({"xslt", "WMLEXPORT", dir.file("none.wml")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("none.wml"), std::string::npos) << missing.err;
  EXPECT_NE(test::runTavro({"xslt", "WMLEXPORT", dir.str()}).err.find("is a folder, not an XML file"),
            std::string::npos);

  test::writeFile(dir.path() / "broken.wml", "<wml><card></wml>");
  auto broken = test::runTavro({"xslt", "WMLEXPORT", dir.file("broken.wml")});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_NE(broken.err.find("broken.wml' is not well-formed XML (line 1"), std::string::npos) << broken.err;

  EXPECT_EQ(test::runTavro({"xslt", "NOSUCH", dir.file("broken.wml")}).exitCode, 2);
  EXPECT_EQ(test::runTavro({"xslt", "WMLEXPORT"}).exitCode, 2);
}
