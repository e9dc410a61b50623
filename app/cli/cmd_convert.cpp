// tavro convert PAGE... : the tidy WML of pages. One page goes to standard output (or -o);
// several go to -d DIR, one NAME.wml each, converted on -j threads.

#include "app/cli/command.h"
#include "app/cli/pagesession.h"
#include "decks/split.h"
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
  std::size_t maxDeck = 0;
  bool unwrapLayout = false;
  int jobs = util::defaultJobs();
};

struct Converted {
  std::vector<decks::DeckPart> decks; // one, or the parts of a deck over the size limit
  std::string messages;               // what the page's conversion said, in order
  std::string error;                  // why it failed ("" when it did not)
};

// deckFolder: where the deck will be written ("" for standard output), which pictures are
// referenced from; name: the deck's name, which the parts of a split deck are named after;
// splitting: told how far the split has gone.
Converted convertOne(const std::string& page, const std::string& deckFolder, const std::string& name,
                     const ConvertOptions& o, const decks::SplitProgress& splitting = {}) {
  Converted result;
  // Each page's messages are collected, so that batches print them in input order.
  ui::ScopedThreadServices console(std::make_shared<ui::ConsoleUi>(ui::vbNo, result.messages));
  try {
    PageSession session(page, o.frame);
    session.engine().deckFolder = deckFolder;
    session.engine().unwrapLayout = o.unwrapLayout;
    session.convert();
    result.decks = {{name, session.engine().m_strWml}};
    result.messages += session.analysis();
    if (o.maxDeck > 0) {
      const decks::SplitDeck split = decks::splitDeck(session.engine().m_strWml, name, o.maxDeck, splitting);
      result.decks = split.parts;
      result.messages += splitSummary(result.decks, decks::unsentNote(split, o.maxDeck));
    }
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  return result;
}

// A long page takes a while to split: the share of it packed so far, on the progress line.
decks::SplitProgress splitShare(ProgressLine& line, const std::string& page) {
  return [&line, name = "split " + fs::getFileName(page)](std::size_t placed, std::size_t total) {
    line.share(name, placed, total);
  };
}

// Where each deck of a page goes: the first to first, the others beside it.
std::vector<std::pair<std::string, std::string>> filesOf(const std::vector<decks::DeckPart>& parts,
                                                         const std::string& first) {
  std::vector<std::pair<std::string, std::string>> files{{first, parts[0].text}};
  const std::string folder = fs::getParentFolderName(fs::getAbsolutePathName(first));
  for (std::size_t i = 1; i < parts.size(); ++i)
    files.emplace_back(fs::joinPath(folder, parts[i].name + ".wml"), parts[i].text);
  return files;
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
    Converted c;
    {
      ProgressLine progress(1);
      c = convertOne(o.pages.front(), toFile ? fs::getParentFolderName(fs::getAbsolutePathName(o.output)) : "",
                     fs::getBaseName(toFile ? o.output : o.pages.front()), o, splitShare(progress, o.pages[0]));
    }
    if (!c.error.empty())
      throw UserError(c.error);
    if (toFile) {
      fs::writeFilesAtomic(filesOf(c.decks, o.output));
    } else if (c.decks.size() > 1) {
      std::fputs(c.messages.c_str(), stderr);
      throw UserError("the deck is split into " + std::to_string(c.decks.size()) +
                      " decks, which need -o FILE or -d DIR");
    } else {
      std::fwrite(c.decks[0].text.data(), 1, c.decks[0].text.size(), stdout);
    }
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
  {
    ProgressLine progress(o.pages.size());
    // Pages split side by side would share the line: only a single page shows its share.
    const auto splitting = o.pages.size() == 1 ? splitShare(progress, o.pages[0]) : decks::SplitProgress();
    util::forEachParallel(o.pages.size(), o.jobs, [&](std::size_t i, std::size_t) {
      results[i] = convertOne(o.pages[i], o.folder, fs::getBaseName(o.pages[i]), o, splitting);
      progress.finished(fs::getFileName(o.pages[i]));
    });
  }
  // The parts of a split deck must not take the file of another page's deck either.
  for (std::size_t i = 0; i < results.size(); ++i) {
    for (std::size_t k = 1; k < results[i].decks.size() && results[i].error.empty(); ++k) {
      const std::string target = fs::joinPath(o.folder, results[i].decks[k].name + ".wml");
      if (targets.count(target))
        results[i].error =
            "'" + targets[target] + "' and '" + o.pages[i] + "' would both be written to '" + target + "'";
      targets[target] = o.pages[i];
    }
  }
  util::forEachParallel(o.pages.size(), o.jobs, [&](std::size_t i, std::size_t) {
    if (!results[i].error.empty())
      return;
    try {
      fs::writeFilesAtomic(filesOf(results[i].decks, fs::joinPath(o.folder, fs::getBaseName(o.pages[i]) + ".wml")));
    } catch (const std::exception& e) {
      results[i].error = e.what();
    }
  });

  return reportBatch(results.size(), [&](std::size_t i) {
    if (results[i].error.empty())
      std::fprintf(stderr, "%s:\n%s", o.pages[i].c_str(), results[i].messages.c_str());
    return results[i].error;
  });
}

Registrar convert(HelpPlace::Convert, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ConvertOptions>();
  auto* cmd = app.add_subcommand("convert", "Convert HTML pages into tidy WML decks (the analysis goes to stderr)");
  cmd->add_option("PAGE", options->pages, "the pages, .htm or .html files")->required();
  cmd->add_option("-o,--output", options->output, "write the deck of a single page to this file");
  cmd->add_option("-d,--directory", options->folder, "write each deck to DIR/NAME.wml (needed for several pages)");
  cmd->add_option("--frame", options->frame, "convert this frame (its src) of a frameset page");
  addMaxDeckOption(cmd, options->maxDeck);
  addUnwrapLayoutOption(cmd, options->unwrapLayout);
  addJobsOption(cmd, options->jobs, "pages converted");
  cmd->callback([options, exitCode] { *exitCode = runConvert(*options); });
});

} // namespace
} // namespace tavro::cli
