// tavro import PAGE.html --project DIR ...: the whole import wizard's road without a window.
// tavro import FOLDER | PAGE... --project DIR: a whole site, each page a deck of the project.

#include "app/cli/command.h"
#include "app/cli/pagesession.h"

#include "host/folderproject.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/consoleui.h"
#include "util/parallel.h"
#include "util/text.h"

#include <cstdio>
#include <filesystem>

namespace tavro::cli {
namespace {

struct ImportOptions {
  std::vector<std::string> pages;
  std::string page;
  std::string project;
  std::string name;
  std::string frame;
  std::string strip;
  bool images = false;
  bool overwrite = false;
  int threshold = 128;
  std::string dither = "none";
  int pictureWidth = 0;
  bool keepLinks = false;
  bool unwrapLayout = false;
  std::size_t maxDeck = 0;
  int jobs = util::defaultJobs();
};

int ditherMode(const std::string& name) {
  const char* modes[] = {"none", "random", "matrix-display", "matrix-printing", "floyd"};
  for (int i = 0; i < 5; ++i) {
    if (name == modes[i])
      return i;
  }
  throw UserError("unknown dither '" + name + "' (none, random, matrix-display, matrix-printing, floyd)");
}

images::ConversionOptions pictureOptions(const ImportOptions& o, int dither) {
  images::ConversionOptions options;
  options.threshold = o.threshold;
  options.dither = dither;
  options.maxWidth = o.pictureWidth;
  return options;
}

// Many pages, or every page below a folder: one deck each, the links between them kept.
int runSiteImport(const ImportOptions& o, int dither) {
  if (!o.name.empty() || !o.frame.empty() || !o.strip.empty())
    throw UserError("--name, --frame and --strip take a single page");
  auto project = host::FolderProject::open(o.project, host::FolderProject::defaultApplicationPath());
  std::unique_ptr<conversion::SiteMap> site;
  try {
    if (o.pages.size() == 1)
      site = std::make_unique<conversion::SiteMap>(conversion::SiteMap::ofFolder(o.pages[0]));
    else
      site = std::make_unique<conversion::SiteMap>(
          conversion::SiteMap::ofPages(std::vector<std::filesystem::path>(o.pages.begin(), o.pages.end())));
  } catch (const std::runtime_error& e) {
    throw UserError(e.what());
  }
  if (site->pages().empty())
    throw UserError("no .htm or .html pages below '" + o.pages[0] + "'");

  ui::ScopedConsoleUi console(o.overwrite ? ui::vbYes : ui::vbNo);
  conversion::SiteImportOptions options;
  options.overwrite = o.overwrite;
  options.keepLinks = o.keepLinks;
  options.images = o.images;
  options.pictures = pictureOptions(o, dither);
  options.jobs = o.jobs;
  options.maxDeckBytes = o.maxDeck;
  const auto open = [&o](const std::string& path, host::HostProjectRef into) {
    auto session = std::make_unique<PageSession>(path, std::move(into));
    session->engine().unwrapLayout = o.unwrapLayout;
    return session;
  };
  conversion::SiteImportResult result;
  {
    ProgressLine progress(site->pages().size());
    options.progress = [&progress](std::size_t, std::size_t, const conversion::SitePage& page) {
      progress.finished(page.relative);
    };
    ProgressLine splitting(site->pages().size());
    options.splitProgress = [&splitting](std::size_t, std::size_t, const conversion::SitePage& page) {
      splitting.finished("split " + page.relative);
    };
    result = conversion::importSite(*site, host::HostProjectRef(project), open, options);
  }
  for (const auto& name : result.imported)
    std::printf("%s\n", fs::joinPath(project->ProjectFolder(), name + ".wml").c_str());
  for (const auto& said : result.messages)
    std::fprintf(stderr, "%s:\n%s", said.page.c_str(), said.text.c_str());
  for (const auto& warning : result.warnings)
    std::fprintf(stderr, "tavro: %s\n", warning.c_str());
  for (const auto& failure : result.failed)
    std::fprintf(stderr, "tavro: %s: %s\n", failure.page.c_str(), failure.why.c_str());
  // Split pages give more decks than pages: both counts are said then.
  const std::string decks = result.imported.size() == result.pagesImported
                                ? std::string()
                                : " as " + std::to_string(result.imported.size()) + " decks";
  std::fprintf(stderr, "%zu pages imported%s, %zu failed, %zu pictures converted\n", result.pagesImported,
               decks.c_str(), result.failed.size(), result.pictures);
  return result.failed.empty() ? exitOk : exitFailure;
}

int runImport(ImportOptions o) {
  const int dither = ditherMode(o.dither);
  if (o.pictureWidth > 0 && !o.images)
    throw UserError("--picture-width sizes the pictures that --images converts");
  std::error_code ec;
  if (o.pages.size() > 1 || std::filesystem::is_directory(o.pages[0], ec))
    return runSiteImport(o, dither);
  o.page = o.pages[0];
  auto project = host::FolderProject::open(o.project, host::FolderProject::defaultApplicationPath());

  // Questions are answered as the options say; every message goes to standard error.
  ui::ScopedConsoleUi console(o.overwrite ? ui::vbYes : ui::vbNo);

  PageSession session(o.page, o.frame, host::HostProjectRef(project));
  auto& engine = session.engine();
  engine.unwrapLayout = o.unwrapLayout;
  session.convert();
  // The preview is what element kinds are stripped from; without any, the deck goes as it is.
  if (!util::trim(o.strip).empty() && engine.BuildPreview() != conversion::StepResult::Done)
    throw UserError("the preview of '" + session.address() + "' could not be built");

  // Element kinds to strip, as the fine-tune page moves them from Allowed to Removed.
  std::string_view rest = o.strip;
  while (!rest.empty()) {
    auto comma = rest.find(',');
    std::string name = util::toLower(util::trim(rest.substr(0, comma)));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (name.empty())
      continue;
    auto& allowed = engine.lstKnownElements;
    int index = -1;
    for (int i = 0; i < allowed.ListCount(); ++i)
      index = allowed.List(i) == name ? i : index;
    if (index < 0) {
      std::fprintf(stderr, "tavro: '%s' is not among the element kinds this page lets you strip; ignored\n",
                   name.c_str());
      continue;
    }
    allowed.setListIndex(index);
    conversion::ImportEngine::MoveListItems(allowed, engine.lstRemovedElements, true);
    engine.StripRemovedElements(engine.m_html.Preview);
  }

  engine.imagesOption = o.images;
  engine.pictureOptions = pictureOptions(o, dither);
  engine.maxDeckBytes = o.maxDeck;
  const std::string name = o.name.empty() ? fs::getBaseName(session.address()) : o.name;
  const bool imported = engine.ValidateTargetFile(name);
  for (const auto& warning : engine.pictureWarnings)
    std::fprintf(stderr, "tavro: %s\n", warning.c_str());
  if (!imported)
    return exitFailure;
  std::fputs(compiledSize(engine.m_strWml).c_str(), stderr);
  std::fputs(splitSummary(engine.writtenDecks, engine.splitNote).c_str(), stderr);
  for (const auto& deck : engine.writtenDecks)
    std::printf("%s\n", (project->ProjectFolder() + "/" + deck.name + ".wml").c_str());
  return exitOk;
}

Registrar import(HelpPlace::Import, [](CLI::App& app, int* exitCode) {
  auto o = std::make_shared<ImportOptions>();
  auto* cmd = app.add_subcommand("import", "Import an HTML page into a project as a WML deck, as the wizard does");
  cmd->add_option("PAGE", o->pages, "the page (a .htm or .html file); several pages, or a folder, import a site")
      ->required();
  cmd->add_option("--project", o->project, "the project folder")->required();
  cmd->add_option("--name", o->name, "the document's name (default: the page's base name)");
  cmd->add_option("--frame", o->frame, "import this frame (its src) of a frameset page");
  cmd->add_option("--strip", o->strip, "element kinds to leave out, separated by commas (e.g. table,img)");
  cmd->add_flag("--images", o->images, "put the pictures, as WBMP, in the project's images folder");
  cmd->add_flag("--overwrite", o->overwrite, "replace a .wml file of that name in the project folder");
  cmd->add_option("--threshold", o->threshold, "grey level from which pictures turn white (0-255)")
      ->check(CLI::Range(0, 255));
  cmd->add_option("--dither", o->dither, "none, random, matrix-display, matrix-printing or floyd");
  cmd->add_option("--picture-width", o->pictureWidth,
                  "shrink pictures wider than this many pixels to it, keeping their proportions (a phone: ~100)")
      ->check(CLI::Range(1, 10000));
  cmd->add_flag("--keep-links", o->keepLinks, "a site: leave every link as the page wrote it");
  addMaxDeckOption(cmd, o->maxDeck);
  addUnwrapLayoutOption(cmd, o->unwrapLayout);
  addJobsOption(cmd, o->jobs, "pages converted");
  cmd->callback([o, exitCode] { *exitCode = runImport(*o); });
});

} // namespace
} // namespace tavro::cli
