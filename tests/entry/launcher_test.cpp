#include "entry/wizard.h"
#include "entry/wizarddialogs.h"
#include "host/folderproject.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

using namespace tavro;
using com::Variant;

namespace {

class FakeDialog : public WizardDialog {
public:
  FakeDialog(std::string name, std::vector<std::string>& calls) : m_name(std::move(name)), m_calls(calls) {}
  void setHelpFile(const std::string& path) override { m_calls.push_back(m_name + ".HelpFile=" + path); }
  void setProject(const com::ObjectPtr& project) override {
    m_calls.push_back(m_name + ".Project=" + (project ? com::getProperty(project, "ProjectName").toString() : "none"));
  }
  void setPreviewLocation(const std::string& path) override { m_calls.push_back(m_name + ".PreviewLocation=" + path); }
  void showModal() override { m_calls.push_back(m_name + ".Show"); }

private:
  std::string m_name;
  std::vector<std::string>& m_calls;
};

// Records every call the launcher makes on the dialogs, in order, and how many of each it made.
struct FakeProvider : DialogProvider {
  std::unique_ptr<WizardDialog> create(DialogKind kind) override {
    ++created[kind];
    const char* names[] = {"Import", "Export", "Image"}; // in the order of DialogKind
    return std::make_unique<FakeDialog>(names[int(kind)], calls);
  }
  std::vector<std::string> calls;
  std::map<DialogKind, int> created;
};

class Launcher : public ::testing::Test {
protected:
  void SetUp() override {
    installDialogProvider(log);
    project = host::FolderProject::create(dir.file("proj"), "Demo", "/opt/velmor");
  }
  void TearDown() override { installDialogProvider(nullptr); }

  test::TempDir dir;
  std::shared_ptr<FakeProvider> log = std::make_shared<FakeProvider>();
  ui::ScopedScriptedUi ui;
  std::shared_ptr<host::FolderProject> project;
};

} // namespace

TEST_F(Launcher, WithoutAProjectTheDialogsShowTheNoProjectMessageAndFtpRaisesObjectNotSet) {
  auto w = std::make_shared<wizard>();
  for (const char* key : {"Import", "Export", "Image"})
    EXPECT_FALSE(com::callMethod(w, "launchWizard", {Variant(key)}).toBool());
  ASSERT_EQ(ui->messages.size(), 3u);
  for (const auto& m : ui->messages) {
    EXPECT_EQ(m.text, "You need to have a project open in order to run the wizard");
    EXPECT_EQ(m.title, "No Project Open");
    EXPECT_EQ(m.style, ui::vbInformation | ui::vbOKOnly);
  }
  EXPECT_EQ(test::comErrorOf([&] { w->launchWizard("Ftp"); }), 91);
  EXPECT_EQ(ui->messages.size(), 3u);
  EXPECT_TRUE(ui->startedPrograms.empty());
  EXPECT_TRUE(log->calls.empty());
}

TEST_F(Launcher, EachDialogGetsTheHelpFileThenItsSettingsThenShowsAndFtpStartsTheClient) {
  auto w = std::make_shared<wizard>();
  com::putRefProperty(w, "Project", Variant(project));
  // An empty project has nothing to export: no dialog, and no message either.
  EXPECT_FALSE(w->launchWizard("Export"));
  test::writeFile(dir.path() / "proj" / "index.wml", "<wml><card/></wml>");
  ASSERT_TRUE(project->AddDocument("index"));
  // Keys are compared exactly: none of these is an entry's.
  for (const char* key : {"export", "IMPORT", "Import ", "", "Options"})
    EXPECT_FALSE(w->launchWizard(key)) << key;
  EXPECT_EQ(log->calls, std::vector<std::string>{});
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_TRUE(ui->startedPrograms.empty());

  const struct {
    const char* key;
    std::vector<std::string> calls;
  } cases[] = {
      {"Import", {"Import.HelpFile=/opt/velmor/help/prohelp.chm", "Import.Project=Demo", "Import.Show"}},
      {"Export", {"Export.HelpFile=/opt/velmor/help/prohelp.chm", "Export.Project=Demo", "Export.Show"}},
      {"Image",
       {"Image.HelpFile=/opt/velmor/help/prohelp.chm", "Image.PreviewLocation=/opt/velmor/tmp.bmp", "Image.Show"}},
  };
  for (const auto& c : cases) {
    log->calls.clear();
    EXPECT_FALSE(w->launchWizard(c.key));
    EXPECT_EQ(log->calls, c.calls) << c.key;
  }
  // A second launch, even from a second wizard object, shows the same dialog again: one
  // instance of each while the library is loaded.
  wizard other;
  other.Project(project);
  log->calls.clear();
  other.launchWizard("Import");
  EXPECT_EQ(log->calls, cases[0].calls);
  EXPECT_EQ(log->created,
            (std::map<DialogKind, int>{{DialogKind::Import, 1}, {DialogKind::Export, 1}, {DialogKind::Image, 1}}));

  // The FTP client is started from the host's application folder, not the one stored on the
  // wizard, and one that does not start is not reported.
  w->AppPath("/somewhere/else");
  ui->startResult = false;
  log->calls.clear();
  EXPECT_FALSE(w->launchWizard("Ftp"));
  EXPECT_EQ(ui->startedPrograms, (std::vector<std::string>{"/opt/velmor/BraskFTP.exe"}));
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_TRUE(log->calls.empty());
}

namespace {
// A host project whose application path cannot be read.
class BrokenProject : public com::Automation<BrokenProject> {
public:
  static std::string className() { return "HostProject"; }
  static const std::vector<com::Member<BrokenProject>>& members() {
    static const std::vector<com::Member<BrokenProject>> table{
        {"ApplicationPath", com::CallKind::Get,
         [](BrokenProject&, com::Args&) -> Variant { throw com::ComError(70, "host: access denied"); }},
    };
    return table;
  }
};
} // namespace

TEST_F(Launcher, HostErrorsReachTheCallerUnchanged) {
  wizard w;
  w.Project(std::make_shared<BrokenProject>());
  for (const char* key : {"Import", "Ftp", "Image"}) {
    std::string message;
    EXPECT_EQ(test::comErrorOf([&] { w.launchWizard(key); }, &message), 70) << key;
    EXPECT_EQ(message, "host: access denied") << key;
  }
  // Export asks for the documents first, which this project does not have.
  EXPECT_EQ(test::comErrorOf([&] { w.launchWizard("Export"); }), 438);
  EXPECT_TRUE(ui->startedPrograms.empty());
  EXPECT_EQ(log->calls, std::vector<std::string>{}); // nothing was shown
}

TEST(LauncherWithoutDialogs, SaysWhichDialogIsMissing) {
  installDialogProvider(nullptr);
  test::TempDir dir;
  ui::ScopedScriptedUi ui;
  wizard w;
  w.Project(host::FolderProject::create(dir.file("p"), "P", "/app"));
  std::string message;
  EXPECT_EQ(test::comErrorOf([&] { w.launchWizard("Import"); }, &message), 429);
  EXPECT_NE(message.find("HTML import wizard"), std::string::npos) << message;
}
