#include "htmlimport/importwizardmodel.h"

#include "conversion/frames.h"
#include "conversion/importengine.h"
#include "htmlimport/browsertaming.h"
#include "htmlimport/modhtmlimport.h"
#include "platform/com/comerror.h"
#include "platform/fs/filesystem.h"
#include "platform/html/browser.h"
#include "platform/html/document.h"
#include "platform/ui/uiservices.h"

#include <exception>

namespace tavro::conversion {

namespace {

const std::string caption = "HTML Import Wizard";
const char* const invalidFileText = "The HTML file specified is invalid. Please specify a different HTML file";
const char* const unableToLoadTitle = "Unable to load HTML file";

} // namespace

ImportWizardModel::ImportWizardModel(host::HostProjectRef project)
    : m_project(std::move(project)), m_browser(std::make_shared<html::Browser>()),
      // Tamed from its first page on.
      m_taming(std::make_unique<htmlimport::BrowserTaming>(*m_browser)),
      m_engine(std::make_unique<ImportEngine>(*m_browser, m_project)) {}

ImportWizardModel::~ImportWizardModel() = default;

bool ImportWizardModel::imagesOption() const { return m_engine->imagesOption; }

void ImportWizardModel::setImagesOption(bool on) { m_engine->imagesOption = on; }

void ImportWizardModel::setAddress(const std::string& address) {
  m_address = address;
  if (m_address.empty())
    m_nextEnabled = false;
}

template <class F>
void ImportWizardModel::guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ui::services().msgBox(e.what(), ui::vbCritical | ui::vbOKOnly, caption);
  }
}

// --- The browser ------------------------------------------------------------------------------

std::shared_ptr<html::Document> ImportWizardModel::document() const {
  auto doc = m_browser->Document();
  if (!doc)
    throw com::ComError(com::errObjectNotSet, "the browser shows no document");
  return doc;
}

void ImportWizardModel::WaitForBrowser() {
  // The browser and its document complete before Navigate returns; the window's events only
  // run should that ever not be so.
  auto wait = [this](auto&& busy) {
    while (busy()) {
      if (!letEventsRun)
        throw com::ComError(com::errInvalidCall, "the browser did not complete its page");
      letEventsRun();
    }
  };
  wait([this] { return m_browser->ReadyState() != 4 && m_browser->ReadyState() != 0; });
  wait([this] { return m_browser->Document() && m_browser->Document()->readyState() != "complete"; });
}

void ImportWizardModel::Form_Load() {
  m_browser->Navigate("about:blank");
  m_browser->setOffline(true);
  m_browser->setRegisterAsDropTarget(false);
  WaitForBrowser();
  if (document()->readyState() == "complete")
    ShowIntroPage();
}

std::string ImportWizardModel::introText() {
  return "The HTML Import Wizard will guide you through the steps of importing a HTML"
         " file into a skeleton WML representation. This skeleton WML document will then"
         " be added to your Velmor Professional project.";
}

void ImportWizardModel::ShowIntroPage() {
  auto doc = document();
  if (auto body = doc->body()) {
    body->style().setFontFamily("Arial");
    body->style().setFontSize("12");
  }
  m_strIntroText = introText();
  const std::string guidelines = "Before importing the HTML file please read the guidelines by pressing 'F1'."
                                 " These guidelines give information on how to improve the conversion process.";

  // Built as text nodes, so that nothing in the texts is read as markup.
  auto built = doc->createElement("BODY");
  auto heading = doc->createElement("B");
  heading->appendChild(doc->createTextNode("Import Wizard - Instructions"));
  built->appendChild(heading);
  for (const std::string& paragraph : {m_strIntroText, guidelines}) {
    auto p = doc->createElement("P");
    p->appendChild(doc->createTextNode(paragraph));
    built->appendChild(p);
  }

  m_browser->Navigate("about:blank");
  WaitForBrowser();
  auto body = document()->body();
  body->style().setFontFamily("Arial");
  body->style().setFontSize("12");
  body->setInnerHTML(built->outerHTML());
  WaitForBrowser();
}

bool ImportWizardModel::openAddress() { return htmlimport::LoadHtmlFile(m_address, *m_browser); }

// --- The page flow ----------------------------------------------------------------------------

void ImportWizardModel::NavBarHTMLWizard_OnNavButton(NavButton button) {
  guarded([&] {
    switch (button) {
    case NavButton::Help:
      ui::services().msgBox("Help not available.", ui::vbOKOnly | ui::vbInformation, caption);
      break;
    case NavButton::Back:
      if (m_page != WizardPage::Intro)
        turnTo(WizardPage(int(m_page) - 1));
      break;
    case NavButton::Next:
      if (m_page == WizardPage::Intro || m_page == WizardPage::Load) {
        turnTo(WizardPage(int(m_page) + 1));
      } else if (m_page == WizardPage::Analysis) {
        const auto& state = m_taming->state();
        if (!state.framesShown)
          turnTo(WizardPage::FineTune);
        else if (state.frameSource.empty())
          ui::services().msgBox("Please select a frame before continuing.", ui::vbOKOnly, "");
        else
          turnTo(WizardPage::Load); // leaving the list opens the chosen frame
      }
      break;
    case NavButton::Finish: finish(); break;
    case NavButton::Cancel: cancel(); break;
    }
  });
}

void ImportWizardModel::turnTo(WizardPage newPage) {
  if (newPage == m_page || m_closed)
    return;
  // The page is left whatever happens on the way out; a wizard closed on the way stays put.
  LeavePage(newPage);
  if (m_closed)
    return;
  m_page = newPage;
  EnterPage(newPage);
}

void ImportWizardModel::LeavePage(WizardPage newPage) {
  guarded([&] {
    const bool forward = newPage > m_page;

    // Whatever the page, a frames list that is left gives way to the chosen frame's page.
    auto& state = m_taming->state();
    if (state.framesShown) {
      if (!state.frameSource.empty())
        setAddress(frameAddress(m_address, state.frameSource));
      state.framesShown = false;
      clearElementLists();
    }

    switch (m_page) {
    case WizardPage::Intro:
      if (forward)
        leaveIntroForward();
      break;
    case WizardPage::Load:
      if (forward) {
        leaveLoadForward();
      } else {
        if (auto body = document()->body())
          body->clearAttributes();
        WaitForBrowser();
        if (document()->readyState() == "complete")
          ShowIntroPage();
      }
      break;
    case WizardPage::Analysis:
      if (!forward)
        leaveAnalysisBackward();
      else if (m_engine->BuildPreview() == StepResult::Closed || m_engine->closeRequested())
        close();
      break;
    case WizardPage::FineTune:
      if (!forward) {
        if (auto body = document()->body())
          body->setInnerHTML(m_engine->m_html.AnalysisPage);
        WaitForBrowser();
      }
      break;
    }
  });
}

void ImportWizardModel::leaveIntroForward() {
  {
    ui::BusyPointer busy;
    m_engine->LoadConversionResources();
  }
  m_addressRowVisible = true;

  // Coming back to a page chosen before: open it again, or say that it has gone.
  if (!m_address.empty()) {
    if (openAddress()) {
      m_nextEnabled = true;
      WaitForBrowser();
    } else {
      m_nextEnabled = false;
      m_convertError = true;
      m_engine->ShowFileNotFoundPage();
    }
    return;
  }
  if (auto body = document()->body())
    body->setInnerHTML("");
  WaitForBrowser();
  m_nextEnabled = false;
}

void ImportWizardModel::leaveLoadForward() {
  m_fileName = fs::getBaseName(m_address);
  if (m_fileName.empty()) {
    m_nextEnabled = false;
    return;
  }
  m_nextEnabled = true;
  m_addressRowVisible = false;
  if (auto body = document()->body())
    body->clearAttributes();

  // A frameset: the user picks one frame first.
  const auto frames = document()->getElementsByTagName("FRAME");
  if (!frames.empty()) {
    m_engine->ShowFramesPage(frames);
    m_taming->state().frameSource.clear();
    m_taming->state().framesShown = true;
    return;
  }
  const StepResult result = m_engine->ConvertSource();
  if (result == StepResult::ErrorPage)
    m_convertError = true;
  if (result == StepResult::Closed || m_engine->closeRequested())
    close();
}

void ImportWizardModel::leaveAnalysisBackward() {
  if (!m_address.empty()) {
    if (openAddress())
      m_nextEnabled = true;
    else
      ui::services().msgBox(invalidFileText, ui::vbOKOnly | ui::vbCritical, unableToLoadTitle);
  }
  WaitForBrowser();
  m_addressRowVisible = true;
}

void ImportWizardModel::EnterPage(WizardPage newPage) {
  guarded([&] {
    switch (newPage) {
    case WizardPage::Intro:
      m_backEnabled = false;
      m_nextEnabled = true;
      m_finishEnabled = false;
      break;
    case WizardPage::Load:
      m_backEnabled = true;
      // After an error page Next stays as the way in left it; else it needs a page with content.
      if (!m_convertError)
        m_nextEnabled = !m_address.empty() && [this] {
          auto body = document()->body();
          return body && !body->innerHTML().empty();
        }();
      m_finishEnabled = false;
      m_convertError = false;
      break;
    case WizardPage::Analysis:
      m_backEnabled = true;
      m_nextEnabled = !m_convertError;
      m_finishEnabled = false;
      m_convertError = false;
      break;
    case WizardPage::FineTune:
      m_backEnabled = true;
      m_nextEnabled = false;
      m_finishEnabled = true;
      break;
    }
  });
}

void ImportWizardModel::finish() {
  if (!m_engine->ValidateTargetFile(m_fileName)) {
    // After the "Import Error" message, which says that the wizard shuts down, it does.
    if (m_engine->closeRequested())
      close();
    return;
  }

  // The document is in the project; pictures that could not follow it are told once.
  if (!m_engine->pictureWarnings.empty()) {
    std::string message;
    for (const auto& warning : m_engine->pictureWarnings)
      message += (message.empty() ? "" : "\r\n") + warning;
    ui::services().msgBox(message, ui::vbOKOnly | ui::vbExclamation, caption);
  }
  close();
}

void ImportWizardModel::cancel() {
  guarded([&] {
    if (ui::services().msgBox("Are you sure you want to cancel the wizard?", ui::vbYesNo | ui::vbInformation,
                              caption) == ui::vbYes)
      close();
  });
}

// --- The address row and the element lists ---------------------------------------------------

void ImportWizardModel::clearElementLists() {
  m_engine->lstKnownElements.Clear();
  m_engine->lstRemovedElements.Clear();
}

void ImportWizardModel::cmdBrowse_Click() {
  guarded([&] {
    ui::FileDialogRequest request;
    request.flags = ui::cdlOFNFileMustExist | ui::cdlOFNHideReadOnly;
    request.initialFolder = m_project.ProjectFolder();
    request.filter = "HTM Files (*.htm)|*.htm;*.html";
    setAddress(ui::services().openFile(request).value_or(std::string()));

    if (!m_address.empty()) {
      if (openAddress()) {
        WaitForBrowser();
        m_nextEnabled = true;
      } else {
        ui::services().msgBox(invalidFileText, ui::vbOKOnly | ui::vbCritical, unableToLoadTitle);
      }
    } else {
      ui::services().msgBox("No HTML file was specified. Please specify a HTML file", ui::vbOKOnly | ui::vbCritical,
                            unableToLoadTitle);
    }
    // A new source starts with empty element lists.
    clearElementLists();
  });
}

void ImportWizardModel::cmdRemove_Click() {
  guarded([&] {
    ui::BusyPointer busy;
    ImportEngine::MoveListItems(m_engine->lstKnownElements, m_engine->lstRemovedElements, true);
    m_engine->StripRemovedElements(m_engine->m_html.Preview);
  });
}

void ImportWizardModel::cmdAdd_Click() {
  guarded([&] {
    ui::BusyPointer busy;
    ImportEngine::MoveListItems(m_engine->lstRemovedElements, m_engine->lstKnownElements, true);
    m_engine->StripRemovedElements(m_engine->m_html.Preview);
  });
}

} // namespace tavro::conversion
