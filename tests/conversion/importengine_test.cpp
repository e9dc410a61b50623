// One import from page to project, as the wizard runs it, with its failures.

#include "tests/conversion/importfixture.h"

#include "decks/deckrepair.h"
#include "platform/ui/clstringex.h"

using namespace tavro;
namespace stdfs = std::filesystem;

namespace {

using Import = test::ImportFixture;

// A tidying stylesheet whose deck is written as exactly n bytes.
xml::XslTemplate fixedSizeOutput(std::size_t n) {
  xml::XmlDocument probe;
  probe.loadXML("<wml><card><p>x</p></card></wml>");
  const std::size_t overhead = decks::deckText(probe).size() - 1;
  return test::compileStylesheet("<xsl:template match=\"/\"><wml><card><p>" + std::string(n - overhead, 'x') +
                                 "</p></card></wml></xsl:template>");
}

std::vector<std::string> projectFiles(const stdfs::path& folder) {
  std::vector<std::string> out;
  for (auto& e : stdfs::recursive_directory_iterator(folder))
    out.push_back(stdfs::relative(e.path(), folder).string());
  std::sort(out.begin(), out.end());
  return out;
}

} // namespace

TEST_F(Import, StrippingAndRestoringElementKindsFollowsTheRemovedList) {
  open(page("rich.html"));
  convertAndPreview();
  auto& allowed = engine->lstKnownElements;
  auto& removed = engine->lstRemovedElements;
  const auto before = allowed.items();
  ASSERT_NE(std::find(before.begin(), before.end(), "table"), before.end());
  const std::size_t images = count("IMG"), links = count("A");

  move(allowed, removed, "img");
  EXPECT_EQ(count("IMG"), 0u);
  EXPECT_EQ(count("A"), links);
  // Tables go with their row groups, and so with everything in them.
  ASSERT_GT(count("TBODY"), 0u);
  move(allowed, removed, "table");
  EXPECT_EQ(count("TABLE") + count("TBODY") + count("TD"), 0u);
  EXPECT_EQ(browser.Document()->body()->innerText().find("06:30"), std::string::npos);
  EXPECT_EQ(removed.items(), (std::vector<std::string>{"img", "table"}));

  move(removed, allowed, "img");
  move(removed, allowed, "table");
  EXPECT_EQ(count("IMG"), images);
  EXPECT_GT(count("TD"), 0u);
  EXPECT_TRUE(removed.items().empty());

  // A removal list without "table" leaves row groups alone.
  move(allowed, removed, "a");
  EXPECT_GT(count("TBODY"), 0u);
  EXPECT_EQ(count("A"), 0u);

  // Going back and forward again adds no name twice.
  engine->BuildPreview();
  auto again = allowed.items();
  std::sort(again.begin(), again.end());
  EXPECT_EQ(std::adjacent_find(again.begin(), again.end()), again.end());
  EXPECT_EQ(count("A"), 0u); // the preview comes back already filtered
}

TEST_F(Import, TheFilteredPreviewKeepsEmptyElementsEmpty) {
  // An empty link stays empty in the deck; written back as "<a .../>" the browser would open a
  // link that swallows everything after it. A link in a cell keeps its text.
  openMarkup("cells.html", "<body><table><tr><td><a href='x.html'>x</a></td><td>two</td><td>three</td></tr>"
                           "</table><p><a href='y.html'></a> after <b>bold</b> <img src='images/sunset.png'></p>"
                           "</body>");
  convertAndPreview();
  const std::size_t cells = count("TD");
  auto linkTexts = [&] {
    std::vector<std::string> texts;
    for (const auto& a : browser.Document()->getElementsByTagName("A"))
      texts.push_back(a->childNodes().empty() ? "(empty)" : a->innerText());
    return texts;
  };
  EXPECT_EQ(linkTexts(), (std::vector<std::string>{"x", "(empty)"})) << browser.Document()->body()->innerHTML();
  move(engine->lstKnownElements, engine->lstRemovedElements, "img");
  EXPECT_EQ(count("TD"), cells);
  EXPECT_EQ(linkTexts(), (std::vector<std::string>{"x", "(empty)"})) << browser.Document()->body()->innerHTML();
  EXPECT_EQ(browser.Document()->getElementsByTagName("TD")[1]->innerText(), "two");
}

// The page's folder has "#", "?" and "%" in its name: ordinary characters there, not a
// fragment, a query or an escape of the page's address.
TEST_F(Import, PicturesBecomeWbmpFilesInTheImagesFolder) {
  const std::string folder = "site #1?%41/";
  stdfs::create_directories(dir.path() / "pages" / (folder + "other"));
  stdfs::copy(dir.path() / "pages" / "images", dir.path() / "pages" / (folder + "images"));
  stdfs::copy_file(page("images/sunset.png"), page(folder + "other/sunset.png"));
  test::writeFile(dir.path() / "pages" / (folder + "images/broken.png"), "not a picture at all");
  openMarkup(folder + "pictures.html", "<body><p><img src='images/sunset.png'> <img src='images/sunset.png'>"
                                       "<img src='other/sunset.png'> <img src='images/tiles.bmp'>"
                                       "<img src='images/broken.png'> <img src='images/missing.png'>"
                                       "<img src='file://server/share/remote.png'></p></body>");
  convertAndPreview();
  engine->imagesOption = true;
  ASSERT_TRUE(engine->ValidateTargetFile("pictures"));

  const auto images = dir.path() / "project" / "images";
  EXPECT_EQ(projectFiles(images), (std::vector<std::string>{"sunset-2.wbmp", "sunset.wbmp", "tiles.wbmp"}));

  xml::XmlDocument deck;
  ASSERT_TRUE(deck.load(dir.file("project/pictures.wml")));
  std::vector<std::string> sources;
  for (xmlNodePtr img : deck.selectNodes("//img"))
    sources.push_back(xml::attribute(img, "src"));
  EXPECT_EQ(sources, (std::vector<std::string>{"images/sunset.wbmp", "images/sunset.wbmp", "images/sunset-2.wbmp",
                                               "images/tiles.wbmp", "../pages/site%20%231%3F%2541/images/broken.png",
                                               "../pages/site%20%231%3F%2541/images/missing.png",
                                               "file://server/share/remote.png"}));
  ASSERT_EQ(engine->pictureWarnings.size(), 1u);
  EXPECT_NE(engine->pictureWarnings[0].find("broken.png"), std::string::npos);
}

// plain.html imported again and again. The import rewrites the analysis deck's picture
// references for a while; whatever happened to one try, the next writes the same deck.
// sunset.png is 96 x 64 and the page says so. Shrunk pictures are written at the limit's width
// and the deck says their size, whether the deck written is the analysis's or the stripped
// preview's.
TEST_F(Import, EveryTryWritesTheDeckTheAnalysisShowedWithPicturesShrunkToTheLimitAndALargeDeckIsTold) {
  open(page("plain.html"));
  convertAndPreview();
  // The lists of the analysis are read where tavro convert prints them (import_cli_test.cpp).
  EXPECT_EQ(engine->lstKnownElements.items(), (std::vector<std::string>{"a", "img", "big", "b"}));
  const std::string analysis = engine->m_strWml;
  EXPECT_EQ(
      analysis,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<wml>\n"
      "  <card>\n"
      "    <p>\n"
      "      <big>Harbour Ferries</big>\n"
      "    </p>\n"
      "    <p>Ferries leave every hour from pier 3. The crossing takes twenty minutes.</p>\n"
      "    <p>\n"
      "      <img alt=\"Sunset over the harbour\" src=\"../pages/images/sunset.png\" height=\"64\" width=\"96\"/>\n"
      "    </p>\n"
      "    <p>Tickets are sold on board. <b>Children under five travel free.</b></p>\n"
      "    <p>\n"
      "      <a href=\"rich.html\">Timetable and booking</a>\n"
      "    </p>\n"
      "  </card>\n"
      "</wml>\n");
  auto written = [&](const std::string& name) { return test::readFile(dir.path() / "project" / (name + ".wml")); };
  engine->imagesOption = true;
  engine->maxDeckBytes = 1; // refused: no deck is that small
  EXPECT_FALSE(engine->ImportIntoProject(dir.file("project/refused.wml"), "refused", true));
  EXPECT_FALSE(stdfs::exists(dir.path() / "project" / "refused.wml"));
  engine->maxDeckBytes = 0;
  const std::size_t told = ui->messages.size(); // the refusal's

  const struct {
    const char* name;
    bool images;
    int limit;
    const char* strip;
    const char* size; // nullptr: the deck is the analysis's
  } imports[] = {{"plain", false, 0, nullptr, nullptr},
                 {"first", true, 0, nullptr, "height=\"64\" width=\"96\""},
                 {"small", true, 48, nullptr, "height=\"32\" width=\"48\""},
                 {"second", true, 0, nullptr, "height=\"64\" width=\"96\""},
                 {"wide", true, 200, nullptr, "height=\"64\" width=\"96\""},
                 {"stripped", true, 30, "b", "height=\"20\" width=\"30\""}};
  for (const auto& i : imports) {
    SCOPED_TRACE(i.name);
    engine->imagesOption = i.images;
    if (i.strip)
      move(engine->lstKnownElements, engine->lstRemovedElements, i.strip);
    engine->pictureOptions.maxWidth = i.limit;
    ASSERT_TRUE(engine->ValidateTargetFile(i.name));
    const std::string deck = written(i.name);
    if (!i.size) {
      EXPECT_EQ(deck, analysis);
      EXPECT_FALSE(stdfs::exists(dir.path() / "project" / "images")); // no try asked for pictures yet
      continue;
    }
    EXPECT_NE(deck.find(std::string("src=\"images/sunset.wbmp\" ") + i.size), std::string::npos) << deck;
    EXPECT_EQ(deck.find("<b>") == std::string::npos, i.strip != nullptr) << deck;
    // A real WBMP (a PNG's third byte is 'N'), at the width the deck says.
    const std::string wbmp = test::readFile(dir.path() / "project" / "images" / "sunset.wbmp");
    EXPECT_EQ(std::uint8_t(wbmp.at(2)), i.limit && i.limit < 96 ? i.limit : 96);
  }
  EXPECT_EQ(written("second"), written("first"));
  ASSERT_EQ(engine->BuildPreview(), conversion::StepResult::Done);
  EXPECT_EQ(count("IMG"), 1u); // the preview still finds the picture

  // A written deck over ten thousand bytes is reported. With a kind stripped the import converts
  // the preview again, with this tidying pass.
  engine->m_xslTidy = fixedSizeOutput(10000);
  ASSERT_TRUE(engine->ImportIntoProject(dir.file("project/exact.wml"), "exact", true));
  EXPECT_EQ(stdfs::file_size(dir.path() / "project" / "exact.wml"), 10000u);
  EXPECT_EQ(ui->messages.size(), told);
  engine->m_xslTidy = fixedSizeOutput(10001);
  ASSERT_TRUE(engine->ImportIntoProject(dir.file("project/large.wml"), "large", true));
  ASSERT_EQ(ui->messages.size(), told + 1);
  EXPECT_EQ(ui->messages.back().text,
            "The HTML file being imported is: 10001bytes.\r\n"
            "Due to the size of this file it may take a few moments to add to the project.\r\n"
            "Please be patient during this process.");
  EXPECT_EQ(ui->messages.back().title, "Velmor professional");
  EXPECT_EQ(ui->messages.back().style, ui::vbInformation | ui::vbOKOnly);
  std::vector<std::string> documents;
  const auto reopened = host::FolderProject::open(dir.file("project"), "/app");
  for (const auto& d : reopened->documents())
    documents.push_back(d.name);
  EXPECT_EQ(documents,
            (std::vector<std::string>{"plain", "first", "small", "second", "wide", "stripped", "exact", "large"}));
}

// A table that lays the page out is, as the page gives it, one row of cells; asked to, the
// import gives its cells as blocks (the linked id kept), and a table of data in it stays.
TEST_F(Import, ALayoutTableGivesItsCellsAsBlocksWhenAskedAndADataTableStays) {
  for (bool unwrap : {false, true}) {
    openMarkup("layout.html", "<body><table><tr><td id='nav'><ul><li><a href='#main'>Main</a></li></ul></td>"
                              "<td id='main'><h1>Title</h1><p>Words here.</p><table><tr><td>a</td><td>b</td></tr>"
                              "</table></td></tr></table></body>");
    engine->unwrapLayout = unwrap;
    convertAndPreview();
    const std::string& deck = engine->m_strWml;
    EXPECT_EQ(deck.find("<table columns=\"5\">") != std::string::npos, !unwrap) << deck;
    EXPECT_EQ(deck.find("<big id=\"main\">Title</big>") != std::string::npos, unwrap) << deck;
    EXPECT_EQ(deck.find("<p>Words here.</p>") != std::string::npos, unwrap) << deck;
    EXPECT_EQ(deck.find("<table columns=\"2\">") != std::string::npos, unwrap) << deck;
    EXPECT_EQ(test::wmlFault(deck), "");
  }
}

// A page that gives no XML shows the error page; ill-formed WML or a tidying pass that gives
// nothing stops the wizard; a failed import writes nothing.
TEST_F(Import, EachConversionFailureShowsTheErrorPageOrStopsTheWizardAndWritesNothing) {
  open(page("plain.html"));
  ASSERT_EQ(engine->ConvertSource(), conversion::StepResult::Done);
  const auto previous = engine->m_colTransformed;
  openMarkup("empty.html", "<html><body></body></html>");
  EXPECT_EQ(engine->ConvertSource(), conversion::StepResult::ErrorPage);
  EXPECT_TRUE(engine->m_bConvertError);
  EXPECT_FALSE(engine->closeRequested());
  EXPECT_EQ(engine->m_colTransformed, previous); // the lists keep the last run's names
  EXPECT_EQ(browser.Document()->body()->getElementsByTagName("P")[0]->innerText(),
            "An Error occurred during the transformation process. Click Back and attempt to load another HTML file.");

  freshEngine();
  open(page("plain.html"));
  engine->m_xslImport = test::compileStylesheet("<xsl:output method=\"text\"/><xsl:template match=\"/\">"
                                                "&lt;wml&gt;&lt;card&gt;</xsl:template>");
  EXPECT_EQ(engine->ConvertSource(), conversion::StepResult::Closed);
  EXPECT_TRUE(engine->closeRequested());
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].text, "An error occurred during the final stages of the transformation process.\r\n"
                                  "As a result the import wizard could not continue.\r\n"
                                  "Please check the HTML for potential problems and try again.\r\n"
                                  "This wizard will now shut down.");
  EXPECT_EQ(ui->messages[0].title, "Import Error");
  EXPECT_EQ(ui->messages[0].style, ui::vbCritical | ui::vbOKOnly);

  // The next run of the wizard, with a tidying pass that gives nothing.
  freshEngine();
  open(page("plain.html"));
  engine->m_xslTidy = test::compileStylesheet("<xsl:output method=\"text\"/><xsl:template match=\"/\"/>");
  EXPECT_EQ(engine->ConvertSource(), conversion::StepResult::Closed);
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[1].title, "Import Error");

  // Ill-formed WML at the import writes nothing at all: no deck, no picture, no manifest entry.
  freshEngine();
  open(page("plain.html"));
  convertAndPreview();
  const std::string manifest = test::readFile(project->manifestPath());
  engine->imagesOption = true;
  move(engine->lstKnownElements, engine->lstRemovedElements, "b");
  engine->m_xslImport =
      test::compileStylesheet("<xsl:output method=\"text\"/><xsl:template match=\"/\">&lt;wml</xsl:template>");
  EXPECT_FALSE(engine->ValidateTargetFile("plain"));
  EXPECT_EQ(ui->messages.size(), 3u);
  EXPECT_EQ(projectFiles(dir.path() / "project"), (std::vector<std::string>{"Demo.wmlproj"}));
  EXPECT_EQ(test::readFile(project->manifestPath()), manifest);

  // WML text tidied in place: a table without rows goes and loose text gets its paragraph; text
  // that is not well-formed stays as it was, with the same message.
  freshEngine();
  std::string text = "<wml><card><table><tr/></table>loose</card></wml>", broken = "<wml><card>";
  ASSERT_TRUE(engine->TransformDocument(text));
  EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<wml>\n  <card>\n    <p>loose</p>\n  </card>\n</wml>\n");
  EXPECT_FALSE(engine->TransformDocument(broken));
  EXPECT_EQ(broken, "<wml><card>");
  EXPECT_EQ(ui->messages.back().title, "Import Error");
}

TEST_F(Import, TargetNamesAreCheckedBeforeAnythingIsWritten) {
  open(page("plain.html"));
  convertAndPreview();
  test::writeFile(dir.path() / "project" / "index.wml", "<wml/>");
  ASSERT_TRUE(project->AddDocument("index"));

  // An existing file that is no project document is asked about first; No keeps it as it was.
  test::writeFile(dir.path() / "project" / "mypage.wml", "keep me");
  const struct {
    const char* name;
    int answer;
    std::string text, title;
    int style;
  } refusals[] = {
      {"", 0, "A file name must be entered before importing the document", "Enter a file name",
       ui::vbCritical | ui::vbOKOnly},
      {"a?b", 0, clStringEx::forbiddenCharactersMessage(), "", ui::vbCritical | ui::vbOKOnly},
      {"index", 0, "The file index already belongs to the project Demo", "File already a member of project",
       ui::vbExclamation | ui::vbOKOnly},
      {"mypage.htm", ui::vbNo, "The file " + dir.file("project/mypage.wml") + " already exists. Overwrite this file ?",
       "File already exits", ui::vbCritical | ui::vbYesNo},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.name);
    if (r.answer)
      ui->answers = {r.answer};
    EXPECT_FALSE(engine->ValidateTargetFile(r.name));
    EXPECT_EQ(ui->messages.back().text, r.text);
    EXPECT_EQ(ui->messages.back().title, r.title);
    EXPECT_EQ(ui->messages.back().style, r.style);
  }
  EXPECT_EQ(ui->messages.size(), 4u);
  EXPECT_EQ(test::readFile(dir.path() / "project" / "mypage.wml"), "keep me");

  ui->answers = {ui::vbYes};
  EXPECT_TRUE(engine->ValidateTargetFile("mypage.htm"));
  EXPECT_NE(test::readFile(dir.path() / "project" / "mypage.wml"), "keep me");
  // Names are compared exactly: Index is not index.
  EXPECT_TRUE(engine->ValidateTargetFile("Index"));
}
