// The stand-in host around the built add-in: registered through its own export, created by
// name from the registry, its catalogue turned into the Wizards menu, and each entry launched.

#include "app/host/hostwindow.h"
#include "host/folderproject.h"
#include "platform/qt/browserview.h"
#include "platform/registry/activation.h"
#include "projectview/deckviewmodel.h"
#include "tests/gui/guitest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>

using namespace tavro;

namespace {

class Host : public ::testing::Test {
protected:
  void SetUp() override {
    test::application();
    // Nothing may reach the real home's settings.
    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("settings")));
    ::setenv("TAVRO_REGISTRY", dir.file("registry").c_str(), 1);
    test::registerBuiltAddin();

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
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("TAVRO_PROJECT");
  }

  // The menu of the menu bar, or the entry of one of its menus, with that text.
  QAction* menuAction(const QString& text) const {
    for (QAction* top : window->menuBar()->actions()) {
      if (top->text() == text)
        return top;
      for (QAction* entry : top->menu() ? top->menu()->actions() : QList<QAction*>())
        if (entry->text() == text)
          return entry;
    }
    return nullptr;
  }
  // Makes the row of that file current, with the focus on the list; the list it returns.
  QListWidget* select(const QString& file) {
    QListWidget* list = window->documentList();
    const auto items = list->findItems(file, Qt::MatchExactly);
    if (items.size() != 1)
      throw std::runtime_error("no row " + file.toStdString());
    list->setCurrentItem(items.front());
    list->setFocus();
    return list;
  }
  // Activates the row with Enter, as a user would.
  void openDocument(const QString& file) {
    QTest::keyClick(select(file), Qt::Key_Return);
    window->deckView()->refresh();
  }

  // Clicks in the middle of the first place the view shows text, as a user would.
  void clickOnText(const QString& text) {
    qt::BrowserView* view = window->deckView();
    QTextCursor found = view->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor middle(view->document());
    middle.setPosition(found.selectionStart() + 2);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(middle).center());
  }

  QString shownText() const { return window->deckView()->toPlainText(); }
  QString label(const char* name) const { return test::child<QLabel>(*window, name)->text(); }

  // Presses Del on the list and answers the question: Yes or No, with "Delete the file"
  // ticked or not. Returns the question's text.
  QString removeWithDel(const QString& file, QMessageBox::StandardButton answer, bool deleteFile) {
    QListWidget* list = select(file);
    QString asked;
    // A timer of this call's own, so that nothing is left to fire when no question comes.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box)
        return;
      answerer.stop();
      asked = box->text();
      if (auto* tick = box->findChild<QCheckBox*>("deleteFileCheckBox"))
        tick->setChecked(deleteFile);
      box->button(answer)->click();
    });
    answerer.start(10);
    // The shortcut belongs to the list, so the window must be the active one.
    test::showActive(*window);
    QTest::keyClick(list, Qt::Key_Delete);
    return asked;
  }

  std::vector<std::string> manifestNames() const {
    std::vector<std::string> names;
    const auto project = host::FolderProject::open(folder, appPath);
    for (const auto& d : project->documents())
      names.push_back(d.name);
    return names;
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
    test::child<QAction>(*window, ("wizard" + std::string(strID)).c_str())->trigger();
    return opened;
  }

  test::TempDir dir;
  std::string folder;
  std::string appPath;
  std::unique_ptr<hostapp::HostWindow> window;
};

} // namespace

// The catalogue fills the Wizards menu and tool bar, and each entry is launched through the
// add-in: without a project it explains, with one it shows its dialog on the project, and the
// FTP client is started outside.
TEST_F(Host, TheCatalogueIsTheWizardsMenuAndEachEntryLaunchesOnTheOpenProjectOrExplains) {
  const QList<QAction*> actions = window->wizardActions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), "Import Document ...");
  EXPECT_EQ(actions[3]->toolTip(), "Convert Images");
  // The icons are the catalogue's own, each a picture of its own.
  EXPECT_EQ(actions[0]->icon().pixmap(16, 16).size(), QSize(16, 16));
  EXPECT_NE(actions[0]->icon().pixmap(16, 16).toImage(), actions[1]->icon().pixmap(16, 16).toImage());
  // Their magenta background is see-through and nothing else is.
  const QImage icon = actions[0]->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
  int clear = 0, magenta = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      clear += qAlpha(icon.pixel(x, y)) == 0;
      magenta += icon.pixel(x, y) == qRgb(255, 0, 255);
    }
  EXPECT_EQ(clear, 98);
  EXPECT_EQ(magenta, 0);

  QAction* const wizardsEntry = menuAction("&Wizards");
  QMenu* wizards = wizardsEntry ? wizardsEntry->menu() : nullptr;
  ASSERT_NE(wizards, nullptr);
  EXPECT_EQ(wizards->actions(), actions);
  EXPECT_EQ(test::child<QToolBar>(*window, "wizardToolBar")->actions(), actions);

  QString shown;
  launch("Image", [&](QWidget* modal) { shown = modal->windowTitle(); });
  EXPECT_EQ(shown, "No Project Open");

  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  EXPECT_EQ(launch("Image", [&](QWidget* modal) { shown = modal->objectName(); }), 1);
  EXPECT_EQ(shown, "formImages");
  int rows = -1;
  EXPECT_EQ(launch("Export",
                   [&](QWidget* modal) {
                     shown = modal->objectName();
                     rows = test::child<QTreeWidget>(*modal, "lvFiles")->topLevelItemCount();
                   }),
            1);
  EXPECT_EQ(shown, "frmWMLExport");
  EXPECT_EQ(rows, 3);

  // The import entry opens the wizard, and the host stays usable after it.
  EXPECT_GE(launch("Import", [&](QWidget* modal) { shown = modal->objectName(); }), 1);
  EXPECT_EQ(shown, "frmHTMLImport");

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

TEST_F(Host, EnterOnADeckShowsItsFirstCardAndAClickOnACardLinkShowsTheOtherFromItsTop) {
  std::string lines;
  for (int i = 0; i < 150; ++i)
    lines += "<p>Line " + std::to_string(i) + "</p>\n";
  test::writeFile(std::filesystem::path(folder) / "long.wml",
                  "<wml><card id=\"one\">" + lines + "<p><a href=\"#two\">Onwards</a></p></card><card id=\"two\">" +
                      lines + "</card></wml>");
  ASSERT_TRUE(host::FolderProject::open(folder, appPath)->AddDocument("long"));
  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  openDocument("index.wml");
  // What a deck shows, one card at a time, and its summary are the model's
  // (deckviewmodel_test.cpp); here the labels and the card list follow it.
  EXPECT_EQ(label("cardTitleLabel"), "Harbour Ferries");
  EXPECT_TRUE(label("deckStatusLabel").startsWith("Valid WML 1.1 | ")) << label("deckStatusLabel").toStdString();
  EXPECT_EQ(test::child<QComboBox>(*window, "cardComboBox")->count(), 2);
  // The source tab holds the file as it is, read-only.
  auto* source = test::child<QPlainTextEdit>(*window, "documentSource");
  EXPECT_EQ(source->toPlainText().toStdString(), test::readFile(std::filesystem::path(folder) / "index.wml"));
  EXPECT_TRUE(source->isReadOnly());

  // The sample's WBMP logo is drawn, read by the imaging engine.
  const std::vector<QImage> logo = test::drawnPictures(window->deckView()->document());
  ASSERT_EQ(logo.size(), 1u);
  EXPECT_EQ(logo[0].size(), QSize(60, 30));

  // A click on the "News" link, where the view draws it.
  clickOnText("News");
  window->deckView()->refresh();
  EXPECT_EQ(label("cardTitleLabel"), "News");
  EXPECT_EQ(test::child<QComboBox>(*window, "cardComboBox")->currentIndex(), 1);

  // After a deck of as many cards, the list names the cards of the deck shown.
  openDocument("timetable.wml");
  openDocument("contact.wml");
  EXPECT_EQ(test::child<QComboBox>(*window, "cardComboBox")->itemText(0), "Contact (#contact)");

  // A card reached by a link from the bottom of a long one is shown from its top.
  openDocument("long.wml");
  QScrollBar* scroll = window->deckView()->verticalScrollBar();
  ASSERT_GT(scroll->maximum(), 0);
  scroll->setValue(scroll->maximum());
  clickOnText("Onwards");
  QApplication::processEvents();
  EXPECT_EQ(window->deck().currentCard(), 1);
  EXPECT_GT(scroll->maximum(), 0);
  EXPECT_EQ(scroll->value(), 0);
}

TEST_F(Host, DelAsksThenTakesTheEntryOutAndDeletesTheFileOnlyWhenTicked) {
  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  openDocument("contact.wml");
  const std::filesystem::path contact = std::filesystem::path(folder) / "contact.wml";

  // No: nothing changes.
  EXPECT_EQ(removeWithDel("contact.wml", QMessageBox::No, true), "Remove contact.wml from the project Harbour?");
  EXPECT_EQ(manifestNames(), (std::vector<std::string>{"index", "timetable", "contact"}));
  EXPECT_TRUE(std::filesystem::exists(contact));

  // Yes: the entry goes, the file stays, and the view no longer shows the document.
  removeWithDel("contact.wml", QMessageBox::Yes, false);
  EXPECT_EQ(manifestNames(), (std::vector<std::string>{"index", "timetable"}));
  EXPECT_TRUE(std::filesystem::exists(contact));
  EXPECT_EQ(window->documentList()->count(), 2);
  EXPECT_EQ(window->deck().documentName(), "");

  // Ticked: the file goes too.
  removeWithDel("timetable.wml", QMessageBox::Yes, true);
  EXPECT_EQ(manifestNames(), (std::vector<std::string>{"index"}));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / "timetable.wml"));
  EXPECT_EQ(window->documentList()->count(), 1);
}

TEST_F(Host, NewAndOpenRecentOpenTheirProjectAndTheWindowKeepsItsSizeAndSplitter) {
  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  // New Project asks for a folder, then a name, and opens the project it makes there.
  const std::string other = dir.file("Other");
  std::filesystem::create_directory(other);
  test::onNextModal([&](QWidget* folderDialog) {
    test::onNextModal([&](QWidget* nameDialog) {
      static_cast<QInputDialog*>(nameDialog)->setTextValue("Fleet");
      static_cast<QDialog*>(nameDialog)->accept();
      // A message that the project cannot be made would wait for a click: the test closes it.
      QTimer::singleShot(200, window.get(), [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
          box->reject();
      });
    });
    static_cast<QFileDialog*>(folderDialog)->setDirectory(QString::fromStdString(other));
    static_cast<QDialog*>(folderDialog)->accept();
  });
  ASSERT_NE(menuAction("&New Project..."), nullptr);
  menuAction("&New Project...")->trigger();
  EXPECT_EQ(window->projectFolder().toStdString(), other);
  EXPECT_EQ(window->windowTitle(), "Fleet - Velmor Professional");
  // The list's order and bound are the model's (RecentProjects); the menu holds it in order.
  QMenu* menu = test::child<QMenu>(*window, "recentMenu");
  ASSERT_EQ(menu->actions().size(), 2);
  menu->actions()[1]->trigger();
  EXPECT_TRUE(window->projectFolder().endsWith("/Harbour"));

  window->resize(777, 444);
  auto* splitter = test::child<QSplitter>(*window, "documentSplitter");
  splitter->setSizes({150, 600});
  const QList<int> sizes = splitter->sizes();
  window->close();

  hostapp::HostWindow again(com::createObject("Tavro.wizard"), appPath);
  again.show();
  EXPECT_EQ(again.size(), QSize(777, 444));
  EXPECT_EQ(test::child<QSplitter>(again, "documentSplitter")->sizes(), sizes);
  // The reopened project heads the next window's menu.
  const QList<QAction*> entries = test::child<QMenu>(again, "recentMenu")->actions();
  ASSERT_EQ(entries.size(), 2);
  EXPECT_TRUE(entries[0]->text().endsWith("/Harbour"));
}

TEST_F(Host, TheListIsReadAgainWhenAWizardClosesAndTheViewFollowsIt) {
  ASSERT_TRUE(window->openProject(QString::fromStdString(folder)));
  openDocument("index.wml");
  // Meanwhile the manifest changes behind the window: a document comes, the one shown is
  // rewritten, and another goes.
  test::writeFile(std::filesystem::path(folder) / "fresh.wml", "<wml><card><p>Fresh</p></card></wml>");
  test::writeFile(std::filesystem::path(folder) / "index.wml",
                  "<wml><card id=\"only\" title=\"Rewritten\"><p>New text</p></card></wml>");
  {
    auto project = host::FolderProject::open(folder, appPath);
    ASSERT_TRUE(project->AddDocument("fresh"));
    ASSERT_TRUE(project->removeDocument("contact", "wml", false));
  }
  launch("Export", [](QWidget*) {});
  QStringList rows;
  for (int i = 0; i < window->documentList()->count(); ++i)
    rows << window->documentList()->item(i)->text();
  EXPECT_EQ(rows, (QStringList{"index.wml", "timetable.wml", "fresh.wml"}));
  window->deckView()->refresh();
  EXPECT_EQ(label("cardTitleLabel"), "Rewritten");
  EXPECT_TRUE(shownText().contains("New text")) << shownText().toStdString();

  // When the document shown leaves the project, the view empties.
  host::FolderProject::open(folder, appPath)->removeDocument("index", "wml", false);
  launch("Export", [](QWidget*) {});
  window->deckView()->refresh();
  EXPECT_EQ(window->deck().documentName(), "");
  EXPECT_EQ(shownText(), "");
}
