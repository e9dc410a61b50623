#pragma once
// frmHTMLImport: the HTML import wizard. Four pages in one page container, one browser view
// shared by all of them, and the navigation bar at the bottom. The form only maps its controls
// onto an ImportWizardModel, which runs the page flow and drives the import engine; after
// every call the controls are redrawn from the model. Every control carries its name as its
// object name (txtAddress, lstKnownElements ...).
//
//   frmHTMLImport form;
//   form.setHelpFile(appPath + "/help/prohelp.chm");
//   form.setProject(project);
//   form.showModal();   // returns when the wizard has closed

#include "entry/wizarddialogs.h"
#include "host/hostproject.h"

#include <QDialog>

#include <memory>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace tavro::html {
class Browser;
}

namespace tavro::conversion {
class ImportEngine;
class ImportWizardModel;
} // namespace tavro::conversion

namespace tavro::qt {
class BrowserView;
class SSActiveTabs;
} // namespace tavro::qt

namespace tavro {

class NavBar;

class frmHTMLImport : public QDialog, public WizardDialog {
  Q_OBJECT

public:
  explicit frmHTMLImport(QWidget* parent = nullptr);
  ~frmHTMLImport() override;

  // What the launcher sets, then showModal.
  /// The help file F1 opens.
  void HelpFile(const std::string& path);
  /// The project the next run imports into.
  void Project(const com::ObjectPtr& project);
  void setHelpFile(const std::string& path) override { HelpFile(path); }
  void setProject(const com::ObjectPtr& project) override { Project(project); }
  /// The import wizard has no preview file; the call changes nothing.
  void setPreviewLocation(const std::string&) override {}
  /// Loads the form, shows it modally and returns once it has been unloaded.
  void showModal() override;

  /// Builds the controls in their design state, makes the model of a new run and opens the
  /// instructions page. showModal does this; tests may load and show the form themselves.
  void Form_Load();
  /// Releases the model and the controls and hides the form; never refused.
  void Form_Unload();
  bool isLoaded() const { return m_content != nullptr; }

  /// The method the frame radio buttons' handler calls by name; it does nothing.
  void Some_Procedure() {}
  /// Lets pending events run until the browser and its document are complete.
  void WaitForBrowser();
  /// Writes the instructions into the browser.
  void ShowIntroPage();

  /// The first paragraph of the instructions.
  static std::string introText();

  // The working objects of a loaded form (null otherwise), for the launcher's tests.
  conversion::ImportEngine* engine() const;
  html::Browser* browser() const;
  qt::BrowserView* browserView() const { return wbBrowser; }
  qt::SSActiveTabs* pages() const { return SSActiveTabsHTML; }
  NavBar* navBar() const { return NavBarHTMLWizard; }

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void buildControls();
  QWidget* buildPage(const QString& name, const QString& pictureName, QLabel*& title, const QString& titleText,
                     QLabel*& subTitle, const QString& subTitleText);
  void placeBrowser(int page);
  /// Hands a control event to the model, then closes the wizard or redraws the controls.
  template <class F>
  void run(F&& call);
  /// Redraws every control from the model without raising the controls' own handlers.
  void showState();

  host::HostProjectRef m_project;
  std::unique_ptr<conversion::ImportWizardModel> m_model; // one run, from Form_Load to Form_Unload

  // The controls of one run.
  QWidget* m_content = nullptr;
  qt::SSActiveTabs* SSActiveTabsHTML = nullptr;
  QWidget* SSActiveTabIntro = nullptr;
  QWidget* SSActiveTabLoad = nullptr;
  QWidget* SSActiveTabAnalysis = nullptr;
  QWidget* SSActiveTabFinish = nullptr;
  QWidget* SSActiveTabFrames = nullptr;
  QLabel* lblIntroTitle = nullptr;
  QLabel* lblIntroSubTitle = nullptr;
  QLabel* lblLoadTitle = nullptr;
  QLabel* lblLoadSubTitle = nullptr;
  QLabel* lblAnalysisTitle = nullptr;
  QLabel* lblAnalysisSubTitle = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* lblAddress = nullptr;
  QLineEdit* txtAddress = nullptr;
  QPushButton* cmdBrowse = nullptr;
  QFrame* frmAllowrd = nullptr;
  QLabel* lblAllowed = nullptr;
  QListWidget* lstKnownElements = nullptr;
  QPushButton* cmdRemove = nullptr;
  QPushButton* cmdAdd = nullptr;
  QLabel* lblRemoved = nullptr;
  QListWidget* lstRemovedElements = nullptr;
  QCheckBox* chkImages = nullptr;
  QLabel* lblFileSave = nullptr;
  QLineEdit* txtFileName = nullptr;
  qt::BrowserView* wbBrowser = nullptr;
  NavBar* NavBarHTMLWizard = nullptr;
  QVBoxLayout* m_browserSlot[5] = {}; // by page number
};

} // namespace tavro
