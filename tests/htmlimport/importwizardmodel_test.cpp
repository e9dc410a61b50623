// The import wizard's page flow without a window: each run is a table of steps, and after
// every step the page, the navigation buttons and what the browser shows are checked.

#include "htmlimport/importwizardmodel.h"

#include "conversion/importengine.h"
#include "host/folderproject.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

using namespace tavro;
using conversion::ImportWizardModel;
using conversion::NavButton;
using conversion::WizardPage;
namespace stdfs = std::filesystem;

namespace {

class ImportWizardFlow : public ::testing::Test {
public:
  void SetUp() override {
    stdfs::copy(test::sourceDir() / "samples" / "pages", dir.path() / "pages", stdfs::copy_options::recursive);
    test::writeFile(dir.path() / "pages" / "empty.html", "<html><body></body></html>");
    project = host::FolderProject::create(dir.file("project"), "Demo", dir.file("app"));
    wizard = open();
  }

  /// A new run of the wizard on the project, on its instructions page.
  std::unique_ptr<ImportWizardModel> open() const {
    auto run = std::make_unique<ImportWizardModel>(host::HostProjectRef(project));
    run->Form_Load();
    return run;
  }

  std::string page(const std::string& name) const { return dir.file("pages/" + name); }
  std::string shownText() { return wizard->browser().Document()->body()->innerText(); }
  /// Back, Next and Finish, e.g. "+-+".
  std::string buttons() const {
    std::string s;
    for (bool on : {wizard->backEnabled(), wizard->nextEnabled(), wizard->finishEnabled()})
      s += on ? '+' : '-';
    return s;
  }

  using Action = std::function<void(ImportWizardFlow&)>;
  static Action press(NavButton button) {
    return [button](ImportWizardFlow& t) { t.wizard->NavBarHTMLWizard_OnNavButton(button); };
  }
  static Action browse(const std::string& name) {
    return [name](ImportWizardFlow& t) {
      t.ui->fileAnswers.push_back(t.page(name));
      t.wizard->cmdBrowse_Click();
    };
  }
  /// The user clicks the radio button of a frame on the frames list.
  static Action chooseFrame(const std::string& id) {
    return [id](ImportWizardFlow& t) {
      auto doc = t.wizard->browser().Document();
      doc->dispatchClick(doc->getElementById(id));
    };
  }

  struct Step {
    const char* what;
    Action act;
    WizardPage page;
    const char* buttons;
    const char* shows = ""; ///< text the browser's page holds afterwards
  };
  void play(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      step.act(*this);
      ASSERT_FALSE(wizard->closed());
      EXPECT_EQ(wizard->page(), step.page);
      EXPECT_EQ(buttons(), step.buttons);
      EXPECT_NE(shownText().find(step.shows), std::string::npos) << shownText();
    }
  }

  test::TempDir dir;
  ui::ScopedScriptedUi ui;
  std::shared_ptr<host::FolderProject> project;
  std::unique_ptr<ImportWizardModel> wizard;
};

const auto next = NavButton::Next;
const auto back = NavButton::Back;

} // namespace

TEST_F(ImportWizardFlow, ForwardAndBackThroughEveryPage) {
  // The instructions, in a browser that stays off the network and takes no dropped files.
  EXPECT_TRUE(wizard->browser().Offline());
  EXPECT_FALSE(wizard->browser().RegisterAsDropTarget());
  EXPECT_FALSE(wizard->addressRowVisible());
  play({
      {"opened", [](auto&) {}, WizardPage::Intro, "-+-", "will guide you through the steps of importing"},
      {"next to the address", press(next), WizardPage::Load, "+--"},
      {"a page is chosen", browse("plain.html"), WizardPage::Load, "++-", "Harbour Ferries"},
      {"next to the analysis", press(next), WizardPage::Analysis, "++-", "Analysis Log"},
      {"next to fine-tuning", press(next), WizardPage::FineTune, "+-+"},
      {"back to the analysis", press(back), WizardPage::Analysis, "++-", "Analysis Log"},
      {"back to the page", press(back), WizardPage::Load, "++-", "Harbour Ferries"},
      {"back to the instructions", press(back), WizardPage::Intro, "-+-", "Import Wizard - Instructions"},
      {"back goes nowhere", press(back), WizardPage::Intro, "-+-"},
      {"next reopens the page", press(next), WizardPage::Load, "++-", "Harbour Ferries"},
      {"an empty address", [](auto& t) { t.wizard->setAddress(""); }, WizardPage::Load, "+--"},
  });
  EXPECT_TRUE(wizard->addressRowVisible());
  EXPECT_TRUE(ui->messages.empty());
  // The page shows tamed (the taming's own test has the details).
  browse("rich.html")(*this);
  EXPECT_TRUE(wizard->browser().Document()->getElementsByTagName("SCRIPT").empty());
  // Every hourglass was taken back.
  ASSERT_FALSE(ui->pointers.empty());
  EXPECT_EQ(ui->pointers.back(), ui::Pointer::Default);
  EXPECT_EQ(std::count(ui->pointers.begin(), ui->pointers.end(), ui::Pointer::Hourglass) * 2,
            long(ui->pointers.size()));
}

TEST_F(ImportWizardFlow, ErrorPagesLeaveNoWayForward) {
  test::writeFile(dir.path() / "pages" / "notes.txt", "<p>hello</p>");
  const Action browseNothing = [](ImportWizardFlow& t) {
    t.ui->fileAnswers.push_back(std::nullopt);
    t.wizard->cmdBrowse_Click();
  };
  play({
      {"next", press(next), WizardPage::Load, "+--"},
      {"no file is chosen", browseNothing, WizardPage::Load, "+--"},
      {"no page is chosen", browse("notes.txt"), WizardPage::Load, "+--"},
      {"an empty page", browse("empty.html"), WizardPage::Load, "++-"},
      {"it cannot be converted", press(next), WizardPage::Analysis, "+--",
       "An Error occurred during the transformation process."},
      // The page is open again, but an empty body offers nothing to go on with.
      {"back", press(back), WizardPage::Load, "+--"},
      {"another page", browse("plain.html"), WizardPage::Load, "++-"},
      {"it converts", press(next), WizardPage::Analysis, "++-", "Analysis Log"},
      {"back", press(back), WizardPage::Load, "++-"},
      {"to the instructions", press(back), WizardPage::Intro, "-+-"},
      {"the page has gone", [](auto& t) { stdfs::remove(t.dir.path() / "pages" / "plain.html"); }, WizardPage::Intro,
       "-+-"},
      {"next finds it missing", press(next), WizardPage::Load, "+--",
       "An Error occurred during the transformation process. The HTML file that the Wizard attempted to import "
       "could not be found. Please click Browse to select an alternative HTML file."},
  });
  // Only the two answers to Browse were told; the dialog offers HTM files from the project.
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[0].text, "No HTML file was specified. Please specify a HTML file");
  EXPECT_EQ(ui->messages[1].text, "The HTML file specified is invalid. Please specify a different HTML file");
  for (const auto& message : ui->messages) {
    EXPECT_EQ(message.title, "Unable to load HTML file");
    EXPECT_EQ(message.style, ui::vbOKOnly | ui::vbCritical);
  }
  ASSERT_FALSE(ui->fileDialogs.empty());
  EXPECT_EQ(ui->fileDialogs[0].request.filter, "HTM Files (*.htm)|*.htm;*.html");
  EXPECT_EQ(ui->fileDialogs[0].request.initialFolder, project->ProjectFolder());
}

TEST_F(ImportWizardFlow, AFramesetOffersItsFramesAndGoesOnWithTheChosenOne) {
  play({
      {"next", press(next), WizardPage::Load, "+--"},
      {"a frameset", browse("frameset.html"), WizardPage::Load, "++-"},
      {"its frames are listed", press(next), WizardPage::Analysis, "++-", "main.html"},
      {"next without a choice", press(next), WizardPage::Analysis, "++-"},
      {"back reloads the frameset", press(back), WizardPage::Load, "++-"},
      {"the frames again", press(next), WizardPage::Analysis, "++-"},
      {"a frame is chosen", chooseFrame("main.html"), WizardPage::Analysis, "++-"},
      {"next opens the frame", press(next), WizardPage::Load, "++-", "Welcome aboard"},
      {"the frame converts", press(next), WizardPage::Analysis, "++-", "Analysis Log"},
      {"on to its fine-tuning", press(next), WizardPage::FineTune, "+-+"},
  });
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].text, "Please select a frame before continuing.");
  EXPECT_EQ(wizard->address(), page("main.html"));
  EXPECT_EQ(wizard->fileName(), "main");
}

TEST_F(ImportWizardFlow, FinishCancelAndHelpOnTheLastPage) {
  struct Case {
    const char* what;
    NavButton button;
    std::string fileName;
    int answer;
    bool closes;
    const char* message;
  };
  const Case cases[] = {
      {"help", NavButton::Help, "plain", 0, false, "Help not available."},
      {"cancel, then no", NavButton::Cancel, "plain", ui::vbNo, false, "Are you sure you want to cancel the wizard?"},
      {"cancel, then yes", NavButton::Cancel, "plain", ui::vbYes, true, "Are you sure you want to cancel the wizard?"},
      {"finish without a name", NavButton::Finish, "", 0, false,
       "A file name must be entered before importing the document"},
      {"finish", NavButton::Finish, "plain", 0, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto run = open();
    ui->messages.clear();
    run->NavBarHTMLWizard_OnNavButton(next);
    ui->fileAnswers.push_back(page("plain.html"));
    run->cmdBrowse_Click();
    run->NavBarHTMLWizard_OnNavButton(next);
    run->NavBarHTMLWizard_OnNavButton(next);
    ASSERT_EQ(run->page(), WizardPage::FineTune);
    run->setFileName(c.fileName);
    if (c.answer)
      ui->answers.push_back(c.answer);

    run->NavBarHTMLWizard_OnNavButton(c.button);
    EXPECT_EQ(run->closed(), c.closes);
    EXPECT_EQ(run->page(), WizardPage::FineTune);
    if (c.message) {
      ASSERT_EQ(ui->messages.size(), 1u);
      EXPECT_EQ(ui->messages[0].text, c.message);
    } else {
      EXPECT_TRUE(ui->messages.empty());
    }
    EXPECT_EQ(stdfs::exists(dir.path() / "project" / "plain.wml"), c.button == NavButton::Finish && c.closes);
  }
}
