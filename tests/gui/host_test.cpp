// The stand-in host around the built add-in: registered through its own export, created by
// name from the registry, its catalogue turned into the Wizards menu, and each entry launched.

#include "app/host/hostwindow.h"
#include "platform/registry/activation.h"
#include "tests/gui/guitest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace tavro;

namespace {

class Host : public ::testing::Test {
protected:
  void SetUp() override {
    test::application();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("settings")));
    ::setenv("TAVRO_REGISTRY", dir.file("registry").c_str(), 1);
    const std::string library = (test::buildDir() / "libtavro.so").string();
    ASSERT_TRUE(std::filesystem::exists(library)) << library;
    auto registerServer =
        reinterpret_cast<com::HResult (*)()>(com::librarySymbol(com::loadLibrary(library), "DllRegisterServer"));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), com::hrOk);

    folder = dir.file("Harbour");
    std::filesystem::copy(test::sourceDir() / "samples/project", folder, std::filesystem::copy_options::recursive);
    appPath = dir.file("app");
    std::filesystem::create_directory(appPath);
    window = std::make_unique<hostapp::HostWindow>(com::createObject("Tavro.wizard"), appPath);
    window->show();
  }
  void TearDown() override {
    window.reset();
    ::unsetenv("TAVRO_REGISTRY");
    ::unsetenv("TAVRO_PROJECT");
  }

  QAction* action(const char* strID) {
    for (QAction* a : window->wizardActions())
      if (a->objectName() == QString("wizard") + strID)
        return a;
    ADD_FAILURE() << "no action for " << strID;
    return nullptr;
  }

  // Triggers an entry and closes every modal window that opens until the launch returns;
  // inspect sees the first one. Returns how many opened.
  int launch(const char* strID, const std::function<void(QWidget*)>& inspect) {
    int opened = 0;
    QWidget* last = nullptr;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == last)
        return;
      last = modal;
      if (opened++ == 0)
        inspect(modal);
      // A question (such as "cancel the wizard?") is answered Yes, so that the window
      // behind it closes too; any other window is cancelled.
      if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->button(QMessageBox::Yes))
        box->button(QMessageBox::Yes)->click();
      else if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
      else
        modal->close();
    });
    closer.start(20);
    action(strID)->trigger();
    return opened;
  }

  test::TempDir dir;
  std::string folder;
  std::string appPath;
  std::unique_ptr<hostapp::HostWindow> window;
};

} // namespace

TEST_F(Host, TheWizardsMenuHoldsTheCatalogueWithCaptionsTooltipsAndIcons) {
  const QList<QAction*> actions = window->wizardActions();
  ASSERT_EQ(actions.size(), 4);
  const char* captions[] = {"Import Document ...", "Export Document ...", "Trell Ftp ...", "Image Converter ..."};
  const char* tips[] = {"Import document into current project", "Export document from current project",
                        "Ftp Client Utility", "Convert Images"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(actions[i]->text(), captions[i]);
    EXPECT_EQ(actions[i]->toolTip(), tips[i]);
    const QImage icon = actions[i]->icon().pixmap(16, 16).toImage();
    EXPECT_EQ(icon.size(), QSize(16, 16)) << captions[i];
  }
  // The four icons are four different pictures.
  EXPECT_NE(actions[0]->icon().pixmap(16, 16).toImage(), actions[1]->icon().pixmap(16, 16).toImage());

  QMenu* wizards = nullptr;
  for (QAction* top : window->menuBar()->actions())
    if (top->text() == "&Wizards")
      wizards = top->menu();
  ASSERT_NE(wizards, nullptr);
  EXPECT_EQ(wizards->actions(), actions);
  EXPECT_EQ(window->findChild<QToolBar*>("wizardToolBar")->actions(), actions);
}

TEST_F(Host, ExportShowsTheExportDialogOnTheOpenProject) {
  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  EXPECT_EQ(window->documentList()->count(), 3);

  QString shown;
  int rows = -1;
  EXPECT_EQ(launch("Export",
                   [&](QWidget* modal) {
                     shown = modal->objectName();
                     rows = modal->findChild<QTreeWidget*>("lvFiles")->topLevelItemCount();
                   }),
            1);
  EXPECT_EQ(shown, "frmWMLExport");
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(window->documentList()->count(), 3);
}

TEST_F(Host, ImageShowsTheImageDialogAndWithoutAProjectEachEntryExplains) {
  QString shown;
  launch("Image", [&](QWidget* modal) { shown = modal->windowTitle(); });
  EXPECT_EQ(shown, "No Project Open");

  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  EXPECT_EQ(launch("Image", [&](QWidget* modal) { shown = modal->objectName(); }), 1);
  EXPECT_EQ(shown, "formImages");
}

TEST_F(Host, ImportAndFtpAreLaunchedThroughTheAddin) {
  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  // Whatever the import entry shows (its wizard, or a message where this build has none), a
  // window opens and the host stays usable after it.
  EXPECT_GE(launch("Import", [](QWidget*) {}), 1);

  // The FTP client is started from the application folder, without a window of ours, and
  // learns the open project's folder from the host's environment.
  const std::string client = appPath + "/BraskFTP.exe";
  const std::string marker = appPath + "/ftp-started";
  test::writeFile(client, "#!/bin/sh\necho \"$TAVRO_PROJECT\" > '" + marker + ".tmp' && mv '" + marker + ".tmp' '" +
                              marker + "'\n");
  ::chmod(client.c_str(), 0755);
  EXPECT_EQ(launch("Ftp", [](QWidget*) {}), 0);
  for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_TRUE(std::filesystem::exists(marker));
  EXPECT_EQ(test::readFile(marker), window->projectFolder().toStdString() + "\n");
}
