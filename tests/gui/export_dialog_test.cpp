// The export dialog driven through its controls, offscreen, with a scripted user.

#include "dialogs/dialogprovider.h"
#include "entry/wizard.h"
#include "entry/wizarddialogs.h"
#include "export/frmwmlexport.h"
#include "host/folderproject.h"
#include "tests/gui/guitest.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

using namespace tavro;

namespace {

class ExportDialog : public ::testing::Test {
protected:
  void SetUp() override {
    test::application();
    folder = dir.file("site");
    project = host::FolderProject::create(folder, "Site", app.str());
  }

  // Adds a document holding the sample deck, which has a picture.
  void addSampleDeck(const std::string& name) {
    test::writeFile(folder + "/" + name + ".wml", test::readFile(test::sourceDir() / "samples/project/index.wml"));
    ASSERT_TRUE(project->AddDocument(name));
  }

  // Makes the dialog on the project and shows it, not modally.
  void open() {
    dialog = std::make_unique<frmWMLExport>();
    dialog->Project(host::HostProjectRef(project));
    test::showActive(*dialog);
    lv = control<QTreeWidget>("lvFiles");
  }

  template <typename W>
  W* control(const char* name) {
    return test::child<W>(*dialog, name);
  }
  QPushButton* button(const char* name) { return control<QPushButton>(name); }

  QTreeWidgetItem* row(int i) { return lv->topLevelItem(i); }
  // The rows' boxes as the list draws them, e.g. "+-".
  std::string ticks() {
    std::string s;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
      s += row(i)->checkState(frmWMLExport::FileName) == Qt::Checked ? '+' : '-';
    return s;
  }
  // The centre of a row's file-name text, in the list's viewport.
  QPoint rowPoint(int i) { return lv->visualItemRect(row(i)).center(); }
  void clickRow(int i) { QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, rowPoint(i)); }
  // A double click as the window system delivers it: a click, then the second press.
  void doubleClickRow(int i) {
    clickRow(i);
    QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, rowPoint(i));
  }
  // The user toggles a row's box from the keyboard, as clicking the box does.
  void toggleRow(int i) {
    lv->setCurrentItem(row(i));
    QTest::keyClick(lv, Qt::Key_Space);
  }

  test::TempDir dir;
  test::TempDir app;
  std::string folder;
  std::shared_ptr<host::FolderProject> project;
  ui::ScopedScriptedUi ui;
  std::unique_ptr<frmWMLExport> dialog;
  QTreeWidget* lv = nullptr;
};

} // namespace

// The rows and every tick and OK rule are the model's tests'; here the list draws the rows and
// each control reaches the model: the space key on a row, Clear, Select All and a double click.
TEST_F(ExportDialog, EachTickControlReachesTheRowsAndOk) {
  addSampleDeck("a");
  addSampleDeck("b");
  open();
  EXPECT_EQ(dialog->windowTitle(), "Export Project");
  EXPECT_EQ(ticks(), "++");
  EXPECT_EQ(row(1)->text(0), "b");
  EXPECT_EQ(row(1)->text(1), "wml Document");
  EXPECT_FALSE(control<QLabel>("Label1")->isVisible()) << "the no-documents text";
  QPushButton* ok = button("cmdOK");
  EXPECT_TRUE(ok->isEnabled());

  toggleRow(0);
  EXPECT_EQ(ticks(), "-+");
  toggleRow(1);
  EXPECT_FALSE(ok->isEnabled()) << "the last ticked row was unticked";
  QTest::mouseClick(button("cmdSelectAll"), Qt::LeftButton);
  EXPECT_EQ(ticks(), "++");
  EXPECT_TRUE(ok->isEnabled());
  QTest::mouseClick(button("cmdClear"), Qt::LeftButton);
  EXPECT_EQ(ticks(), "--");
  doubleClickRow(1);
  EXPECT_EQ(ticks(), "-+");
  doubleClickRow(1);
  EXPECT_EQ(ticks(), "--");
}

// Where the "..." button goes only the window shows; the file dialog it opens and the target
// rule are the engine's test's (ExportList.BrowseFileAsksInTheProjectFolderAndStoresTheRule).
TEST_F(ExportDialog, MoreSitsOverTheClickedRowAndSetsItsTargetOrKeepsItOnCancel) {
  addSampleDeck("a");
  addSampleDeck("b");
  addSampleDeck("c");
  open();
  QPushButton* more = button("cmdMore");

  clickRow(1);
  ASSERT_TRUE(more->isVisible());
  const QRect rowRect = lv->visualItemRect(row(1));
  const QRect rowInDialog(lv->viewport()->mapTo(dialog.get(), rowRect.topLeft()), rowRect.size());
  const QRect button = more->geometry();
  EXPECT_EQ(button.height(), rowRect.height());
  // 40 twips from the list's right edge, 30 twips below the row's top in the list's client area.
  EXPECT_EQ(button.right(), lv->geometry().right() - 3);
  EXPECT_EQ(button.top(), rowInDialog.top() - lv->frameWidth() + 2);

  ui->fileAnswers.push_back("/out/page.html");
  QTest::mouseClick(more, Qt::LeftButton);
  EXPECT_EQ(row(1)->text(2), "/out/page.htm");
  EXPECT_EQ(row(0)->text(2), QString::fromStdString(folder + "/a.html"));
  EXPECT_EQ(lv->currentItem(), row(1));
  EXPECT_FALSE(more->isVisible());

  clickRow(2);
  EXPECT_GT(more->geometry().top(), button.top());
  ui->fileAnswers.push_back(std::nullopt);
  QTest::mouseClick(more, Qt::LeftButton);
  EXPECT_EQ(row(2)->text(2), QString::fromStdString(folder + "/c.html"));
}

// The engine's test holds each failure, its text and the skipping of unticked rows; here OK
// takes the list's targets and the Convert Images box, keeps the dialog open while the last
// write fails and closes it after a good last write.
TEST_F(ExportDialog, OkExportsTheRowsAndClosesOnlyAfterAGoodLastWrite) {
  addSampleDeck("index");
  addSampleDeck("away");
  open();
  row(1)->setText(2, QString::fromStdString(folder + "/missing/away.htm"));

  QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
  ASSERT_EQ(ui->messages.size(), 1u) << "the path of the edited target is invalid";
  EXPECT_EQ(test::readFile(folder + "/index.html").find("<img"), std::string::npos)
      << "pictures are dropped unless Convert Images is ticked";
  EXPECT_TRUE(dialog->isVisible());

  control<QCheckBox>("chkConvertImages")->setChecked(true);
  row(1)->setText(2, QString::fromStdString(folder + "/away.htm"));
  ui->answers = {ui::vbYes}; // index.html is there now
  QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
  EXPECT_NE(test::readFile(folder + "/index.html").find("<img"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder + "/away.htm"));
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// One dialog for the library's lifetime is the launcher's test's; here the real one is shown
// modally on the project's rows, and F1 opens the help file the launcher handed it.
TEST_F(ExportDialog, TheLauncherShowsItModallyWithItsHelpAndTheProjectsRows) {
  addSampleDeck("index");
  installDialogProvider(std::make_shared<qt::DialogProvider>());
  wizard host;
  host.Project(project);
  test::onNextModal([&](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), "frmWMLExport");
    auto* list = test::child<QTreeWidget>(*modal, "lvFiles");
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
    QTest::keyClick(list, Qt::Key_F1);
    QTest::mouseClick(test::child<QPushButton>(*modal, "CancelButton"), Qt::LeftButton);
  });
  EXPECT_FALSE(host.launchWizard("Export"));
  EXPECT_EQ(ui->helpFiles, std::vector<std::string>{app.file("help/prohelp.chm")});
  installDialogProvider(nullptr);
}
