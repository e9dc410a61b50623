// tavro import FOLDER and tavro import PAGE...: a whole site into a project, the links between
// its pages pointed at their decks and each picture converted once.

#include "decks/wbxml.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

using namespace tavro;
using test::runTavro;
namespace stdfs = std::filesystem;

namespace {

class SiteImport : public ::testing::Test {
protected:
  void SetUp() override {
    const auto picture = test::sourceDir() / "samples" / "pages" / "images" / "sunset.png";
    write("index.html", "<h1>Harbour</h1><p>See <a href=\"guide/intro.html#setup\">setup</a>, "
                        "<a href=\"guide/intro.html?lang=en#top\">intro</a>, <a href=\"news/2026.html\">news</a>, "
                        "<a href=\"http://example.com/\">elsewhere</a> <img src=\"img/sun.png\" alt=\"sun\"></p>");
    write("guide/intro.html",
          "<html><body><p id=\"setup\">Setup <a href=\"../index.html\">home</a> "
          "<img src=\"../img/sun.png\" alt=\"sun\"> <img src=\"pics/sun.png\" alt=\"other sun\"></p>"
          "<p id=\"2nd\">Second <a href=\"#2nd\">here</a> <a href=\"missing.html\">gone</a></p>"
          "<div id=\"chrome\"><div id=\"more\"><b>More</b> words</div></div></body></html>",
          false);
    write("news/2026.html", "<p>News <a href=\"../guide/intro.html#2nd\">second step</a> <a "
                            "href=\"../guide/intro.html#more\">more</a></p>");
    write("frames.html",
          "<html><frameset cols=\"50%,50%\"><frame src=\"index.html\"><frame src=\"news/2026.html\">"
          "</frameset></html>",
          false);
    stdfs::create_directories(site / "img");
    stdfs::create_directories(site / "guide" / "pics");
    stdfs::copy_file(picture, site / "img" / "sun.png");
    stdfs::copy_file(picture, site / "guide" / "pics" / "sun.png");
    ASSERT_EQ(runTavro({"project", "new", dir.file("project"), "Site"}).exitCode, 0);
  }
  void write(const std::string& relative, const std::string& body, bool wrap = true) {
    stdfs::create_directories((site / relative).parent_path());
    test::writeFile(site / relative, wrap ? "<html><body>" + body + "</body></html>" : body);
  }
  std::string deck(const std::string& name) { return test::readFile(dir.path() / "project" / (name + ".wml")); }
  static std::vector<std::string> hrefs(const std::string& deck) {
    std::vector<std::string> found;
    std::regex href("href=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(deck.begin(), deck.end(), href); it != std::sregex_iterator(); ++it)
      found.push_back((*it)[1]);
    return found;
  }

  test::TempDir dir;
  stdfs::path site = dir.path() / "site";
};

} // namespace

TEST_F(SiteImport, EveryPageBecomesADeckThatLinksToTheOthers) {
  auto r = runTavro({"import", site.string(), "--project", dir.file("project"), "--images", "-j", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("4 pages imported, 0 failed, 2 pictures converted"), std::string::npos) << r.err;
  auto list = runTavro({"project", "list", dir.file("project")});
  EXPECT_EQ(list.out, "frames\twml\nguide-intro\twml\nindex\twml\nnews-2026\twml\n");

  EXPECT_EQ(hrefs(deck("index")), (std::vector<std::string>{"guide-intro.wml#setup", "guide-intro.wml?lang=en#top",
                                                            "news-2026.wml", "http://example.com/"}));
  // The page's id "2nd" is written "id2nd", and links from this deck and from others follow it.
  EXPECT_EQ(hrefs(deck("guide-intro")), (std::vector<std::string>{"index.wml", "#id2nd", "missing.html"}));
  EXPECT_EQ(hrefs(deck("news-2026")), (std::vector<std::string>{"guide-intro.wml#id2nd", "guide-intro.wml#more"}));
  // The ids of elements that leave nothing in the deck (divs) stay where another deck's links
  // lead to them, and go where none does.
  EXPECT_NE(deck("guide-intro").find("<p id=\"more\"><b>More</b> words</p>"), std::string::npos) << deck("guide-intro");
  EXPECT_EQ(deck("guide-intro").find("chrome"), std::string::npos);
  // The frameset links to the decks of its frames.
  EXPECT_EQ(hrefs(deck("frames")), (std::vector<std::string>{"index.wml", "news-2026.wml"}));

  // One picture file, shown by two decks, is converted once; another of the same base name
  // gets a name of its own (names go in the order of the pictures' paths).
  EXPECT_NE(deck("index").find("src=\"images/sun-2.wbmp\""), std::string::npos);
  EXPECT_NE(deck("guide-intro").find("<img alt=\"sun\" src=\"images/sun-2.wbmp\"/>"), std::string::npos);
  EXPECT_NE(deck("guide-intro").find("<img alt=\"other sun\" src=\"images/sun.wbmp\"/>"), std::string::npos);
  EXPECT_EQ(test::entriesIn(dir.path() / "project" / "images"), 2);
  std::map<std::string, std::string> first;
  for (const char* name : {"index", "guide-intro", "news-2026", "frames"}) {
    EXPECT_EQ(test::wmlFault(deck(name)), "") << name;
    first[name] = deck(name);
  }

  // The same site gives the same decks on any number of threads.
  auto again =
      runTavro({"import", site.string(), "--project", dir.file("project"), "--images", "-j", "1", "--overwrite"});
  ASSERT_EQ(again.exitCode, 0) << again.err;
  for (const auto& [name, text] : first)
    EXPECT_EQ(deck(name), text) << name;
  // Pictures wider than --picture-width shrink to it, and each deck says their size.
  ASSERT_EQ(runTavro({"import", site.string(), "--project", dir.file("project"), "--images", "--overwrite",
                      "--picture-width", "48"})
                .exitCode,
            0);
  EXPECT_NE(deck("guide-intro").find("<img alt=\"sun\" src=\"images/sun-2.wbmp\" height=\"32\" width=\"48\"/>"),
            std::string::npos)
      << deck("guide-intro");
  EXPECT_EQ(test::readFile(dir.path() / "project" / "images" / "sun.wbmp").at(2), 48);
  // --keep-links leaves the page's links as written.
  ASSERT_EQ(
      runTavro({"import", site.string(), "--project", dir.file("project"), "--overwrite", "--keep-links"}).exitCode, 0);
  EXPECT_EQ(hrefs(deck("news-2026")),
            (std::vector<std::string>{"../guide/intro.html#2nd", "../guide/intro.html#more"}));
}

// Each page that cannot be imported is told with its reason and leaves no deck, a picture that
// does not convert is told once, and the other pages go in.
TEST_F(SiteImport, EachFailureIsToldWithItsReasonAndTheRestGoesIn) {
  const stdfs::path mixed = dir.path() / "mixed";
  std::string longPage = "<html><body>";
  for (int i = 0; i < 30; ++i)
    longPage += "<p>Paragraph " + std::to_string(i) + " of the long page, with a few words to make it long enough.</p>";
  const std::pair<const char*, std::string> pages[] = {
      {"index.html", "<html><body><p>Home <img src=\"img/broken.png\" alt=\"b\"> <a href=\"http://example.org/?" +
                         std::string(800, 'x') + "\">Run</a></p></body></html>"},
      {"empty.html", "<html><body></body></html>"},
      {"news/2026.html", "<html><body><p>News</p></body></html>"},
      {"long.html", longPage + "</body></html>"},
      {"long-2.html", "<html><body><p>Second</p></body></html>"},
      {"taken.html", "<html><body><p>Taken</p></body></html>"},
      {"img/broken.png", "not a png"}};
  for (const auto& [name, text] : pages) {
    stdfs::create_directories((mixed / name).parent_path());
    test::writeFile(mixed / name, text);
  }
  test::writeFile(dir.path() / "project" / "taken.wml", "mine");
  test::writeFile(dir.path() / "news-2026.wml", "<wml><card><p>mine</p></card></wml>");
  ASSERT_EQ(runTavro({"project", "add", dir.file("project"), dir.file("news-2026.wml")}).exitCode, 0);

  auto r = runTavro({"import", mixed.string(), "--project", dir.file("project"), "--images", "--max-deck", "700"});
  EXPECT_EQ(r.exitCode, 1);
  for (const std::string& said :
       {"tavro: The picture " + (mixed / "img" / "broken.png").string() +
            " was not put into the images folder: Unrecognized file format.\n",
        std::string("tavro: empty.html: it could not be turned into XML, so it cannot be converted\n"),
        std::string("tavro: long.html: it cannot be split: its part long-2 would take the name of another document\n"),
        std::string("tavro: news/2026.html: the document news-2026 already belongs to the project Site\n"),
        "tavro: taken.html: the file " + dir.file("project") + "/taken.wml already exists\n",
        std::string("tavro: index.html: 1 link or picture left as its text: its address takes more than half of a deck "
                    "of 700 bytes\n"),
        std::string("2 pages imported, 4 failed, 0 pictures converted")})
    EXPECT_NE(r.err.find(said), std::string::npos) << said << " in " << r.err;
  EXPECT_EQ(runTavro({"project", "list", dir.file("project")}).out, "news-2026\twml\nindex\twml\nlong-2\twml\n");
  EXPECT_EQ(deck("news-2026"), "<wml><card><p>mine</p></card></wml>");
  EXPECT_EQ(deck("taken"), "mine");
  EXPECT_FALSE(stdfs::exists(dir.path() / "project" / "long.wml"));

  // Options of a single page, pages that are not there, and folders without pages are refused
  // with a reason.
  stdfs::create_directories(dir.path() / "empty");
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"import", site.string(), "--project", dir.file("project"), "--name", "x"},
       "--name, --frame and --strip take a single page"},
      {{"import", site.string(), "--project", dir.file("project"), "--strip", "b"},
       "--name, --frame and --strip take a single page"},
      {{"import", (site / "index.html").string(), dir.file("none.html"), "--project", dir.file("project")},
       "no such file: '" + dir.file("none.html") + "'"},
      {{"import", (site / "index.html").string(), dir.file("empty"), "--project", dir.file("project")},
       "is a folder: give it alone to import every page below it"},
      {{"import", dir.file("empty"), "--project", dir.file("project")}, "no .htm or .html pages below"}};
  for (const auto& [args, said] : refused) {
    auto refusal = runTavro(args);
    EXPECT_EQ(refusal.exitCode, 1);
    EXPECT_NE(refusal.err.find(said), std::string::npos) << refusal.err;
  }
}

// Links into a split page follow their ids into its parts, which lengthens them ("y.wml#p5"
// becomes "y-12.wml#p5") and can take a part of the page that holds them over the limit: that
// page is split again on a smaller budget.
TEST_F(SiteImport, ALongPageIsSplitAndLinksIntoItFollowTheirIdsUnderTheLimit) {
  std::string body = "<p>Start</p>", target, links;
  for (int i = 0; i < 30; ++i)
    body += "<p" + std::string(i == 25 ? " id=\"deep\"" : "") + ">Paragraph " + std::to_string(i) +
            " of the long page, with a few words to make it long enough.</p>";
  for (int i = 0; i < 200; ++i) {
    // Ids of divs, which leave no element in the deck: they stay only where a link leads.
    target += "<div id=\"p" + std::to_string(i) + "\">Paragraph " + std::to_string(i) +
              " of the target page, which has words enough to fill a part.</div>";
    links += "<p><a href=\"y.html#p" + std::to_string(i * 37 % 200) + "\">" + std::to_string(i) + "</a></p>";
  }
  write("long.html", body);
  write("index.html", "<p><a href=\"long.html#deep\">deep</a> <a href=\"long.html\">top</a></p>");
  write("y.html", target);
  write("x.html", links);
  auto r = runTavro({"import", site.string(), "--project", dir.file("project"), "--max-deck", "700"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string list = runTavro({"project", "list", dir.file("project")}).out;
  EXPECT_NE(list.find("long\twml\nlong-2\twml\n"), std::string::npos) << list;

  // The link to the id goes to the part that holds it; the link to the page to its first part.
  const auto fromIndex = hrefs(deck("index"));
  ASSERT_EQ(fromIndex.size(), 2u);
  EXPECT_NE(deck("index").find("</a> <a"), std::string::npos) << "\"deep top\" reads \"deeptop\"";
  EXPECT_NE(fromIndex[0].substr(0, fromIndex[0].find('#')), "long.wml");
  EXPECT_EQ(fromIndex[1], "long.wml");
  std::size_t decks = 0, followed = 0;
  for (const auto& entry : stdfs::directory_iterator(dir.path() / "project")) {
    if (entry.path().extension() != ".wml")
      continue;
    ++decks;
    const std::string text = test::readFile(entry.path());
    EXPECT_EQ(test::wmlFault(text), "") << entry.path();
    EXPECT_LE(decks::compileWbxml(text).size(), 700u) << entry.path();
    const std::string name = entry.path().filename().string();
    if (name != "index.wml" && name.rfind("x", 0) != 0)
      continue;
    for (const auto& href : hrefs(text)) {
      const auto hash = href.find('#');
      if (hash == std::string::npos)
        continue; // a link to a page, or between the parts of x
      EXPECT_NE(deck(href.substr(0, hash - 4)).find("id=\"" + href.substr(hash + 1) + "\""), std::string::npos) << href;
      ++followed;
    }
  }
  EXPECT_EQ(followed, 201u);
  // The pages are counted as pages, their parts as decks.
  EXPECT_NE(r.err.find("7 pages imported as " + std::to_string(decks) + " decks, 0 failed"), std::string::npos)
      << r.err;
}
