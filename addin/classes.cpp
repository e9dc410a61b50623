#include "addin/classes.h"

#include "entry/colwizards.h"
#include "entry/wizard.h"
#if TAVRO_WITH_GUI
#include "dialogs/dialogprovider.h"
#include "entry/wizarddialogs.h"
#include "navbar/navbar.h"
#include "platform/qt/qtuiservices.h"

#include <QApplication>
#endif
#include "conversion/ceventhandler.h"

namespace tavro::addin {

namespace {

// Inside a host with a running QApplication the add-in talks to the user through Qt;
// elsewhere (the command line, tests) its messages go to the console.
void useHostWindowing() {
#if TAVRO_WITH_GUI
  static bool installed = false;
  if (!installed && QApplication::instance()) {
    ui::installServices(std::make_shared<qt::QtUiServices>("Tavro"));
    installDialogProvider(std::make_shared<qt::DialogProvider>());
    installed = true;
  }
#endif
}

} // namespace

std::vector<com::PublicClass> publicClasses() {
  return {
    {"Tavro.wizard",
     [] {
       useHostWindowing();
       return com::ObjectPtr(std::make_shared<wizard>());
     }},
        {"Tavro.colWizards", [] { return com::ObjectPtr(std::make_shared<colWizards>()); }},
        {"Tavro.clWizardItem", [] { return com::ObjectPtr(std::make_shared<clWizardItem>()); }},
#if TAVRO_WITH_GUI
        // A widget: it needs the host's running QApplication and raises error 429 without one.
        {"Tavro.NavBar", [] { return NavBar::create(); }},
#endif
        {"Tavro.cEventHandler", [] { return com::ObjectPtr(std::make_shared<cEventHandler>()); }},
  };
}

} // namespace tavro::addin
