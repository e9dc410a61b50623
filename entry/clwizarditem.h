#pragma once
// One entry of the wizard catalogue: caption, icon number, tooltip and the wizard key.

#include "platform/com/dispatch.h"

namespace tavro {

class clWizardItem : public com::Automation<clWizardItem> {
public:
  static std::string className() { return "clWizardItem"; }
  static const std::vector<com::Member<clWizardItem>>& members();

  std::string Caption;
  std::int32_t IconId = 0;
  std::string TooltipText;
  std::string strID;
};

} // namespace tavro
