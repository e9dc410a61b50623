#pragma once
// The HTML import wizard without a window: its four pages and the flow between them, the
// frame choice of a frameset page, the error state a failed step leaves, and which navigation
// buttons are enabled. The model owns the browser the pages are shown in, the taming handlers
// on it and the import engine; the wizard form maps its controls onto it and redraws them from
// its state after every call. Messages and file dialogs go through the ui services, so the
// whole wizard runs headless under a scripted ui.
//
//   ImportWizardModel wizard(project);
//   wizard.Form_Load();                        // the instructions page
//   wizard.NavBarHTMLWizard_OnNavButton(NavButton::Next);
//   wizard.cmdBrowse_Click();                  // asks for a page and opens it
//   ...
//   if (wizard.closed()) ...                   // finished, cancelled or failed

#include "host/hostproject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tavro::html {
class Browser;
class Document;
} // namespace tavro::html

namespace tavro::htmlimport {
class BrowserTaming;
}

namespace tavro::conversion {

class ImportEngine;

/// The wizard's pages, numbered as its page container numbers them.
enum class WizardPage : int { Intro = 1, Load = 2, Analysis = 3, FineTune = 4 };

/// The buttons of the navigation bar, numbered as the bar reports them.
enum class NavButton : std::int32_t { Help = 0, Back = 1, Next = 2, Finish = 3, Cancel = 4 };

class ImportWizardModel {
public:
  /// A wizard that imports into project, on a browser of its own.
  explicit ImportWizardModel(host::HostProjectRef project);
  ~ImportWizardModel();
  ImportWizardModel(const ImportWizardModel&) = delete;
  ImportWizardModel& operator=(const ImportWizardModel&) = delete;

  /// Lets the window draw and take events while the model waits for the browser. Without it
  /// the browser must be complete whenever the model looks.
  std::function<void()> letEventsRun;

  /// Opens the instructions in a blank, offline browser that takes no drops.
  void Form_Load();

  // The state the window shows.
  WizardPage page() const { return m_page; }
  bool backEnabled() const { return m_backEnabled; }
  bool nextEnabled() const { return m_nextEnabled; }
  bool finishEnabled() const { return m_finishEnabled; }
  /// Whether the address row (label, box, Browse) shows.
  bool addressRowVisible() const { return m_addressRowVisible; }
  /// txtAddress: the page being imported.
  const std::string& address() const { return m_address; }
  /// txtFileName: the name the document gets in the project.
  const std::string& fileName() const { return m_fileName; }
  bool imagesOption() const;
  /// True once the wizard must close: finished, cancelled, or stopped by a fatal error.
  bool closed() const { return m_closed; }

  ImportEngine& engine() { return *m_engine; }
  html::Browser& browser() { return *m_browser; }
  const std::shared_ptr<html::Browser>& sharedBrowser() const { return m_browser; }

  // Changes the user makes to the controls.
  /// txtAddress_Change: an empty address leaves nothing to go on with.
  void setAddress(const std::string& address);
  void setFileName(const std::string& name) { m_fileName = name; }
  void setImagesOption(bool on);

  // Handlers. None throws: a failure is told to the user and the wizard stays as it is.
  void NavBarHTMLWizard_OnNavButton(NavButton button);
  /// Asks for a page with the open dialog and shows it; the element lists start empty.
  void cmdBrowse_Click();
  /// Moves the selected allowed names to the removed list and filters the preview.
  void cmdRemove_Click();
  /// Moves the selected removed names back and filters the preview.
  void cmdAdd_Click();
  /// Asks whether to cancel; Yes closes the wizard.
  void cancel();

  /// Waits until the browser and its document are complete.
  void WaitForBrowser();
  /// Writes the instructions into the browser.
  void ShowIntroPage();
  /// The first paragraph of the instructions.
  static std::string introText();

private:
  template <class F>
  void guarded(F&& handler);
  /// Leaves the selected page for newPage and enters it, as the page container announces a
  /// change; nothing when newPage is already selected.
  void turnTo(WizardPage newPage);
  void LeavePage(WizardPage newPage);
  void EnterPage(WizardPage newPage);
  void leaveIntroForward();
  void leaveLoadForward();
  void leaveAnalysisBackward();
  void finish();
  void close() { m_closed = true; }
  /// Opens the page at the address; false, with the browser unchanged, when it will not load.
  bool openAddress();
  void clearElementLists();
  std::shared_ptr<html::Document> document() const;

  host::HostProjectRef m_project;
  std::shared_ptr<html::Browser> m_browser;
  std::unique_ptr<htmlimport::BrowserTaming> m_taming;
  std::unique_ptr<ImportEngine> m_engine;

  WizardPage m_page = WizardPage::Intro;
  bool m_backEnabled = false;
  bool m_nextEnabled = true;
  bool m_finishEnabled = false;
  bool m_addressRowVisible = false;
  /// The last step showed an error page: the next page entered offers no Next.
  bool m_convertError = false;
  bool m_closed = false;
  std::string m_address;
  std::string m_fileName;
  std::string m_strIntroText;
};

} // namespace tavro::conversion
