// Checking a chosen path and opening it.

#include "htmlimport/modhtmlimport.h"
#include "platform/html/browser.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tavro;
using namespace tavro::htmlimport;

TEST(ModHtmlImport, IsHtmlFileWantsAnExistingHtmOrHtmlFile) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.path() / "pages");
  std::filesystem::create_directory(dir.path() / "pages.old");
  for (const char* name : {"pages/index.HTML", "pages/a.htm", "pages/b.Htm", "pages/index.txt", "pages.old/readme",
                           "pages/c.html.bak", "pages/noext"})
    test::writeFile(dir.path() / name, "<p>x</p>");
  EXPECT_TRUE(IsHtmlFile(dir.file("pages/index.HTML")));
  EXPECT_TRUE(IsHtmlFile(dir.file("pages/a.htm")));
  EXPECT_TRUE(IsHtmlFile(dir.file("pages/b.Htm")));
  EXPECT_FALSE(IsHtmlFile(dir.file("pages/index.txt")));
  EXPECT_FALSE(IsHtmlFile(dir.file("pages.old/readme")));
  EXPECT_FALSE(IsHtmlFile(dir.file("pages/c.html.bak")));
  EXPECT_FALSE(IsHtmlFile(dir.file("pages/noext")));
  EXPECT_FALSE(IsHtmlFile(dir.file("pages/missing.html")));
  EXPECT_FALSE(IsHtmlFile(""));
}

TEST(ModHtmlImport, LoadHtmlFileShowsOnlyWhatQualifies) {
  test::TempDir dir;
  test::writeFile(dir.path() / "page.html", "<p>page</p>");
  test::writeFile(dir.path() / "page.txt", "<p>text</p>");
  html::Browser browser;
  ASSERT_TRUE(browser.Navigate("about:blank"));

  EXPECT_FALSE(LoadHtmlFile(dir.file("page.txt"), browser));
  EXPECT_EQ(browser.LocationURL(), "about:blank");

  EXPECT_TRUE(LoadHtmlFile(dir.file("page.html"), browser));
  EXPECT_EQ(browser.ReadyState(), 4);
  EXPECT_EQ(browser.Document()->body()->innerHTML(), "<p>page</p>");
}

TEST(ModHtmlImport, AFileThatCannotBeReadIsNotReportedAsLoaded) {
  test::TempDir dir;
  html::Browser browser;
  ASSERT_TRUE(browser.Navigate("about:blank"));
  // A pipe named like a page exists, so it qualifies, but it is no page to read.
  std::string pipe = dir.file("pipe.html");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_TRUE(IsHtmlFile(pipe));
  EXPECT_FALSE(LoadHtmlFile(pipe, browser));
  EXPECT_EQ(browser.LocationURL(), "about:blank");
  EXPECT_NE(browser.LastError().find("pipe.html"), std::string::npos);
}
