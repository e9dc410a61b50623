#pragma once
// The stand-in host's main window: a project folder's documents, and the add-in's wizards as
// a menu and a toolbar built from its catalogue.

#include "platform/com/dispatch.h"

#include <QMainWindow>

#include <memory>

class QListWidget;
class QMenu;
class QToolBar;
class QLabel;

namespace tavro::host {
class FolderProject;
}

namespace tavro::hostapp {

class HostWindow : public QMainWindow {
  Q_OBJECT

public:
  /// wizard is the add-in's Tavro.wizard object; applicationPath the host's own folder.
  HostWindow(com::ObjectPtr wizard, std::string applicationPath, QWidget* parent = nullptr);

  /// Opens the project in folder; shows a message and keeps the current one when it cannot.
  bool openProject(const QString& folder);
  /// The folder of the open project ("" when none).
  QString projectFolder() const;
  /// The wizard actions, in catalogue order (for tests).
  QList<QAction*> wizardActions() const { return m_wizardActions; }
  QListWidget* documentList() const { return m_documents; }

private slots:
  void newProject();
  void chooseProject();
  void showDocument();

private:
  void buildWizardMenu();
  void launch(const QString& strID);
  void refreshDocuments();

  com::ObjectPtr m_wizard;
  std::string m_applicationPath;
  std::shared_ptr<host::FolderProject> m_project;
  QListWidget* m_documents = nullptr;
  QLabel* m_status = nullptr;
  QMenu* m_wizardMenu = nullptr;
  QToolBar* m_wizardBar = nullptr;
  QList<QAction*> m_wizardActions;
};

} // namespace tavro::hostapp
