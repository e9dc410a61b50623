#pragma once
// frmHTMLImport: the HTML import wizard. Four pages in one page container, one browser view
// shared by all of them, and the navigation bar at the bottom. The form runs the page flow
// and maps its controls onto the import engine, which does the conversion and the checks.
// Every control carries its name as its object name (txtAddress, lstKnownElements ...).
//
//   frmHTMLImport form;
//   form.setHelpFile(appPath + "/help/prohelp.chm");
//   form.setProject(project);
//   form.showModal();   // returns when the wizard has closed

#include "entry/wizarddialogs.h"
#include "host/hostproject.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace tavro::html {
class Browser;
class Document;
} // namespace tavro::html

namespace tavro::htmlimport {
class BrowserTaming;
}

namespace tavro::conversion {
class ImportEngine;
class NameList;
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
  /// The pages, as the page container numbers them.
  enum Page : int { IntroPage = 1, LoadPage = 2, AnalysisPage = 3, FinishPage = 4 };

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

  /// Builds the controls in their design state, opens the instructions page and makes the
  /// working objects. showModal does this; tests may load and show the form themselves.
  void Form_Load();
  /// Releases the working objects and the controls and hides the form; never refused.
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
  conversion::ImportEngine* engine() const { return m_engine.get(); }
  html::Browser* browser() const { return m_browser.get(); }
  qt::BrowserView* browserView() const { return wbBrowser; }
  qt::SSActiveTabs* pages() const { return SSActiveTabsHTML; }
  NavBar* navBar() const { return NavBarHTMLWizard; }

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  // Building the controls.
  void buildControls();
  QWidget* buildPage(const QString& name, const QString& pictureName, QLabel*& title, const QString& titleText,
                     QLabel*& subTitle, const QString& subTitleText);
  void connectLists();
  void placeBrowser(int page);

  // The page flow.
  void NavBarHTMLWizard_OnNavButton(std::int32_t Button);
  void LeavePage(int NewTab);
  void EnterPage(int NewTab);
  void leaveIntroForward();
  void leaveLoadForward();
  void leaveAnalysisBackward();
  void finish();
  void cancel();

  // The address row and the element lists.
  void cmdBrowse_Click();
  void txtAddress_Change();
  void cmdRemove_Click();
  void cmdAdd_Click();
  void setAddressRowVisible(bool visible);
  void clearElementLists();

  /// Runs a handler; a failure is told to the user and the form stays as it is.
  template <class F>
  void guarded(F&& handler);
  void clearBodyAttributes();
  std::shared_ptr<html::Document> document() const;
  std::string bodyInnerHtml() const;
  int selectedPage() const;

  host::HostProjectRef m_project;

  // The working objects of one run, made by Form_Load and released by Form_Unload.
  std::shared_ptr<html::Browser> m_browser;
  std::unique_ptr<htmlimport::BrowserTaming> m_taming;
  std::unique_ptr<conversion::ImportEngine> m_engine;
  std::string m_strIntroText;
  bool m_unloading = false;
  std::vector<std::unique_ptr<QObject>> m_listMappings; // list boxes kept showing the engine's lists

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
