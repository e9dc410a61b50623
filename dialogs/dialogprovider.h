#pragma once
// The dialogs the launcher shows, made with Qt: the import wizard, the export dialog and the
// image conversion dialog behind the launcher's small interface. Install it once a
// QApplication runs:
//
//   installDialogProvider(std::make_shared<qt::DialogProvider>());

#include "entry/wizarddialogs.h"

namespace tavro::qt {

class DialogProvider : public tavro::DialogProvider {
public:
  /// A new dialog of that kind.
  std::unique_ptr<WizardDialog> create(DialogKind kind) override;
};

} // namespace tavro::qt
