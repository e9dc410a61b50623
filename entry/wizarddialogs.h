#pragma once
// The launcher reaches the three dialogs through this small interface: create once, set the
// help file, then the project (or the preview location), then show modally. The GUI library
// installs a provider that makes the real dialogs.

#include "platform/com/dispatch.h"

#include <memory>
#include <string>

namespace tavro {

enum class DialogKind { Import, Export, Image };

class WizardDialog {
public:
  virtual ~WizardDialog() = default;
  virtual void setHelpFile(const std::string& path) = 0;
  virtual void setProject(const com::ObjectPtr& project) = 0;
  virtual void setPreviewLocation(const std::string& path) = 0;
  virtual void showModal() = 0;
};

class DialogProvider {
public:
  virtual ~DialogProvider() = default;
  /// A new dialog of that kind, or nullptr when this build has none.
  virtual std::unique_ptr<WizardDialog> create(DialogKind kind) = 0;
};

/// Installs the provider and forgets the dialogs made so far.
void installDialogProvider(std::shared_ptr<DialogProvider> provider);

/// The single dialog of that kind, made on first use and kept while the library is loaded.
/// Raises error 429 naming the dialog when no provider can make it.
WizardDialog& dialogInstance(DialogKind kind);

} // namespace tavro
