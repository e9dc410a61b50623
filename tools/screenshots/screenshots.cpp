// tavro_screenshots: draws the import wizard's pages, the export dialog, the image dialog and
// the stand-in host (its list, and its view of a deck) offscreen
// and saves them as PNG files, for the documentation.
//
//   tavro_screenshots OUTPUT-FOLDER
//
// The dialogs are shown on the sample project and the sample picture of the source tree.

#include "app/host/hostwindow.h"
#include "entry/wizard.h"
#include "export/frmwmlexport.h"
#include "host/folderproject.h"
#include "htmlimport/frmhtmlimport.h"
#include "images/formimages.h"
#include "navbar/navbar.h"
#include "platform/qt/browserview.h"
#include "tests/support/scriptedui.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>
#include <string>

using namespace tavro;

namespace {

bool save(QWidget& widget, const QString& path) {
  widget.show();
  QApplication::processEvents();
  if (!widget.grab().save(path, "PNG")) {
    std::fprintf(stderr, "tavro_screenshots: cannot write '%s'\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tavro_screenshots OUTPUT-FOLDER\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  const std::string sources = TAVRO_SOURCE_DIR;
  const std::string sampleProject = sources + "/samples/project";

  // Nothing here may touch the user's own settings or application folder.
  QTemporaryDir scratch;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.filePath("settings"));
  const std::string appPath = scratch.path().toStdString();
  ui::ScopedScriptedUi ui;
  bool ok = true;

  {
    frmWMLExport dialog;
    dialog.Project(host::HostProjectRef(host::FolderProject::open(sampleProject, appPath)));
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>("lvFiles");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    ok = save(dialog, out + "/export-dialog.png") && ok;
  }
  {
    formImages dialog;
    dialog.PreviewLocation(appPath + "/tmp.bmp");
    dialog.show();
    ui->fileAnswers.push_back(sources + "/samples/pages/images/sunset.png");
    dialog.findChild<QPushButton*>("cmdOpen")->click();
    dialog.findChild<QComboBox*>("cboDither")->setCurrentIndex(4);
    dialog.findChild<QLineEdit*>("txtWidth")->setText("192");
    dialog.findChild<QLineEdit*>("txtHeight")->setText("128");
    dialog.findChild<QPushButton*>("cmdApply")->click();
    ok = save(dialog, out + "/image-dialog.png") && ok;
    if (!ui->messages.empty()) {
      std::fprintf(stderr, "tavro_screenshots: unexpected message '%s'\n", ui->messages.front().text.c_str());
      ok = false;
    }
    ui->answers.push_back(ui::vbYes);
    dialog.reject();
  }
  {
    // The import wizard's four pages on a sample page; the project that receives nothing
    // lives in the scratch folder.
    frmHTMLImport form;
    form.setProject(host::FolderProject::create(appPath + "/wizard-project", "Harbour", appPath));
    form.Form_Load();
    form.resize(760, 600);
    auto next = [&] { QTest::mouseClick(form.navBar()->cmdNav(NavBar::Next), Qt::LeftButton); };
    ok = save(form, out + "/wizard-1-intro.png") && ok;
    next();
    ui->fileAnswers.push_back(sources + "/samples/pages/rich.html");
    QTest::mouseClick(form.findChild<QPushButton*>("cmdBrowse"), Qt::LeftButton);
    ok = save(form, out + "/wizard-2-load.png") && ok;
    next();
    ok = save(form, out + "/wizard-3-analysis.png") && ok;
    next();
    auto* known = form.findChild<QListWidget*>("lstKnownElements");
    for (const char* name : {"input", "select"})
      for (auto* item : known->findItems(name, Qt::MatchExactly))
        item->setSelected(true);
    QTest::mouseClick(form.findChild<QPushButton*>("cmdRemove"), Qt::LeftButton);
    ok = save(form, out + "/wizard-4-finetune.png") && ok;
  }
  {
    hostapp::HostWindow window(std::make_shared<wizard>(), appPath);
    window.resize(900, 520);
    window.openProject(QString::fromStdString(sampleProject));
    ok = save(window, out + "/host.png") && ok;

    // The view of the sample's first deck, opened as a user does: its row, then Enter.
    QListWidget* list = window.documentList();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    window.deckView()->refresh();
    ok = save(window, out + "/host-view.png") && ok;
  }
  return ok ? 0 : 1;
}
