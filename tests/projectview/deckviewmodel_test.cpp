// The host's view of a document, without a window: the browser it fills is read directly.

#include "projectview/deckviewmodel.h"

#include "host/folderproject.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using projectview::DeckViewModel;
namespace stdfs = std::filesystem;

namespace {

class DeckView : public ::testing::Test {
protected:
  void SetUp() override {
    folder = dir.file("Harbour");
    stdfs::copy(test::sourceDir() / "samples/project", folder, stdfs::copy_options::recursive);
    project = host::FolderProject::open(folder, dir.file("app"));
  }

  void open(const std::string& name) { model.open(host::HostProjectRef(project), name); }
  /// Adds a deck of that text to the project and opens it.
  void open(const std::string& name, const std::string& text) {
    test::writeFile(stdfs::path(folder) / (name + ".wml"), text);
    ASSERT_TRUE(project->AddDocument(name));
    open(name);
  }

  std::string shownText() const { return browser->Document()->body()->innerText(); }

  html::ElementPtr linkTo(const std::string& href) const {
    for (const auto& a : browser->Document()->getElementsByTagName("a"))
      if (a->attribute("href") == href)
        return a;
    return nullptr;
  }

  test::TempDir dir;
  std::string folder;
  std::shared_ptr<host::FolderProject> project;
  std::shared_ptr<html::Browser> browser = std::make_shared<html::Browser>();
  DeckViewModel model{browser};
};

std::string deck(const std::string& cards) { return "<?xml version=\"1.0\"?>\n<wml>\n" + cards + "\n</wml>\n"; }

} // namespace

TEST_F(DeckView, ShowsTheSampleDeckCardByCardAndFollowsItsCardLinks) {
  open("index");
  EXPECT_EQ(model.problem(), "");
  ASSERT_EQ(model.cards().size(), 2u);
  EXPECT_EQ(model.cards()[0].id, "home");
  EXPECT_EQ(model.cards()[1].title, "News");
  EXPECT_EQ(model.currentCard(), 0);
  EXPECT_EQ(model.currentTitle(), "Harbour Ferries");
  EXPECT_NE(shownText().find("Welcome aboard"), std::string::npos) << shownText();
  EXPECT_EQ(shownText().find("Winter service"), std::string::npos); // one card at a time

  // The picture is addressed in full, so that the blank page the view shows still finds it.
  auto pictures = browser->Document()->getElementsByTagName("img");
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0]->attribute("src"), "file://" + folder + "/images/logo.wbmp");

  // A click on the card link shows the card, and the view is told not to go anywhere itself.
  auto news = linkTo("#news");
  ASSERT_NE(news, nullptr);
  EXPECT_FALSE(browser->Document()->dispatchClick(news));
  EXPECT_EQ(model.currentCard(), 1);
  EXPECT_EQ(model.currentTitle(), "News");
  EXPECT_NE(shownText().find("Winter service"), std::string::npos) << shownText();

  EXPECT_TRUE(model.followLink("index.wml#home"));
  EXPECT_EQ(model.currentCard(), 0);
  // Links out of the deck, and to cards it does not hold, go nowhere.
  EXPECT_FALSE(browser->Document()->dispatchClick(linkTo("timetable.wml")));
  for (const char* href : {"contact.wml#home", "#missing", "#", "timetable.wml"})
    EXPECT_FALSE(model.followLink(href)) << href;
  for (int index : {-1, 2})
    EXPECT_FALSE(model.showCard(index)) << index;
  EXPECT_EQ(model.currentCard(), 0);
  EXPECT_NE(shownText().find("Welcome aboard"), std::string::npos);
}

TEST_F(DeckView, SaysWhetherTheDeckIsValidAndHowLargeItIs) {
  open("index");
  const std::string text = test::readFile(stdfs::path(folder) / "index.wml");
  EXPECT_TRUE(model.valid());
  ASSERT_TRUE(model.compiledSize());
  EXPECT_GT(*model.compiledSize(), 0u);
  EXPECT_LT(*model.compiledSize(), text.size());
  EXPECT_EQ(model.summary(), "Valid WML 1.1 | " + std::to_string(text.size()) + " bytes as text | " +
                                 std::to_string(*model.compiledSize()) + " bytes compiled");

  // A deck longer than the view compiles is measured as text only.
  std::string paragraphs;
  while (paragraphs.size() <= decks::maxCompiledText)
    paragraphs += "<p>A line of the long deck.</p>\n";
  open("long", deck("<card id=\"l\">\n" + paragraphs + "</card>"));
  EXPECT_TRUE(model.valid());
  EXPECT_FALSE(model.compiledSize());
  EXPECT_NE(model.summary().find("| not compiled: larger than 256 KiB"), std::string::npos) << model.summary();

  // An invalid deck is still shown, with its first fault and the line of it; it is not compiled.
  open("bad", deck("<card id=\"a\">\n<p>One</p>\n</card>\n<card id=\"a\">\n<p>Two</p>\n</card>"));
  EXPECT_FALSE(model.valid());
  EXPECT_EQ(model.validity().rfind("Not valid WML 1.1: line 6: ", 0), 0u) << model.validity();
  EXPECT_FALSE(model.compiledSize());
  EXPECT_EQ(model.problem(), "");
  EXPECT_NE(shownText().find("One"), std::string::npos);

  // Text that is not XML is not shown; the fault and its line are, in the view and the status.
  open("broken", deck("<card>\n<p>Open\n</card>"));
  EXPECT_EQ(model.validity().rfind("Not well-formed XML: line ", 0), 0u) << model.validity();
  EXPECT_NE(model.problem().find(model.validity()), std::string::npos);
  EXPECT_NE(shownText().find(model.validity()), std::string::npos) << shownText();
  EXPECT_TRUE(model.cards().empty());
  EXPECT_EQ(model.currentCard(), -1);
  EXPECT_EQ(model.source(), deck("<card>\n<p>Open\n</card>"));
}

TEST_F(DeckView, AFileThatIsMissingUnreadableOrHostileIsAMessageOrShownAsTheExportShowsIt) {
  stdfs::remove(stdfs::path(folder) / "contact.wml");
  open("contact");
  EXPECT_NE(model.problem().find("contact.wml cannot be read"), std::string::npos) << model.problem();
  EXPECT_NE(shownText().find("contact.wml cannot be read"), std::string::npos);
  EXPECT_EQ(model.summary(), "") << "no validity and no size";

  // A file larger than any document may be; the file system tests check the other refusals.
  test::writeFile(stdfs::path(folder) / "contact.wml", std::string((std::size_t(16) << 20) + 1, ' '));
  open("contact");
  EXPECT_NE(model.problem().find("cannot be read"), std::string::npos) << model.problem();

  open("nothing");
  EXPECT_EQ(model.problem(), "The project holds no document named 'nothing'.");

  // Opening a good deck afterwards shows it as if nothing had happened.
  open("index");
  EXPECT_EQ(model.problem(), "");
  EXPECT_EQ(model.currentCard(), 0);
  model.clear();
  EXPECT_EQ(shownText(), "");
  EXPECT_TRUE(model.cards().empty());

  // A deck that declares entities of its own is refused, as the export refuses it: the
  // external entity is never read.
  open("entity", "<?xml version=\"1.0\"?>\n<!DOCTYPE wml [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>\n"
                 "<wml><card><p>Before &secret; after</p></card></wml>");
  EXPECT_NE(model.problem().find("entities"), std::string::npos) << model.problem();
  EXPECT_EQ(shownText().find("root:"), std::string::npos) << shownText();

  // A script's link and a javascript: link go nowhere, and markup in the text stays text.
  open("script", "<?xml version=\"1.0\"?>\n<wml><card id=\"c\" title=\"&lt;b&gt;T\"><p>"
                 "<a href=\"calc.wmls#add(1,2)\">Add</a> <a href=\"javascript:alert(1)\">Run</a>"
                 " &lt;script&gt;x()&lt;/script&gt;</p></card></wml>");
  ASSERT_EQ(model.problem(), "") << model.problem();
  EXPECT_EQ(model.currentTitle(), "<b>T");
  EXPECT_TRUE(browser->Document()->getElementsByTagName("script").empty());
  EXPECT_NE(shownText().find("<script>x()</script>"), std::string::npos) << shownText();
  EXPECT_FALSE(browser->Document()->dispatchClick(linkTo("calc.wmls#add(1,2)")));
  EXPECT_FALSE(browser->Document()->dispatchClick(linkTo("javascript:alert(1)")));
  EXPECT_EQ(model.currentCard(), 0);
  EXPECT_EQ(browser->LocationURL(), "about:blank");
}
