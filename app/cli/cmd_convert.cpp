// tavro convert PAGE... : the tidy WML of pages. One page goes to standard output (or -o);
// several go to -d DIR, one NAME.wml each, converted on -j threads.

#include "app/cli/command.h"
#include "app/cli/pagesession.h"
#include "util/parallel.h"

#include "platform/fs/filesystem.h"
#include "platform/ui/consoleui.h"

#include <cstdio>
#include <map>

namespace tavro::cli {
namespace {

struct ConvertOptions {
  std::vector<std::string> pages;
  std::string output;
  std::string folder;
  std::string frame;
  int jobs = util::defaultJobs();
};

struct Converted {
  std::string wml;
  std::string messages; // what the page's conversion said, in order
  std::string error;    // why it failed ("" when it did not)
};

// deckFolder: where the deck will be written ("" for standard output), which pictures are
// referenced from.
Converted convertOne(const std::string& page, const std::string& frame, const std::string& deckFolder) {
  Converted result;
  // Each page's messages are collected, so that batches print them in input order.
  ui::ScopedThreadServices console(std::make_shared<ui::ConsoleUi>(ui::vbNo, result.messages));
  try {
    PageSession session(page, frame);
    session.engine().deckFolder = deckFolder;
    session.convert();
    result.wml = session.engine().m_strWml;
    result.messages += session.analysis();
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  return result;
}

int runConvert(const ConvertOptions& o) {
  if (o.pages.size() > 1 && o.folder.empty())
    throw UserError("several pages need -d DIR for their decks");
  if (o.pages.size() > 1 && (!o.output.empty() || !o.frame.empty()))
    throw UserError("-o and --frame take a single page");
  if (!o.folder.empty() && !fs::folderExists(o.folder))
    throw UserError("output folder not found: '" + o.folder + "'");

  if (o.folder.empty()) {
    const bool toFile = !o.output.empty() && o.output != "-";
    Converted c = convertOne(o.pages.front(), o.frame, toFile ? fs::getParentFolderName(fs::getAbsolutePathName(o.output)) : "");
    if (!c.error.empty())
      throw UserError(c.error);
    if (o.output.empty() || o.output == "-")
      std::fwrite(c.wml.data(), 1, c.wml.size(), stdout);
    else
      fs::writeFileAtomic(o.output, c.wml);
    std::fputs(c.messages.c_str(), stderr);
    return exitOk;
  }

  // Two pages with one base name would write one deck: refuse before converting anything.
  std::map<std::string, std::string> targets;
  for (const auto& page : o.pages) {
    const std::string target = fs::joinPath(o.folder, fs::getBaseName(page) + ".wml");
    if (targets.count(target))
      throw UserError("'" + targets[target] + "' and '" + page + "' would both be written to '" + target + "'");
    targets[target] = page;
  }

  std::vector<Converted> results(o.pages.size());
  util::forEachParallel(o.pages.size(), o.jobs, [&](std::size_t i, std::size_t) {
    results[i] = convertOne(o.pages[i], o.frame, o.folder);
    if (results[i].error.empty()) {
      try {
        fs::writeFileAtomic(fs::joinPath(o.folder, fs::getBaseName(o.pages[i]) + ".wml"), results[i].wml);
      } catch (const std::exception& e) {
        results[i].error = e.what();
      }
    }
  });

  int failed = 0;
  const bool progress = stderrIsTerminal();
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (progress)
      std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, results.size(), o.pages[i].c_str());
    if (!results[i].error.empty()) {
      ++failed;
      std::fprintf(stderr, "tavro: %s\n", results[i].error.c_str());
      continue;
    }
    std::fprintf(stderr, "%s:\n%s", o.pages[i].c_str(), results[i].messages.c_str());
  }
  return failed ? exitFailure : exitOk;
}

Registrar convert(50, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ConvertOptions>();
  auto* cmd = app.add_subcommand("convert", "Convert HTML pages into tidy WML decks (the analysis goes to stderr)");
  cmd->add_option("PAGE", options->pages, "the pages, .htm or .html files")->required();
  cmd->add_option("-o,--output", options->output, "write the deck of a single page to this file");
  cmd->add_option("-d,--directory", options->folder, "write each deck to DIR/NAME.wml (needed for several pages)");
  cmd->add_option("--frame", options->frame, "convert this frame (its src) of a frameset page");
  addJobsOption(cmd, options->jobs, "pages converted");
  cmd->callback([options, exitCode] { *exitCode = runConvert(*options); });
});

} // namespace
} // namespace tavro::cli
