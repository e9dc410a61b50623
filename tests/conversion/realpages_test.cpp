// What real pages become: readable, valid WML 1.1 decks that keep the page's words apart and in
// order, the same deck in the analysis and in the project.

#include "tests/conversion/importfixture.h"

#include "conversion/htmltoxmldocument.h"
#include "platform/html/charset.h"
#include "platform/xml/xmldocument.h"

#include <map>
#include <regex>

using namespace tavro;

namespace {

class RealPages : public test::ImportFixture {
protected:
  /// Converts the page's body markup as the wizard does and returns the deck of the analysis.
  std::string convert(const std::string& body) {
    openMarkup("page.html", "<html><head><title>t</title></head><body>" + body + "</body></html>");
    EXPECT_EQ(engine->ConvertSource(), conversion::StepResult::Done);
    EXPECT_EQ(engine->BuildPreview(), conversion::StepResult::Done);
    EXPECT_EQ(test::wmlFault(engine->m_strWml), "") << engine->m_strWml;
    EXPECT_EQ(engine->m_strWml.find("urn:tavro:tidy"), std::string::npos) << engine->m_strWml;
    return engine->m_strWml;
  }

  struct Seen {
    std::string deck, preview;
    std::vector<std::string> transformed;
  };
  /// The analysis deck, the preview and the transformed kinds of the open page; nothing when
  /// the page cannot be converted.
  Seen convertAndShow() {
    if (engine->ConvertSource() != conversion::StepResult::Done)
      return {};
    EXPECT_EQ(engine->BuildPreview(), conversion::StepResult::Done);
    return {engine->m_strWml, engine->m_html.Preview, engine->m_colTransformed};
  }

  /// Imports what the preview shows and returns the deck written into the project.
  std::string import(const std::string& name) {
    EXPECT_TRUE(engine->ImportIntoProject(dir.file("project/" + name + ".wml"), name, true));
    const std::string written = test::readFile(dir.path() / "project" / (name + ".wml"));
    EXPECT_EQ(test::wmlFault(written), "") << written;
    return written;
  }

  /// The content of the card, its indentation gone.
  static std::string cardOf(const std::string& deck) {
    auto open = deck.find("<card>"), close = deck.rfind("</card>");
    if (open == std::string::npos || close == std::string::npos)
      return deck;
    std::string content = deck.substr(open + 6, close - open - 6);
    content = std::regex_replace(content, std::regex(">\\n *<"), "><");
    return std::regex_replace(content, std::regex("^\\s+|\\s+$"), "");
  }
};

} // namespace

TEST_F(RealPages, WordsTablesAndFieldsStayApartAndInOrder) {
  const std::pair<const char*, const char*> cases[] = {
      // White space between inline elements; text of the body as one paragraph.
      {"Call <b>now</b> <i>today</i> or <a href=a.html>mail</a> <a href=b.html>us</a>.",
       "<p>Call <b>now</b> <i>today</i> or <a href=\"a.html\">mail</a> <a href=\"b.html\">us</a>.</p>"},
      {"Welcome to <b>our</b> site, see <a href=n.html>news</a>.",
       "<p>Welcome to <b>our</b> site, see <a href=\"n.html\">news</a>.</p>"},
      // Blocks of the page start new lines; text of elements without a rule is kept in paragraphs.
      {"<div>Home</div><div>About us</div><h1>Title</h1><div>Body text</div>",
       "<p>Home<br/>About us<br/><big>Title</big><br/>Body text</p>"},
      {"<div>Opening words <b>bold</b> and more</div><p>para</p>"
       "<span>closing words</span><img src='images/sunset.png'>",
       "<p>Opening words <b>bold</b> and more</p><p>para</p>"
       "<p>closing words<img alt=\"../pages/images/sunset.png\" src=\"../pages/images/sunset.png\"/></p>"},
      // A literal dollar is written "$$"; style text is not shown.
      {"<style>p { color: red }</style><p>Costs $10, see $(HOME)</p>", "<p>Costs $$10, see $$(HOME)</p>"},
      // A list in a list goes on in the outer paragraph, indented.
      {"<ul><li>One<ul><li>A</li></ul></li><li>Two</li></ul>",
       "<p align=\"left\">\xC2\xB7One<br/>\xC2\xA0\xC2\xA0\xC2\xB7"
       "A<br/>\xC2\xB7Two<br/></p>"},
      // A table keeps its caption, header cells and the text of its links.
      {"<table><caption>Fares</caption><thead><tr><th>Route</th><th>Price</th></tr></thead>"
       "<tbody><tr><th>Island</th><td><a href=\"i.html\">$5 <b>return</b></a></td></tr></tbody>"
       "<tfoot><tr><td colspan=2>Children free</td></tr></tfoot></table>",
       "<p>Fares</p><p><table columns=\"2\"><tr><td>Route</td><td>Price</td></tr>"
       "<tr><td>Island</td><td><a href=\"i.html\">$$5 return</a></td></tr>"
       "<tr><td>Children free</td></tr></table></p>"},
      // Form fields read as HTML reads them.
      {"<p>Name <b><input type=\"TEXT\" name=\"who\"></b> "
       "<select multiple name=\"s\"><option>a</option></select><select></select>",
       "<p>Name <input name=\"who\" type=\"text\"/> <select name=\"s\" multiple=\"true\"><option>a</option>"
       "</select></p>"},
      // Pictures left on disk are referenced from the project, escaped; one without a source is its text.
      {"<p><img src=\"my pic.png\"><img alt=\"no source\"></p>",
       "<p><img alt=\"../pages/my%20pic.png\" src=\"../pages/my%20pic.png\"/>no source</p>"},
  };
  test::writeFile(dir.path() / "pages" / "my pic.png", test::readFile(page("images/sunset.png")));
  for (const auto& [body, card] : cases)
    EXPECT_EQ(cardOf(convert(body)), card) << body;
}

TEST_F(RealPages, TheWrittenDeckIsTheDeckTheAnalysisShowed) {
  const std::string deck =
      convert("<h2 id=\"top\">Ferries</h2><pre>Pier 3  06:00\nIsland  06:20\n</pre><p>After the table</p>"
              "<ol><li>Buy<ul><li>online</li></ul></li></ol><table id=\"t\"><tr><td>a</td><td>b</td></tr></table>"
              "<p align=center lang=en>Centred <a href=\"#top\">up</a></p><p><em>parse</em><a href=\"#t\"> "
              "</a><em>args</em></p>"
              "<dl><dt>Each<dd><p>has:</p><div><table><tr><td>c</td></tr></table></div></dl>");
  EXPECT_EQ(import("same"), deck);
  // A stripped choice list leaves its options as text, still valid.
  convert("<p>Pick <select><option>one</option><option>two</option></select></p>");
  move(engine->lstKnownElements, engine->lstRemovedElements, "select");
  EXPECT_EQ(cardOf(import("stripped")), "<p>Pick <br/>one<br/>two</p>");
}

// Every sample and corpus page as the wizard takes it. Its bytes decode to valid UTF-8 in the
// encoding they name or show, and its body's markup is XML that loads again and parses back to
// the same text. The body, and then the preview, read straight from the browser's model are the
// documents their markup gives; the tidying rules run in place give what their stylesheet gives
// run as XSLT. Without anything stripped the import writes the analysis deck, with a kind
// stripped it converts the preview again: on every page both roads give one valid deck,
// pictures and all.
TEST_F(RealPages, EveryPageGivesOneDeckWhicheverRoadItTakes) {
  std::vector<std::filesystem::path> pages = test::corpusPages();
  const bool corpus = !pages.empty();
  for (auto& e : std::filesystem::directory_iterator(test::sourceDir() / "samples" / "pages"))
    if (e.path().extension() == ".html")
      pages.push_back(e.path());
  ASSERT_GT(pages.size(), 3u);
  // An unlabelled Big5 page the guess does not take is read as windows-1252, whole.
  const std::map<std::string, std::string> encodings = {{"w3c-1574-greek-iso8859-7.html", "ISO-8859-7"},
                                                        {"w3c-4520-latin1-no-meta.html", "windows-1252"},
                                                        {"tidy-1067112-word2000-windows1252.html", "windows-1252"},
                                                        {"tidy-658230-big5-no-charset.html", "windows-1252"}};
  std::size_t labelled = 0;
  const xml::XslTemplate asXslt = test::embeddedStylesheet("TIDYWML");
  auto xmlOf = [](std::optional<xml::XmlDocument> doc) { return doc ? doc->xml() : "(none)"; };
  auto visible = [](std::string s) {
    std::erase_if(s, [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; });
    return s;
  };
  int decks = 0, imported = 0;
  for (const auto& path : pages) {
    SCOPED_TRACE(path.string());
    const std::string bytes = test::readFile(path);
    const html::DecodedPage decoded = html::decodePage(bytes);
    EXPECT_TRUE(html::isValidUtf8(decoded.text));
    if (decoded.encoding.starts_with("windows-")) {
      EXPECT_GE(decoded.text.size(), bytes.size()); // a code page makes every byte a character
    }
    if (auto known = encodings.find(path.filename().string()); known != encodings.end()) {
      EXPECT_EQ(decoded.encoding, known->second);
      ++labelled;
    }

    freshEngine();
    engine->m_xslTidy = asXslt;
    open(path.string());
    const Seen asStylesheet = convertAndShow();

    freshEngine();
    open(path.string());
    auto body = browser.Document()->body();
    const std::string markup = body->innerHTML(), asXml = xmlOf(conversion::HtmlToXmlDocument(markup));
    if (!markup.empty()) {
      xml::XmlDocument again;
      EXPECT_TRUE(again.loadXML(asXml)) << again.parseError().reason;
      auto copy = html::Document::createBlank(browser.LocationURL());
      copy->body()->setInnerHTML(markup);
      EXPECT_EQ(visible(copy->body()->textContent()), visible(body->textContent()));
    }
    const bool isBody = body->is("body"); // a frameset is never converted: its frames are
    if (isBody) {
      EXPECT_EQ(xmlOf(conversion::BodyToXmlDocument(*body)), asXml);
    }
    const Seen inPlace = convertAndShow();
    EXPECT_EQ(inPlace.deck, asStylesheet.deck);
    EXPECT_EQ(inPlace.preview, asStylesheet.preview);
    EXPECT_EQ(inPlace.transformed, asStylesheet.transformed);
    decks += !inPlace.deck.empty();
    if (!isBody || inPlace.deck.empty())
      continue; // told the user why; nothing to check
    EXPECT_EQ(xmlOf(conversion::BodyToXmlDocument(*browser.Document()->body())),
              xmlOf(conversion::HtmlToXmlDocument(engine->m_html.Preview)));
    EXPECT_EQ(test::wmlFault(engine->m_strWml), "");
    if (engine->m_strWml.find("<card/>") != std::string::npos)
      continue; // nothing to import
    const std::string analysis = engine->m_strWml;
    const std::string name = "page" + std::to_string(imported++);
    engine->imagesOption = true;
    ASSERT_TRUE(engine->ImportIntoProject(dir.file("project/" + name + ".wml"), name, true));
    const std::string written = test::readFile(dir.path() / "project" / (name + ".wml"));
    if (written.find("images/") == std::string::npos) {
      EXPECT_EQ(written, analysis);
    }

    // A kind the page does not have takes the import through the preview.
    engine->lstRemovedElements.AddItem("applet");
    engine->StripRemovedElements(engine->m_html.Preview);
    ASSERT_TRUE(engine->ImportIntoProject(dir.file("project/" + name + "-again.wml"), name + "-again", true));
    // Pages that nest deeper than a deck may are flattened again by the second pass.
    if (path.filename().string().find("evil-65536") == std::string::npos) {
      EXPECT_EQ(test::readFile(dir.path() / "project" / (name + "-again.wml")), written);
    }
  }
  if (corpus) {
    EXPECT_EQ(labelled, encodings.size());
    EXPECT_GT(decks, 20);
    EXPECT_GT(imported, 20);
  }
}
