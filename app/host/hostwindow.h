#pragma once
// The stand-in host's main window: a project folder's documents beside a view of the one
// opened, and the add-in's wizards as a menu and a toolbar built from its catalogue.

#include "platform/com/dispatch.h"

#include <QMainWindow>

#include <memory>

class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QToolBar;

namespace tavro::host {
class FolderProject;
}
namespace tavro::html {
class Browser;
}
namespace tavro::projectview {
class DeckViewModel;
}
namespace tavro::qt {
class BrowserView;
}

namespace tavro::hostapp {

class HostWindow : public QMainWindow {
  Q_OBJECT

public:
  /// wizard is the add-in's Tavro.wizard object; applicationPath the host's own folder.
  HostWindow(com::ObjectPtr wizard, std::string applicationPath, QWidget* parent = nullptr);
  ~HostWindow() override;

  /// Opens the project in folder; shows a message and keeps the current one when it cannot.
  bool openProject(const QString& folder);
  /// The folder of the open project ("" when none).
  QString projectFolder() const;
  /// The wizard actions, in catalogue order (for tests).
  QList<QAction*> wizardActions() const { return m_wizardActions; }
  QListWidget* documentList() const { return m_documents; }
  /// The view of the document opened, and what it shows.
  qt::BrowserView* deckView() const { return m_view; }
  const projectview::DeckViewModel& deck() const { return *m_deck; }
  /// The projects File > Open Recent offers, newest first.
  QStringList recentProjects() const;

public slots:
  /// Opens the list's current document in the view.
  void showDocument();
  /// Asks, then takes the list's current document out of the project (and deletes its file
  /// when the user ticks that too).
  void removeDocument();

protected:
  void closeEvent(QCloseEvent* event) override;

private slots:
  void newProject();
  void chooseProject();

private:
  void buildWizardMenu();
  void buildDocumentView();
  void launch(const QString& strID);
  void refreshDocuments();
  void rebuildRecentMenu();
  void deckChanged();

  com::ObjectPtr m_wizard;
  std::string m_applicationPath;
  std::shared_ptr<host::FolderProject> m_project;
  std::shared_ptr<html::Browser> m_browser;
  std::unique_ptr<projectview::DeckViewModel> m_deck;
  QSplitter* m_splitter = nullptr;
  QListWidget* m_documents = nullptr;
  QLabel* m_cardTitle = nullptr;
  QComboBox* m_cards = nullptr;
  QTabWidget* m_tabs = nullptr;
  qt::BrowserView* m_view = nullptr;
  QPlainTextEdit* m_source = nullptr;
  QLabel* m_deckStatus = nullptr;
  /// The card last mapped onto the controls (deck name and index), to tell when another shows.
  QString m_shownCard;
  bool m_scrollToTop = false;
  QLabel* m_status = nullptr;
  QMenu* m_recentMenu = nullptr;
  QAction* m_removeAction = nullptr;
  QMenu* m_wizardMenu = nullptr;
  QToolBar* m_wizardBar = nullptr;
  QList<QAction*> m_wizardActions;
};

} // namespace tavro::hostapp
