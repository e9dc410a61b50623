#include "addin/classes.h"

#include "entry/colwizards.h"
#include "entry/wizard.h"
#if TAVRO_WITH_GUI
#include "navbar/navbar.h"
#endif
#include "htmlimport/ceventhandler.h"

namespace tavro::addin {

std::vector<com::PublicClass> publicClasses() {
  return {
      {"Tavro.wizard", [] { return com::ObjectPtr(std::make_shared<wizard>()); }},
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
