// Decks for phones from the command line: tavro compile writes a deck as a phone receives it,
// and --max-deck on tavro convert and tavro import makes a page over the limit several decks,
// each under it, written all together or not at all.

#include "decks/wbxml.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace tavro;
using test::runTavro;
namespace stdfs = std::filesystem;

namespace {

class MaxDeck : public ::testing::Test {
protected:
  void SetUp() override {
    // One link carries a program in its address, as a documentation page's "Run" link does.
    std::string body =
        "<html><body><h1>Guide</h1><p><a href='http://example.org/?" + std::string(1200, 'x') + "'>Run</a></p>";
    for (int i = 0; i < 40; ++i) {
      body += "<h2>Section " + std::to_string(i) + "</h2><p>Section " + std::to_string(i) + " tells <b>things</b>.</p>";
      if (i % 4 == 2) {
        body += "<ul>";
        for (int line = 0; line < 20; ++line)
          body += "<li>line " + std::to_string(line) + " of the list</li>";
        body += "</ul>";
      }
    }
    test::writeFile(dir.path() / "long.html", body + "</body></html>");
    ASSERT_EQ(runTavro({"project", "new", dir.file("project"), "P"}).exitCode, 0);
  }
  // The decks in folder by name, each with its compiled size.
  static std::map<std::string, std::size_t> decksIn(const stdfs::path& folder) {
    std::map<std::string, std::size_t> found;
    for (const auto& entry : stdfs::directory_iterator(folder))
      if (entry.path().extension() == ".wml")
        found[entry.path().stem().string()] = decks::compileWbxml(test::readFile(entry.path())).size();
    return found;
  }
  // Whether the names are name, name-2 ... name-N, each compiled to at most limit bytes.
  static void expectParts(const std::map<std::string, std::size_t>& found, const std::string& name, std::size_t limit) {
    ASSERT_GT(found.size(), 2u);
    for (std::size_t k = 1; k <= found.size(); ++k) {
      const std::string part = k == 1 ? name : name + "-" + std::to_string(k);
      ASSERT_TRUE(found.count(part)) << part;
      EXPECT_LE(found.at(part), limit) << part;
    }
  }
  test::TempDir dir;
};

} // namespace

TEST_F(MaxDeck, ConvertWritesEachPartUnderTheLimitBesideTheFirst) {
  stdfs::create_directories(dir.path() / "out");
  auto r = runTavro({"convert", dir.file("long.html"), "--max-deck", "1000", "-o", dir.file("out/guide.wml")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto parts = decksIn(dir.path() / "out");
  expectParts(parts, "guide", 1000);
  // The summary names each part, in order, with what it compiles to.
  std::string summary = "Split Into: guide (" + std::to_string(parts.at("guide")) + " bytes)";
  for (std::size_t k = 2; k <= parts.size(); ++k)
    summary +=
        ", guide-" + std::to_string(k) + " (" + std::to_string(parts.at("guide-" + std::to_string(k))) + " bytes)";
  // The page's link that no deck of the limit can hold is left as its word, and said.
  EXPECT_NE(r.err.find(summary + "\ntavro: 1 link or picture left as its text: its address takes more than half of a "
                                 "deck of 1000 bytes\n"),
            std::string::npos)
      << r.err;

  // Several parts cannot go to standard output; a limit no deck can meet is refused; a page
  // that fits is written as without the option.
  auto toStdout = runTavro({"convert", dir.file("long.html"), "--max-deck", "1000"});
  EXPECT_EQ(toStdout.exitCode, 1);
  EXPECT_EQ(toStdout.out, "");
  EXPECT_NE(toStdout.err.find("need -o FILE or -d DIR"), std::string::npos) << toStdout.err;
  auto tooSmall = runTavro({"convert", dir.file("long.html"), "--max-deck", "30", "-o", dir.file("small.wml")});
  EXPECT_EQ(tooSmall.exitCode, 1);
  EXPECT_NE(tooSmall.err.find("below the smallest deck"), std::string::npos) << tooSmall.err;
  EXPECT_FALSE(stdfs::exists(dir.path() / "small.wml"));
  const std::string plain = (test::sourceDir() / "samples" / "pages" / "plain.html").string();
  const auto fits = runTavro({"convert", plain, "--max-deck", "100000"});
  const auto unlimited = runTavro({"convert", plain});
  EXPECT_EQ(fits.out, unlimited.out);
  EXPECT_EQ(fits.err, unlimited.err);

  // With -d, a part that would take another page's file fails that page.
  stdfs::create_directories(dir.path() / "d");
  test::writeFile(dir.path() / "long-2.html", "<p>Another page</p>");
  auto clash =
      runTavro({"convert", dir.file("long.html"), dir.file("long-2.html"), "--max-deck", "1000", "-d", dir.file("d")});
  EXPECT_EQ(clash.exitCode, 1);
  EXPECT_NE(clash.err.find("would both be written to"), std::string::npos) << clash.err;
  EXPECT_NE(test::readFile(dir.path() / "d" / "long-2.wml").find("Another page"), std::string::npos);
}

TEST_F(MaxDeck, ImportAddsEveryPartOrNone) {
  // A file in the way of the third part: refused without --overwrite, and nothing written.
  test::writeFile(dir.path() / "project" / "long-3.wml", "mine");
  auto refused = runTavro({"import", dir.file("long.html"), "--project", dir.file("project"), "--max-deck", "1000"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(test::readFile(dir.path() / "project" / "long-3.wml"), "mine");
  EXPECT_FALSE(stdfs::exists(dir.path() / "project" / "long.wml"));
  EXPECT_EQ(runTavro({"project", "list", dir.file("project")}).out, "");

  auto r = runTavro(
      {"import", dir.file("long.html"), "--project", dir.file("project"), "--max-deck", "1000", "--overwrite"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("tavro: 1 link or picture left as its text"), std::string::npos) << r.err;
  const auto written = decksIn(dir.path() / "project");
  expectParts(written, "long", 1000);
  // Every part is printed and belongs to the project, in reading order.
  std::string list, printed;
  for (std::size_t k = 1; k <= written.size(); ++k) {
    const std::string name = k == 1 ? "long" : "long-" + std::to_string(k);
    printed += dir.file("project/" + name + ".wml") + "\n";
    list += name + "\twml\n";
  }
  EXPECT_EQ(r.out, printed);
  EXPECT_EQ(runTavro({"project", "list", dir.file("project")}).out, list);
}

TEST(CliCompile, WritesTheWbxmlBesideTheDeckOrRefusesWithTheFirstFaultAndWritesNothing) {
  test::TempDir dir;
  const std::string deck = "<?xml version=\"1.0\"?>\n<wml><card><p>Fares: $$2</p></card></wml>\n";
  test::writeFile(dir.path() / "fares.wml", deck);
  auto r = runTavro({"compile", dir.file("fares.wml")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string compiled = test::readFile(dir.path() / "fares.wmlc");
  EXPECT_EQ(compiled, decks::compileWbxml(deck));
  EXPECT_EQ(r.err, dir.file("fares.wmlc") + ": " + std::to_string(compiled.size()) + " bytes compiled (" +
                       std::to_string(deck.size()) + " as text)\n");
  ASSERT_EQ(runTavro({"compile", dir.file("fares.wml"), "-o", dir.file("out.bin")}).exitCode, 0);
  EXPECT_EQ(test::readFile(dir.path() / "out.bin"), compiled);

  test::writeFile(dir.path() / "table.wml", "<wml><card>\n<p><table><tr><td>x</td></tr></table></p></card></wml>");
  test::writeFile(dir.path() / "broken.wml", "<wml><card><p>x</card></wml>");
  const std::pair<std::string, std::string> refused[] = {
      {dir.file("table.wml"),
       dir.file("table.wml") + ":2: not valid WML 1.1: element table needs the attribute columns"},
      {dir.file("broken.wml"), dir.file("broken.wml") + ":1: "},
      {dir.file("none.wml"), "no such file: '" + dir.file("none.wml") + "'"},
      {dir.str(), "'" + dir.str() + "' is a folder, not a WML deck"},
  };
  for (const auto& [input, said] : refused) {
    auto failed = runTavro({"compile", input});
    EXPECT_EQ(failed.exitCode, 1) << input;
    EXPECT_EQ(failed.err.rfind("tavro: " + said, 0), 0u) << failed.err;
  }
  EXPECT_EQ(test::entriesIn(dir.path()), 5) << "fares.wml, fares.wmlc, out.bin and the two refused decks";
}

// Each deck of a project, in its order: its compiled size, or its first fault.
TEST(CliProjectCheck, GivesEachDeckItsSizeOrItsFirstFault) {
  test::TempDir dir;
  const std::string project = dir.file("site");
  ASSERT_EQ(runTavro({"project", "new", project, "Site"}).exitCode, 0);
  const std::pair<const char*, std::string> documents[] = {
      {"fares.wml", "<wml><card><p>Fares: $$2</p></card></wml>"},
      {"table.wml", "<wml><card>\n<p><table><tr><td>x</td></tr></table></p></card></wml>"},
      {"gone.wml", "<wml><card><p>soon gone</p></card></wml>"},
      {"big.wml", "<wml><card>" + std::string(decks::maxCompiledText, ' ') + "</card></wml>"}};
  for (const auto& [name, text] : documents) {
    test::writeFile(dir.path() / "site" / name, text);
    ASSERT_EQ(runTavro({"project", "add", project, dir.file(std::string("site/") + name)}).exitCode, 0);
  }
  stdfs::remove(dir.path() / "site" / "gone.wml");

  auto r = runTavro({"project", "check", project});
  EXPECT_EQ(r.exitCode, 1);
  const std::string fares = std::to_string(decks::compileWbxml(documents[0].second).size());
  EXPECT_EQ(r.out, "fares\t" + fares + "\n");
  EXPECT_EQ(r.err, "tavro: " + project +
                       "/table.wml:2: not valid WML 1.1: element table needs the attribute columns\n" +
                       "tavro: no such file: '" + project + "/gone.wml'\ntavro: " + project +
                       "/big.wml: " + std::to_string(documents[3].second.size()) +
                       " bytes of text, more than any phone takes (256 KiB): not compiled\n");
  auto limited = runTavro({"project", "check", project, "--max-deck", "10"});
  EXPECT_EQ(limited.out, "");
  EXPECT_EQ(
      limited.err.rfind("tavro: " + project + "/fares.wml: " + fares + " bytes compiled, over the limit of 10\n", 0),
      0u)
      << limited.err;
  // A deck of exactly the limit fits.
  EXPECT_EQ(runTavro({"project", "check", project, "--max-deck", fares}).out, "fares\t" + fares + "\n");
}
