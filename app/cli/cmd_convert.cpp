// tavro convert PAGE.html [-o OUT.wml] [--frame SRC]: the tidy WML of a page.

#include "app/cli/command.h"
#include "app/cli/pagesession.h"

#include "platform/fs/filesystem.h"

#include <cstdio>

namespace tavro::cli {
namespace {

struct ConvertOptions {
  std::string page;
  std::string output;
  std::string frame;
};

int runConvert(const ConvertOptions& o) {
  PageSession session(o.page, o.frame);
  session.convert();
  const std::string& wml = session.engine().m_strWml;
  if (o.output.empty() || o.output == "-") {
    std::fwrite(wml.data(), 1, wml.size(), stdout);
  } else {
    fs::writeFileAtomic(o.output, wml);
  }
  session.printAnalysis();
  return exitOk;
}

Registrar convert(50, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ConvertOptions>();
  auto* cmd = app.add_subcommand("convert", "Convert an HTML page into a tidy WML deck (the analysis goes to stderr)");
  cmd->add_option("PAGE", options->page, "the page, a .htm or .html file")->required();
  cmd->add_option("-o,--output", options->output, "write the deck to this file instead of standard output");
  cmd->add_option("--frame", options->frame, "convert this frame (its src) of a frameset page");
  cmd->callback([options, exitCode] { *exitCode = runConvert(*options); });
});

} // namespace
} // namespace tavro::cli
