// Checking a chosen path, opening it, and its body markup as the XML document the conversion
// reads.

#include "conversion/htmltoxmldocument.h"
#include "htmlimport/modhtmlimport.h"
#include "platform/html/browser.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tavro;
using namespace tavro::htmlimport;

// A path qualifies as a page when it names an existing .htm or .html file; only a page that
// qualifies and reads is shown.
TEST(ModHtmlImport, OnlyAnExistingHtmOrHtmlFileThatReadsIsShown) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.path() / "pages");
  std::filesystem::create_directory(dir.path() / "pages.old");
  const std::pair<const char*, bool> files[] = {
      {"pages/index.HTML", true},  {"pages/a.htm", true},       {"pages/b.Htm", true}, {"pages/index.txt", false},
      {"pages.old/readme", false}, {"pages/c.html.bak", false}, {"pages/noext", false}};
  for (const auto& [name, html] : files) {
    test::writeFile(dir.path() / name, "<p>x</p>");
    EXPECT_EQ(IsHtmlFile(dir.file(name)), html) << name;
  }
  EXPECT_FALSE(IsHtmlFile(dir.file("pages/missing.html")));
  EXPECT_FALSE(IsHtmlFile(""));
  // A pipe named like a page exists, so it qualifies, but it is no page to read.
  const std::string pipe = dir.file("pipe.html");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_TRUE(IsHtmlFile(pipe));

  html::Browser browser;
  ASSERT_TRUE(browser.Navigate("about:blank"));
  EXPECT_FALSE(LoadHtmlFile(dir.file("pages/index.txt"), browser));
  EXPECT_FALSE(LoadHtmlFile(pipe, browser));
  EXPECT_EQ(browser.LocationURL(), "about:blank");
  EXPECT_TRUE(LoadHtmlFile(dir.file("pages/a.htm"), browser));
  EXPECT_EQ(browser.Document()->body()->innerHTML(), "<p>x</p>");
}

TEST(HtmlToXmlDocument, GivesTheMarkupUnderABodyRootAndNothingForNoMarkup) {
  EXPECT_FALSE(conversion::HtmlToXmlDocument("").has_value());
  auto doc = conversion::HtmlToXmlDocument("<P>Hello <B>world</B><TABLE><TR><TD>x</TABLE>");
  ASSERT_TRUE(doc.has_value());
  EXPECT_EQ(doc->xml(), "<body><p>Hello <b>world</b></p><table><tbody><tr><td>x</td></tr></tbody></table></body>");
}
