// The map of a site: which files are its pages, the documents they become, and links between
// imported pages pointed at their decks.

#include "conversion/sitemap.h"
#include "platform/xml/xmldocument.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using conversion::SiteMap;
namespace stdfs = std::filesystem;

namespace {

void writePage(const stdfs::path& file, const std::string& text = "<p>x</p>") {
  stdfs::create_directories(file.parent_path());
  test::writeFile(file, text);
}

std::vector<std::pair<std::string, std::string>> namesOf(const SiteMap& map) {
  std::vector<std::pair<std::string, std::string>> names;
  for (const auto& page : map.pages())
    names.emplace_back(page.relative, page.name);
  return names;
}

} // namespace

TEST(SiteMap, PagesBelowAFolderInPathOrderWithStableUniqueNames) {
  test::TempDir dir;
  const auto site = dir.path() / "site";
  for (const char* file : {"index.html", "guide/intro.html", "guide/Setup.HTM", "a-b.html", "a/b.html", "v1.2/a b.html",
                           "notes.txt", "images/logo.png"})
    writePage(site / file);
  // Outside the folder: reached through links, never taken.
  writePage(dir.path() / "outside" / "secret.html");
  stdfs::create_directory_symlink(dir.path() / "outside", site / "linked");
  stdfs::create_symlink(dir.path() / "outside" / "secret.html", site / "secret.html");

  const SiteMap map = SiteMap::ofFolder(site);
  const std::vector<std::pair<std::string, std::string>> expected = {{"a-b.html", "a-b"},
                                                                     {"a/b.html", "a-b-2"},
                                                                     {"guide/Setup.HTM", "guide-Setup"},
                                                                     {"guide/intro.html", "guide-intro"},
                                                                     {"index.html", "index"},
                                                                     {"v1.2/a b.html", "v1_2-a_b"}};
  EXPECT_EQ(namesOf(map), expected);

  // Pages named one by one take their names below the folder that holds them all.
  const SiteMap some = SiteMap::ofPages({site / "guide" / "intro.html", site / "index.html"});
  EXPECT_EQ(namesOf(some), (std::vector<std::pair<std::string, std::string>>{{"guide/intro.html", "guide-intro"},
                                                                             {"index.html", "index"}}));
  EXPECT_THROW(SiteMap::ofFolder(site / "index.html"), std::runtime_error);
  EXPECT_THROW(SiteMap::ofPages({site / "missing.html"}), std::runtime_error);
}

TEST(SiteMap, LinksBetweenImportedPagesPointAtTheirDecks) {
  test::TempDir dir;
  const auto site = dir.path() / "site";
  for (const char* file : {"index.html", "guide/intro.html", "guide/my page.html"})
    writePage(site / file);
  const SiteMap map = SiteMap::ofFolder(site);
  const conversion::SitePage& intro = *map.find(site / "guide" / "intro.html");
  // The target deck wrote the page's id "1st:step" as "id1st_step".
  const std::map<std::string, std::map<std::string, std::string>> ids = {{"index", {{"1st:step", "id1st_step"}}}};

  const std::pair<const char*, const char*> links[] = {
      {"../index.html", "index.wml"},
      {"../index.html#1st:step", "index.wml#id1st_step"},
      {"../index.html?lang=en&x=%41#top", "index.wml?lang=en&x=%41#top"},
      {"./my%20page.html", "guide-my_page.wml"},
      {"../guide/intro.html#setup", "guide-intro.wml#setup"},
      {"intro.html?at=10:30", "guide-intro.wml?at=10:30"}, // a colon after the path names no scheme
      // Left as they are: other pages, other sites, this deck, the site's root.
      {"other.html", "other.html"},
      {"http://example.com/index.html", "http://example.com/index.html"},
      {"mailto:us@example.com", "mailto:us@example.com"},
      {"#local", "#local"},
      {"/index.html", "/index.html"},
  };
  for (const auto& [href, written] : links) {
    xml::XmlDocument deck;
    ASSERT_TRUE(deck.loadXML("<wml><card><p><a>x</a></p><do type=\"accept\"><go/></do></card></wml>"));
    for (xmlNodePtr link : deck.selectNodes("//a | //go"))
      xmlSetProp(link, BAD_CAST "href", BAD_CAST href);
    map.rewriteLinks(deck.documentElement(), intro, ids);
    for (xmlNodePtr link : deck.selectNodes("//a | //go"))
      EXPECT_EQ(xml::attribute(link, "href"), written) << href;
  }
}
