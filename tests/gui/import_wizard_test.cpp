// The HTML import wizard driven as a user drives it: by its buttons, its address row, its lists
// and the marks in its browser view, with the ui services scripted. The page flow, its texts and
// its error states are the model's (importwizardmodel_test.cpp); here each control is checked to
// reach the model and to show what it says. Also the browser view on its own, and every page of
// the shared corpus.

// The document model's headers come before any Qt header (a member named emit).
#include "conversion/importengine.h"
#include "host/folderproject.h"
#include "htmlimport/browsertaming.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include "htmlimport/frmhtmlimport.h"
#include "navbar/navbar.h"
#include "platform/qt/browserview.h"
#include "platform/qt/ssactivetabs.h"
#include "tests/gui/guitest.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include <filesystem>
#include <stdexcept>

using namespace tavro;
namespace stdfs = std::filesystem;

namespace {

constexpr const char* wizardCaption = "HTML Import Wizard";

class ImportWizard : public ::testing::Test {
protected:
  void SetUp() override {
    stdfs::copy(test::sourceDir() / "samples" / "pages", dir.path() / "pages", stdfs::copy_options::recursive);
    project = host::FolderProject::create(dir.file("project"), "Demo", dir.file("app"));
    form.setHelpFile(dir.file("app/help/prohelp.chm"));
    form.setProject(project);
    form.Form_Load();
    form.show();
  }

  std::string page(const std::string& name) const { return dir.file("pages/" + name); }

  /// A control of the open wizard; a test stops here once the wizard has closed.
  template <class T>
  T* control(const char* name) const {
    return test::child<T>(form, name);
  }
  QLineEdit* address() const { return control<QLineEdit>("txtAddress"); }
  QLineEdit* fileName() const { return control<QLineEdit>("txtFileName"); }
  QListWidget* allowed() const { return control<QListWidget>("lstKnownElements"); }
  QListWidget* removed() const { return control<QListWidget>("lstRemovedElements"); }

  /// Presses a button of the bar; the wizard must still be open to have one.
  void click(int button) {
    ASSERT_TRUE(form.isLoaded()) << (ui->messages.empty() ? "" : ui->messages.back().text);
    QTest::mouseClick(form.navBar()->cmdNav(button), Qt::LeftButton);
  }
  void clickControl(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
  void browse(const std::optional<std::string>& path) {
    ui->fileAnswers.push_back(path);
    clickControl("cmdBrowse");
  }
  /// Page 2 with the page open.
  void load(const std::string& path) {
    click(NavBar::Next);
    browse(path);
  }
  /// Page 4 for the page.
  void toFineTune(const std::string& path) {
    load(path);
    click(NavBar::Next);
    click(NavBar::Next);
    ASSERT_EQ(selectedPage(), 4);
  }

  /// Clicks the mark of a frame on the frames list.
  void checkFrame(const std::string& id) {
    auto radio = shown().getElementById(id);
    ASSERT_NE(radio, nullptr) << id;
    QCoreApplication::processEvents();
    const QRect mark = form.browserView()->markRect(radio);
    ASSERT_FALSE(mark.isEmpty());
    QTest::mouseClick(form.browserView()->viewport(), Qt::LeftButton, {}, mark.center());
  }

  int selectedPage() const { return form.pages()->selectedTab(); }
  std::string buttons() const { return test::navButtons(*form.navBar()); }
  html::Document& shown() const {
    if (!form.browser())
      throw std::runtime_error("the wizard has closed");
    return *form.browser()->Document();
  }
  /// What the view draws, as plain text, once pending changes are drawn.
  QString viewText() const {
    QCoreApplication::processEvents();
    return form.browserView()->toPlainText();
  }
  static std::vector<std::string> names(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
      out.push_back(list->item(i)->text().toStdString());
    return out;
  }
  std::vector<std::string> projectDocuments() const {
    std::vector<std::string> out;
    for (const auto& d : project->documents())
      out.push_back(d.name);
    return out;
  }

  QApplication& app = test::application();
  test::TempDir dir;
  ui::ScopedScriptedUi ui;
  std::shared_ptr<host::FolderProject> project;
  frmHTMLImport form;
};

} // namespace

// The whole run in the modal loop a launcher starts: showModal returns once the wizard closes.
TEST_F(ImportWizard, ImportsASamplePageIntoTheProjectFromShowModal) {
  test::onNextModal([&](QWidget* modal) {
    EXPECT_EQ(modal, &form);
    EXPECT_EQ(form.windowTitle(), wizardCaption);
    click(NavBar::Next);
    EXPECT_FALSE(address()->isHidden());
    browse(page("rich.html"));
    EXPECT_EQ(address()->text().toStdString(), page("rich.html"));
    EXPECT_EQ(buttons(), "++-+");
    EXPECT_TRUE(viewText().contains("Timetable"));

    click(NavBar::Next);
    EXPECT_TRUE(address()->isHidden());
    EXPECT_EQ(fileName()->text(), "rich");

    click(NavBar::Next);
    EXPECT_EQ(names(allowed()), form.engine()->lstKnownElements.items());
    click(NavBar::Finish);
    EXPECT_FALSE(form.isLoaded());
    form.Form_Unload(); // should a step have failed, so that the run cannot hang
  });
  form.showModal();
  EXPECT_TRUE(ui->messages.empty()) << ui->messages[0].text;
  EXPECT_FALSE(form.isVisible());
  EXPECT_NE(test::readFile(dir.path() / "project" / "rich.wml").find("<wml>"), std::string::npos);
  EXPECT_EQ(projectDocuments(), std::vector<std::string>{"rich"});
}

TEST_F(ImportWizard, ArrowButtonsMoveNamesAndRebuildThePreview) {
  toFineTune(page("rich.html"));
  const auto tables = [&] { return shown().getElementsByTagName("TABLE").size(); };
  ASSERT_GT(tables(), 0u);

  allowed()->findItems("table", Qt::MatchExactly).at(0)->setSelected(true);
  clickControl("cmdRemove");
  EXPECT_EQ(names(removed()), std::vector<std::string>{"table"});
  EXPECT_TRUE(allowed()->findItems("table", Qt::MatchExactly).isEmpty());
  EXPECT_EQ(tables(), 0u);

  removed()->item(0)->setSelected(true);
  clickControl("cmdAdd");
  EXPECT_EQ(removed()->count(), 0);
  EXPECT_GT(tables(), 0u);

  // Browsing to another page empties both lists.
  click(NavBar::Back);
  click(NavBar::Back);
  allowed()->clearSelection();
  allowed()->item(0)->setSelected(true);
  clickControl("cmdRemove");
  ASSERT_EQ(removed()->count(), 1);
  browse(page("plain.html"));
  EXPECT_EQ(allowed()->count(), 0);
  EXPECT_EQ(removed()->count(), 0);
}

TEST_F(ImportWizard, AFrameIsFoundBesideItsFramesetWhateverTheFolderIsCalled) {
  // The frameset's own file name also names its folder: only the file name is replaced.
  const auto folder = dir.path() / "pages" / "site.html";
  stdfs::create_directory(folder);
  test::writeFile(folder / "site.html", "<html><frameset cols=\"50%,50%\"><frame src=\"a.html\"></frameset></html>");
  test::writeFile(folder / "a.html", "<html><body><p>frame a</p></body></html>");
  load((folder / "site.html").string());
  click(NavBar::Next);
  // The user clicks the mark of the frame in the view (how a mark is drawn is the view's test).
  checkFrame("a.html");
  click(NavBar::Next);
  EXPECT_EQ(address()->text().toStdString(), (folder / "a.html").string());
  EXPECT_EQ(shown().body()->innerText(), "frame a");
  EXPECT_EQ(buttons(), "++-+");
  // What is typed into the address row reaches the model: no address, no way on.
  address()->clear();
  EXPECT_EQ(buttons(), "+--+");
}

// The Help button's message is the model test's; here the keys: F1 opens the help file that
// was set, Enter presses no button of the bar, and Escape cancels as Cancel does.
TEST_F(ImportWizard, KeysAndCancelAskFirstAndTheNextRunStartsAfresh) {
  test::showActive(form);
  QTest::keyClick(form.browserView(), Qt::Key_F1);
  EXPECT_EQ(ui->helpFiles, std::vector<std::string>{dir.file("app/help/prohelp.chm")});
  load(page("frameset.html"));
  QTest::keyClick(address(), Qt::Key_Return);
  EXPECT_EQ(selectedPage(), 2);
  EXPECT_TRUE(ui->messages.empty());

  // Cancel and Escape ask the same question (its text is the model test's); No keeps the page.
  ui->answers.push_back(ui::vbNo);
  click(NavBar::Cancel);
  ui->answers.push_back(ui::vbNo);
  QTest::keyClick(&form, Qt::Key_Escape);
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[1].text, ui->messages[0].text);
  EXPECT_TRUE(form.isLoaded());
  EXPECT_EQ(selectedPage(), 2);

  // Yes, here on the frames list with a frame checked, closes the wizard.
  click(NavBar::Next);
  checkFrame("main.html");
  ui->answers.push_back(ui::vbYes);
  click(NavBar::Cancel);
  EXPECT_FALSE(form.isLoaded());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(projectDocuments().empty());

  // The next run starts afresh on page 1, with nothing left of the last and with the project
  // it was given since.
  auto other = host::FolderProject::create(dir.file("other"), "Other", dir.file("app"));
  form.setProject(other);
  form.Form_Load();
  EXPECT_EQ(selectedPage(), 1);
  EXPECT_EQ(buttons(), "-+-+");
  EXPECT_TRUE(address()->text().isEmpty());
  EXPECT_TRUE(control<QWidget>("SSActiveTabFrames")->isHidden());
  EXPECT_TRUE(viewText().contains(QString::fromStdString(frmHTMLImport::introText())));
  toFineTune(page("plain.html"));
  EXPECT_EQ(ui->fileDialogs.back().request.initialFolder, other->ProjectFolder());
  click(NavBar::Finish);
  EXPECT_TRUE(stdfs::exists(dir.path() / "other" / "plain.wml"));
  EXPECT_TRUE(projectDocuments().empty());
}

// The engine's test holds every refusal and its text; here a write that fails keeps the page,
// with its message under the wizard's caption, and the name box's next name goes through.
TEST_F(ImportWizard, AFinishThatFailsKeepsThePageUntilOneGoesThrough) {
  toFineTune(page("plain.html"));
  // A folder where the document should go: the write cannot replace it.
  stdfs::create_directory(dir.path() / "project" / "blocked.wml");
  fileName()->setText("blocked");
  click(NavBar::Finish);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_NE(ui->messages[0].text.find("blocked.wml"), std::string::npos) << ui->messages[0].text;
  EXPECT_EQ(ui->messages[0].title, wizardCaption);
  EXPECT_TRUE(form.isLoaded());
  EXPECT_EQ(selectedPage(), 4);
  EXPECT_EQ(buttons(), "+-++");

  fileName()->setText("stray");
  click(NavBar::Finish);
  EXPECT_FALSE(form.isLoaded());
  EXPECT_EQ(projectDocuments(), std::vector<std::string>{"stray"});
}

TEST_F(ImportWizard, AFatalErrorAtFinishClosesTheWizardAsItsMessageSays) {
  toFineTune(page("plain.html"));
  allowed()->findItems("b", Qt::MatchExactly).at(0)->setSelected(true);
  clickControl("cmdRemove");
  // The second pass, which the stripped preview goes through, gives WML that does not parse.
  xml::XmlDocument broken;
  ASSERT_TRUE(broken.loadXML("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                             "<xsl:output method=\"text\"/><xsl:template match=\"/\">&lt;wml&gt;</xsl:template>"
                             "</xsl:stylesheet>"));
  form.engine()->m_xslImport.setStylesheet(broken);
  click(NavBar::Finish);
  EXPECT_EQ(ui->messages.size(), 1u) << "its text is the engine's test's";
  EXPECT_FALSE(form.isLoaded());
  EXPECT_TRUE(projectDocuments().empty());
}

TEST_F(ImportWizard, PicturesGoIntoTheImagesFolderAndFailuresAreToldOnce) {
  // One picture that converts, one that is not a picture at all.
  test::writeFile(dir.path() / "pages" / "images" / "broken.png", "not a png");
  test::writeFile(
      dir.path() / "pages" / "pictures.html",
      "<html><body><p>Sun <img src=\"images/sunset.png\"> and <img src=\"images/broken.png\"></p></body></html>");
  toFineTune(page("pictures.html"));
  QTest::mouseClick(control<QCheckBox>("chkImages"), Qt::LeftButton);
  click(NavBar::Finish);
  EXPECT_FALSE(form.isLoaded());
  EXPECT_TRUE(stdfs::exists(dir.path() / "project" / "images" / "sunset.wbmp"));
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_NE(ui->messages[0].text.find("broken.png"), std::string::npos);
  EXPECT_EQ(ui->messages[0].title, wizardCaption);
}

// --- The browser view on its own ---------------------------------------------------------------

namespace {

class BrowserViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    view.resize(500, 400);
    view.show();
  }
  void open(const std::string& markup) {
    test::writeFile(dir.path() / "page.html", markup);
    ASSERT_TRUE(browser->Navigate(dir.file("page.html")));
    QCoreApplication::processEvents();
  }
  html::Document& doc() { return *browser->Document(); }
  /// The point of the viewport where text is drawn.
  QPoint pointOf(const QString& text) {
    QTextCursor found = view.document()->find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor c(view.document());
    c.setPosition(found.selectionStart() + 1);
    return view.cursorRect(c).center();
  }

  QApplication& app = test::application();
  test::TempDir dir;
  std::shared_ptr<html::Browser> browser = std::make_shared<html::Browser>();
  qt::BrowserView view{browser};
};

} // namespace

TEST_F(BrowserViewTest, FollowsEveryChangeOfTheDocumentAndDrawsItsTextAsTextAndOnlyLocalPictures) {
  open("<p>first <b>page</b></p>");
  EXPECT_EQ(view.toPlainText(), "first page");
  const int renders = view.renderCount();

  doc().body()->setInnerHTML("<p>changed</p>");
  doc().body()->appendChild(doc().createTextNode(" and more"));
  EXPECT_TRUE(view.isStale());
  QCoreApplication::processEvents();
  EXPECT_EQ(view.renderCount(), renders + 1); // many changes, one drawing
  EXPECT_EQ(view.toPlainText(), "changed\nand more");

  ASSERT_TRUE(browser->Navigate("about:blank"));
  QCoreApplication::processEvents();
  EXPECT_EQ(view.toPlainText(), "");

  // Markup in the document's text is drawn as text, and deep nesting still with its text.
  open("<p>a &lt;b&gt;bold&lt;/b&gt; claim &amp; <span title='\"><img src=x>'>more</span></p>"
       "<p style='font-size: 12'>sized</p>");
  EXPECT_EQ(view.toPlainText(), "a <b>bold</b> claim & more\nsized");

  std::string markup;
  for (int i = 0; i < 3000; ++i)
    markup += "<div><b>";
  open(markup + "deep");
  EXPECT_TRUE(view.toPlainText().contains("deep"));

  // Only pictures in local files are drawn, by path or file URL; network and data: addresses are left out.
  stdfs::copy(test::sourceDir() / "samples" / "pages" / "images" / "sunset.png", dir.path() / "sunset.png");
  open("<p><img src=\"sunset.png\" width=\"30\"><img src=\"file://" + dir.file("sunset.png") +
       "\"><img src=\"http://example.org/x.png\" alt=\"remote\"><img src=\"data:image/png;base64,AAAA\"></p>"
       "<p style=\"background-image: url(http://example.org/bg.png)\">text</p>");
  const QString html = view.renderedHtml();
  EXPECT_FALSE(html.contains("example.org"));
  EXPECT_FALSE(html.contains("data:"));
  EXPECT_TRUE(html.contains("[remote]"));
  const std::vector<QImage> pictures = test::drawnPictures(view.document());
  ASSERT_EQ(pictures.size(), 2u);
  for (const QImage& picture : pictures)
    EXPECT_FALSE(picture.isNull());
}

TEST_F(BrowserViewTest, ClicksReachTheElementUnderThePointerAndCheckTheMarkClicked) {
  open("<p>plain text <span id=\"s\">inner words</span></p><p><a href=\"other.html\">a link</a></p>");
  std::vector<std::string> clicked;
  doc().addEventListener("click",
                         [&](html::Event& e) { clicked.push_back(e.srcElement() ? e.srcElement()->tagName() : "-"); });
  for (const char* text : {"inner", "plain", "link"})
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, pointOf(text));
  // An element taken out by a change the view has not drawn yet: the body takes the click.
  const QPoint gone = pointOf("inner");
  doc().getElementById("s")->remove();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, gone);
  EXPECT_EQ(clicked, (std::vector<std::string>{"SPAN", "P", "A", "BODY"}));
  EXPECT_NE(doc().url().find("page.html"), std::string::npos); // a link never leads anywhere

  // A tool tip shows the title of the element under the pointer, never the view's own marks.
  open("<p>plain <span title=\"Full name\">abbr</span></p>");
  const auto tipAt = [&](const QString& text) {
    QHelpEvent help(QEvent::ToolTip, pointOf(text), view.viewport()->mapToGlobal(pointOf(text)));
    QCoreApplication::sendEvent(view.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  };
  EXPECT_EQ(tipAt("plain"), "");
  EXPECT_EQ(tipAt("abbr"), "Full name");

  // A click on a mark checks its box in the model, and the mark is drawn again checked.
  open("<p><input type=\"radio\" name=\"g\" id=\"a\" checked> A <input type=\"radio\" name=\"g\" id=\"b\"> B"
       " <input type=\"checkbox\" id=\"c\"> C</p>");
  auto a = doc().getElementById("a");
  auto b = doc().getElementById("b");
  auto c = doc().getElementById("c");
  EXPECT_TRUE(view.toPlainText().startsWith(QStringLiteral("\u25C9 A \u25CB B \u2610 C")));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.markRect(b).center());
  EXPECT_TRUE(b->checked());
  EXPECT_FALSE(a->checked());
  QCoreApplication::processEvents();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.markRect(c).center());
  EXPECT_TRUE(c->checked());
  QCoreApplication::processEvents();
  EXPECT_TRUE(view.toPlainText().startsWith(QStringLiteral("\u25CB A \u25C9 B \u2611 C")));
}

TEST_F(BrowserViewTest, TamedPagesTakeNoClickMenuOrKey) {
  htmlimport::BrowserTaming taming(*browser);
  open("<form><p><input type=\"radio\" name=\"r\" id=\"one\"> one <input type=\"text\" value=\"typed\"></p></form>"
       "<table><tr><td>cell</td></tr></table>");
  auto radio = doc().getElementById("one");
  // Disabled by the taming: drawn grey, and a click on its mark checks nothing.
  EXPECT_TRUE(view.renderedHtml().contains("#808080"));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.markRect(radio).center());
  EXPECT_FALSE(radio->checked());

  std::vector<std::string> events;
  doc().addEventListener("contextmenu",
                         [&](html::Event& e) { events.push_back(e.defaultPrevented() ? "menu-" : "menu+"); });
  doc().addEventListener("keydown", [&](html::Event& e) { events.push_back("key" + std::to_string(e.keyCode())); });
  QContextMenuEvent menu(QContextMenuEvent::Mouse, pointOf("cell"), view.viewport()->mapToGlobal(pointOf("cell")));
  QCoreApplication::sendEvent(view.viewport(), &menu);
  QTest::keyClick(&view, Qt::Key_A);
  QTest::keyClick(&view, Qt::Key_Tab); // not the page's: it moves the focus on
  EXPECT_EQ(events, (std::vector<std::string>{"menu-", "key65"}));
}

TEST_F(BrowserViewTest, DrawsOtherElementsAsTheTagsTheViewKnows) {
  const std::pair<const char*, const char*> drawnAs[] = {
      {"del", "s"},        {"strike", "s"},       {"ins", "u"},        {"nobr", "nobr"},   {"abbr", "span"},
      {"acronym", "span"}, {"q", "span"},         {"label", "span"},   {"legend", "span"}, {"xmp", "pre"},
      {"listing", "pre"},  {"plaintext", "pre"},  {"fieldset", "div"}, {"section", "div"}, {"article", "div"},
      {"nav", "div"},      {"header", "div"},     {"footer", "div"},   {"main", "div"},    {"aside", "div"},
      {"figure", "div"},   {"figcaption", "div"}, {"details", "div"},  {"summary", "div"}, {"menu", "ul"},
      {"dir", "ul"},
  };
  for (const auto& [name, tag] : drawnAs) {
    open(std::string("<") + name + ">word</" + name + ">");
    EXPECT_TRUE(view.renderedHtml().contains(QString("<body><%1><span title=\"e1\">word").arg(tag)))
        << name << ": " << view.renderedHtml().toStdString();
  }
  // One it does not know is left out around its text.
  open("<blink>word</blink>");
  EXPECT_TRUE(view.renderedHtml().contains("<body><span title=\"e1\">word</span></body>"));
  // Breaks, frames and controls are drawn as what they show.
  const std::pair<const char*, const char*> shown[] = {
      {"a<br>b<hr>c", "a</span><br><span title=\"e0\">b</span><hr><span"},
      {"<iframe src=\"ad.html\"></iframe>", "[frame: ad.html]"},
      {"<select><option>one<option selected>two<option>three</select>", "[two \u25BE]"},
      {"<select><option>one<option>two</select>", "[one \u25BE]"},
      {"<input value=\"abcdef\" size=\"3\">", "[abc]"},
  };
  for (const auto& [markup, drawn] : shown) {
    open(markup);
    EXPECT_TRUE(view.renderedHtml().contains(QString::fromUtf8(drawn)))
        << markup << ": " << view.renderedHtml().toStdString();
  }
}

// --- Real-world pages ------------------------------------------------------------------------------

TEST(ImportWizardCorpus, EveryCorpusPageGoesThroughTheWizardOrClosesItWithAMessage) {
  const auto pages = test::corpusPages();
  if (pages.empty())
    GTEST_SKIP() << "no corpus";
  test::application();
  for (const auto& page : pages) {
    SCOPED_TRACE(page.string());
    test::TempDir dir;
    ui::ScopedScriptedUi ui;
    ui->answers.assign(8, ui::vbOK);
    auto project = host::FolderProject::create(dir.file("project"), "Corpus", dir.file("app"));
    frmHTMLImport form;
    form.setProject(project);
    form.Form_Load();
    form.show();
    auto click = [&](int n) {
      if (form.isLoaded())
        QTest::mouseClick(form.navBar()->cmdNav(n), Qt::LeftButton);
    };
    click(NavBar::Next);
    ui->fileAnswers.push_back(page.string());
    QTest::mouseClick(test::child<QPushButton>(form, "cmdBrowse"), Qt::LeftButton);
    QCoreApplication::processEvents();
    // A frameset page offers its frames; the first is taken when there is one.
    click(NavBar::Next);
    QCoreApplication::processEvents();
    if (form.isLoaded() && form.browserView()) {
      const auto inputs = form.browser()->Document()->getElementsByTagName("INPUT");
      if (const QRect mark = inputs.empty() ? QRect() : form.browserView()->markRect(inputs.front()); !mark.isEmpty())
        QTest::mouseClick(form.browserView()->viewport(), Qt::LeftButton, {}, mark.center());
    }
    click(NavBar::Next);
    click(NavBar::Next);
    click(NavBar::Next);
    QCoreApplication::processEvents();
    // Either the wizard is still open on one of its pages, or it closed after telling the user.
    if (form.isLoaded())
      EXPECT_GE(form.pages()->selectedTab(), 2);
    else
      EXPECT_FALSE(ui->messages.empty());
  }
}
