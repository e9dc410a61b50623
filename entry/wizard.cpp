#include "entry/wizard.h"

#include "entry/picture.h"
#include "entry/wizarddialogs.h"
#include "platform/ui/uiservices.h"
#include "resources/resources.h"

#include <map>

namespace tavro {

using namespace com;

namespace {

std::shared_ptr<DialogProvider>& provider() {
  static std::shared_ptr<DialogProvider> p;
  return p;
}

std::map<DialogKind, std::unique_ptr<WizardDialog>>& instances() {
  static std::map<DialogKind, std::unique_ptr<WizardDialog>> dialogs;
  return dialogs;
}

const char* dialogName(DialogKind kind) {
  switch (kind) {
  case DialogKind::Import: return "HTML import wizard";
  case DialogKind::Export: return "export dialog";
  case DialogKind::Image: return "image conversion dialog";
  }
  return "dialog";
}

} // namespace

void installDialogProvider(std::shared_ptr<DialogProvider> p) {
  instances().clear();
  provider() = std::move(p);
}

WizardDialog& dialogInstance(DialogKind kind) {
  auto& dialogs = instances();
  auto it = dialogs.find(kind);
  if (it == dialogs.end()) {
    std::unique_ptr<WizardDialog> dialog = provider() ? provider()->create(kind) : nullptr;
    if (!dialog)
      throw ComError(errCannotCreate, std::string("the ") + dialogName(kind) + " is not available in this build");
    it = dialogs.emplace(kind, std::move(dialog)).first;
  }
  return *it->second;
}

wizard::wizard() : m_wizards(std::make_shared<colWizards>()) {
  m_wizards->Add("Import Document ...", 101, "Import document into current project", "Import", "101");
  m_wizards->Add("Export Document ...", 102, "Export document from current project", "Export", "102");
  m_wizards->Add("Trell Ftp ...", 103, "Ftp Client Utility", "Ftp", "103");
  m_wizards->Add("Image Converter ...", 104, "Convert Images", "Image", "104");
}

const std::vector<Member<wizard>>& wizard::members() {
  static const std::vector<Member<wizard>> table{
      {"AppPath", CallKind::Put,
       [](wizard& w, Args& a) {
         w.AppPath(argument(a, 0).toString());
         return Variant();
       }},
      {"WizardsCollection", CallKind::Get, [](wizard& w, Args&) { return Variant(w.WizardsCollection()); }},
      {"Cancel", CallKind::Get, [](wizard& w, Args&) { return Variant(w.Cancel()); }},
      {"Project", CallKind::PutRef,
       [](wizard& w, Args& a) {
         // Nothing (an empty object reference) clears the project, as Empty does.
         const Variant& v = argument(a, 0);
         w.Project(v.isEmpty() || v.isNothing() ? nullptr : v.toObject());
         return Variant();
       }},
      {"launchWizard", CallKind::Method,
       [](wizard& w, Args& a) { return Variant(w.launchWizard(argument(a, 0).toString())); }},
      {"getIcon", CallKind::Method, [](wizard& w, Args& a) { return Variant(w.getIcon(argument(a, 0).toString())); }},
  };
  return table;
}

bool wizard::projectOrMessage() const {
  if (m_project)
    return true;
  ui::services().msgBox(noProjectText, ui::vbInformation | ui::vbOKOnly, noProjectTitle);
  return false;
}

bool wizard::launchWizard(const std::string& strKey) {
  if (strKey == "Import") {
    if (!projectOrMessage())
      return false;
    WizardDialog& dialog = dialogInstance(DialogKind::Import);
    dialog.setHelpFile(m_project.ApplicationPath() + "/help/prohelp.chm");
    dialog.setProject(m_project.object());
    dialog.showModal();
  } else if (strKey == "Export") {
    if (!projectOrMessage())
      return false;
    if (m_project.Documents().Count() == 0)
      return false;
    WizardDialog& dialog = dialogInstance(DialogKind::Export);
    dialog.setHelpFile(m_project.ApplicationPath() + "/help/prohelp.chm");
    dialog.setProject(m_project.object());
    dialog.showModal();
  } else if (strKey == "Ftp") {
    if (!m_project)
      throw ComError(errObjectNotSet);
    // Whether the client starts is not reported: the host has nothing to do about it.
    ui::services().startProgram(m_project.ApplicationPath() + "/BraskFTP.exe");
  } else if (strKey == "Image") {
    if (!projectOrMessage())
      return false;
    WizardDialog& dialog = dialogInstance(DialogKind::Image);
    dialog.setHelpFile(m_project.ApplicationPath() + "/help/prohelp.chm");
    dialog.setPreviewLocation(m_project.ApplicationPath() + "/tmp.bmp");
    dialog.showModal();
  }
  return false;
}

std::shared_ptr<Picture> wizard::getIcon(const std::string& strWizKey) const {
  auto entry = m_wizards->Item(Variant(strWizKey));
  return std::make_shared<Picture>(resources::find("BITMAP", entry->IconId));
}

} // namespace tavro
