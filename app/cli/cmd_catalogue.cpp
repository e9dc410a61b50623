// tavro catalogue: the wizard catalogue, one line per entry.

#include "app/cli/command.h"

#include "entry/wizard.h"
#include "platform/com/enumerator.h"

#include <cstdio>

namespace tavro::cli {
namespace {

Registrar catalogue(HelpPlace::Catalogue, [](CLI::App& app, int* exitCode) {
  auto* cmd = app.add_subcommand("catalogue", "List the wizard catalogue: key, identifier, caption, tooltip, icon");
  cmd->callback([exitCode] {
    auto w = std::make_shared<wizard>();
    auto entries = w->WizardsCollection();
    for (std::int32_t i = 1; i <= entries->Count(); ++i) {
      auto item = entries->Item(com::Variant(int(i)));
      std::printf("%s\t%s\t%s\t%s\t%d\n", entries->keyAt(i).c_str(), item->strID.c_str(), item->Caption.c_str(),
                  item->TooltipText.c_str(), item->IconId);
    }
    *exitCode = exitOk;
  });
});

} // namespace
} // namespace tavro::cli
