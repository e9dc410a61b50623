// tavro export: writes a project's WML documents as HTML files, as the export dialog's OK
// button does, with the same messages. Existing files are only replaced with --overwrite.

#include "app/cli/command.h"

#include "export/exportengine.h"
#include "host/folderproject.h"
#include "platform/fs/filesystem.h"
#include "platform/ui/consoleui.h"
#include "util/parallel.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace tavro::cli {
namespace {

struct ExportOptions {
  std::string project;
  std::vector<std::string> names;
  bool images = false;
  std::string out;
  bool overwrite = false;
  bool pageLinks = false;
  bool inlineWbmp = false;
  int jobs = util::defaultJobs();
};

// The rows to export: the project's list, or the named documents in the order given. A name
// the project does not hold keeps a row of its own, so that it is reported like a document
// that has gone.
std::vector<ExportRow> chooseRows(const host::HostProjectRef& project, const ExportOptions& options,
                                  const std::string& outFolder) {
  std::vector<ExportRow> all = populateFileList(project);
  std::vector<ExportRow> rows;
  if (options.names.empty()) {
    rows = std::move(all);
  } else {
    std::vector<std::string> seen;
    for (const auto& name : options.names) {
      if (std::find(seen.begin(), seen.end(), name) != seen.end())
        continue;
      seen.push_back(name);
      auto it = std::find_if(all.begin(), all.end(), [&](const ExportRow& r) { return r.name == name; });
      ExportRow row;
      if (it != all.end())
        row = *it;
      else
        row.name = name;
      rows.push_back(std::move(row));
    }
  }
  for (auto& row : rows) {
    // Names held by a project are plain file names; anything else never gets a target.
    row.htmlFile = host::isPlainFileName(row.name) ? fs::joinPath(outFolder, row.name + ".html") : std::string();
  }
  return rows;
}

int runExport(const ExportOptions& options) {
  if (options.inlineWbmp && !options.images)
    throw UserError("--inline-wbmp puts into the pages the pictures that --images keeps");
  auto folderProject = host::FolderProject::open(options.project, host::FolderProject::defaultApplicationPath());
  host::HostProjectRef project(folderProject);

  std::string outFolder = project.ProjectFolder();
  if (!options.out.empty()) {
    outFolder = fs::getAbsolutePathName(options.out);
    fs::createFolders(outFolder);
  }

  std::vector<ExportRow> rows = chooseRows(project, options, outFolder);
  if (rows.empty()) {
    std::fprintf(stderr, "Project currently contains no documents\n");
    return exitOk;
  }

  ExportEngine engine(project);
  engine.setConvertImages(options.images);
  engine.setInlineWbmp(options.inlineWbmp);
  if (options.pageLinks) {
    // Every page goes into the one folder, so a page's file name is the link to it.
    std::map<std::string, std::string> pageOfDeck;
    for (const auto& row : rows)
      if (!row.htmlFile.empty())
        pageOfDeck[row.name + ".wml"] = fs::getFileName(row.htmlFile);
    engine.setPageLinks(std::move(pageOfDeck));
  }
  engine.LoadExportStylesheet();
  // The documents are turned into HTML on several threads first; the writes and their
  // questions then come one by one, in row order.
  engine.prepare(rows, options.jobs);

  ui::ScopedConsoleUi console(options.overwrite ? ui::vbYes : ui::vbNo);
  ExportProgress progress;
  if (stderrIsTerminal()) {
    progress = [](const ExportRow& row, int position, int count) {
      std::fprintf(stderr, "[%d/%d] %s -> %s\n", position, count, row.name.c_str(), row.htmlFile.c_str());
    };
  }
  // Say what the engine's messages leave unsaid, right after them: a kept file, and a failure
  // that has no message of its own.
  auto done = [](const ExportRow& row, const ExportRowResult& r) {
    if (r.outcome == ExportOutcome::Declined)
      std::fprintf(stderr, "tavro: '%s' not replaced (use --overwrite to replace it)\n", row.htmlFile.c_str());
    else if (r.outcome == ExportOutcome::NotWritten && !r.error.empty())
      std::fprintf(stderr, "tavro: %s\n", r.error.c_str());
  };
  ExportPassResult result = engine.exportRows(rows, progress, done);
  return result.allWritten() ? exitOk : exitFailure;
}

Registrar exportCommand(HelpPlace::Export, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ExportOptions>();
  auto* cmd = app.add_subcommand("export", "Export a project's WML documents to HTML files");
  cmd->add_option("--project", options->project, "Project folder")->required();
  cmd->add_option("names", options->names, "Documents to export (all when none is named)");
  cmd->add_flag("--images", options->images,
                "Keep pictures (referred to relative to the page where they go together) instead of dropping them");
  cmd->add_option("--out", options->out,
                  "Folder to write NAME.html into, made when missing (default: the project folder)");
  cmd->add_flag("--overwrite", options->overwrite, "Replace HTML files that already exist");
  cmd->add_flag("--page-links", options->pageLinks,
                "Links to a document exported with the page lead to its HTML file, not to its deck");
  cmd->add_flag("--inline-wbmp", options->inlineWbmp,
                "With --images, put each WBMP picture (which browsers do not show) into its page as a PNG");
  addJobsOption(cmd, options->jobs, "documents transformed");
  cmd->callback([options, exitCode] { *exitCode = runExport(*options); });
});

} // namespace
} // namespace tavro::cli
