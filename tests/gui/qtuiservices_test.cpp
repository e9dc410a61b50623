// The Qt user-interface services: filters, dialogs as built, boxes answered as a user would,
// and the busy pointer's balance.

#include "platform/qt/qtuiservices.h"
#include "tests/gui/guitest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

#include <cstdlib>

using namespace tavro;
using namespace tavro::ui;
using tavro::qt::QtUiServices;

namespace {

class QtUiServicesTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The file dialog keeps its history in the settings: never in the real home's.
    ::setenv("XDG_CONFIG_HOME", config.file("config").c_str(), 1);
    test::application();
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  }
  void TearDown() override {
    while (QApplication::overrideCursor())
      QApplication::restoreOverrideCursor();
    ::unsetenv("XDG_CONFIG_HOME");
  }
  test::TempDir config;
  QtUiServices qtUi{"Tavro"};
};

} // namespace

TEST(QtUiServicesFilters, BecomeQtNameFiltersOnePerPair) {
  EXPECT_EQ(QtUiServices::nameFilters("Html Files (*.htm)|*.htm|All Files (*.*)|*.*"),
            (QStringList{"Html Files (*.htm) (*.htm)", "All Files (*.*) (*)"}));
  EXPECT_EQ(QtUiServices::nameFilters("Images (*.wbmp,*.bmp)|*.wbmp; *.bmp;|BMP images (*.bmp)|*.bmp"),
            (QStringList{"Images (*.wbmp,*.bmp) (*.wbmp *.bmp)", "BMP images (*.bmp) (*.bmp)"}));
  // No description, no patterns, a description left over.
  EXPECT_EQ(QtUiServices::nameFilters("|*.txt|Nothing||Dangling"), QStringList{"*.txt (*.txt)"});
  EXPECT_EQ(QtUiServices::nameFilters(""), QStringList{});
}

TEST_F(QtUiServicesTest, FileDialogsHonourTheirFlagsAndOpenFileGivesTheChosenPathOrNothing) {
  test::TempDir dir;
  test::writeFile(dir.path() / "page.html", "<p>x</p>");
  FileDialogRequest open{"Open", "HTM Files (*.htm)|*.htm;*.html",        dir.str(), "",
                         "",     cdlOFNFileMustExist | cdlOFNHideReadOnly};
  auto openDialog = QtUiServices::fileDialog(open, false);
  EXPECT_EQ(openDialog->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(openDialog->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(openDialog->nameFilters(), QStringList{"HTM Files (*.htm) (*.htm *.html)"});
  EXPECT_TRUE(openDialog->testOption(QFileDialog::HideNameFilterDetails));
  EXPECT_EQ(QFileInfo(openDialog->directory().path()), QFileInfo(QString::fromStdString(dir.str())));

  test::onNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    // Typed into the name box: selectFile() leaves the box as it is once the box has the focus,
    // and OK with an empty box keeps the dialog open.
    test::child<QLineEdit>(*dialog, "fileNameEdit")->setText("page.html");
    static_cast<QDialog*>(dialog)->accept();
  });
  EXPECT_EQ(qtUi.openFile(open), dir.file("page.html"));
  test::onNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  EXPECT_EQ(qtUi.openFile(open), std::nullopt);

  open.flags = cdlOFNHideReadOnly;
  EXPECT_EQ(QtUiServices::fileDialog(open, false)->fileMode(), QFileDialog::AnyFile);

  FileDialogRequest save{"Save WBMP ", "WBMP Images (*.wbmp)|*.wbmp", "", "", "wbmp", 0x200806};
  auto saveDialog = QtUiServices::fileDialog(save, true);
  EXPECT_EQ(saveDialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(saveDialog->windowTitle(), "Save WBMP ");
  EXPECT_EQ(saveDialog->defaultSuffix(), "wbmp");
  EXPECT_FALSE(saveDialog->testOption(QFileDialog::DontConfirmOverwrite));

  save.flags = cdlOFNHideReadOnly;
  EXPECT_TRUE(QtUiServices::fileDialog(save, true)->testOption(QFileDialog::DontConfirmOverwrite));
}

TEST_F(QtUiServicesTest, MessageBoxesShowTheirTextButtonsIconAndTitleAndGiveTheAnswerOfTheButtonPressed) {
  auto built =
      qtUi.messageBox("Are you sure you want to cancel the wizard?", vbYesNo | vbInformation, "HTML Import Wizard");
  EXPECT_EQ(built->text(), "Are you sure you want to cancel the wizard?");
  EXPECT_EQ(built->windowTitle(), "HTML Import Wizard");
  EXPECT_EQ(built->icon(), QMessageBox::Information);
  EXPECT_EQ(built->standardButtons(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(built->defaultButton(), built->button(QMessageBox::Yes));

  // Text is never taken as markup; no title gives the application's; the second button can
  // be the default.
  built = qtUi.messageBox("<b>a.htm</b>", vbOKCancel | vbCritical | vbDefaultButton2, "");
  EXPECT_EQ(built->textFormat(), Qt::PlainText);
  EXPECT_EQ(built->windowTitle(), "Tavro");
  EXPECT_EQ(built->icon(), QMessageBox::Critical);
  EXPECT_EQ(built->defaultButton(), built->button(QMessageBox::Cancel));

  // Shown modally, a box answers with the button pressed.
  test::onNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
  });
  EXPECT_EQ(qtUi.msgBox("Overwrite?", vbYesNo | vbQuestion, "Save"), vbNo);

  test::onNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(qtUi.msgBox("Go on?", vbOKCancel, ""), vbCancel);

  // A box closed without a button answers as its cancelling button would.
  EXPECT_EQ(QtUiServices::answerFor(QMessageBox::NoButton, vbYesNo), vbNo);
  EXPECT_EQ(QtUiServices::answerFor(QMessageBox::NoButton, vbOKOnly), vbOK);

  // A missing help file is said plainly.
  std::string shown;
  test::onNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shown = box->text().toStdString();
    box->accept();
  });
  qtUi.showHelp("/nonexistent/help/prohelp.chm");
  EXPECT_EQ(shown, "Cannot find the help file '/nonexistent/help/prohelp.chm'.");
}

TEST_F(QtUiServicesTest, TheBusyPointerIsBalancedOnEveryWayOut) {
  auto installed = std::make_shared<QtUiServices>("Tavro");
  auto previous = installServices(installed);
  {
    BusyPointer outer;
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    try {
      BusyPointer inner;
      throw std::runtime_error("failed step");
    } catch (const std::runtime_error&) {
    }
    // A question asked meanwhile has the arrow over it.
    Qt::CursorShape asking = Qt::BlankCursor;
    test::onNextModal([&](QWidget* modal) {
      asking = QApplication::overrideCursor()->shape();
      qobject_cast<QDialog*>(modal)->accept();
    });
    installed->msgBox("Go on?", vbOKOnly, "");
    EXPECT_EQ(asking, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor) << "the outer step is still busy";
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // A Default with no Hourglass before it leaves another's pointer alone.
  QApplication::setOverrideCursor(Qt::CrossCursor);
  services().setPointer(Pointer::Default);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
  QApplication::restoreOverrideCursor();

  // Services that go while busy take their pointer with them.
  services().setPointer(Pointer::Hourglass);
  services().setPointer(Pointer::Hourglass);
  installServices(previous);
  installed.reset();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
