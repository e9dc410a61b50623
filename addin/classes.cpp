#include "addin/classes.h"

#include "entry/colwizards.h"
#include "entry/wizard.h"
#include "htmlimport/ceventhandler.h"

namespace tavro::addin {

std::vector<com::PublicClass> publicClasses() {
  return {
      {"Tavro.wizard", [] { return com::ObjectPtr(std::make_shared<wizard>()); }},
      {"Tavro.colWizards", [] { return com::ObjectPtr(std::make_shared<colWizards>()); }},
      {"Tavro.clWizardItem", [] { return com::ObjectPtr(std::make_shared<clWizardItem>()); }},
      {"Tavro.cEventHandler", [] { return com::ObjectPtr(std::make_shared<cEventHandler>()); }},
  };
}

} // namespace tavro::addin
