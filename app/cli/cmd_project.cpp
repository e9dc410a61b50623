// tavro project new|list|add|check: make a project folder, list its documents, add a WML deck,
// check that every deck is one a phone takes.

#include "app/cli/command.h"

#include "host/folderproject.h"
#include "platform/fs/filesystem.h"
#include "platform/xml/xmldocument.h"

#include <cstdio>
#include <vector>

namespace tavro::cli {
namespace {

struct ProjectOptions {
  std::string folder;
  std::string name;
  std::string file;
  std::size_t maxDeck = 0;
};

int projectNew(const ProjectOptions& o) {
  auto project = host::FolderProject::create(o.folder, o.name, host::FolderProject::defaultApplicationPath());
  std::printf("%s\n", project->manifestPath().c_str());
  return exitOk;
}

int projectList(const ProjectOptions& o) {
  auto project = host::FolderProject::open(o.folder, host::FolderProject::defaultApplicationPath());
  for (const auto& d : project->documents())
    std::printf("%s\t%s\n", d.name.c_str(), d.type.c_str());
  return exitOk;
}

int projectAdd(const ProjectOptions& o) {
  auto project = host::FolderProject::open(o.folder, host::FolderProject::defaultApplicationPath());
  requireFile(o.file, "a WML deck");
  if (fs::getExtensionName(o.file) != "wml")
    throw UserError("not a WML deck (the name must end in .wml): '" + o.file + "'");

  // Check the deck before anything is copied, so a bad file leaves the project as it was.
  xml::XmlDocument deck;
  if (!deck.load(o.file)) {
    const auto& e = deck.parseError();
    throw UserError("'" + o.file + "' is not well-formed XML" +
                    (e.line ? " (line " + std::to_string(e.line) + ")" : std::string()) + ": " + e.reason);
  }
  const std::string name = fs::getBaseName(o.file);
  const std::string target = fs::joinPath(project->ProjectFolder(), name + ".wml");
  if (fs::getAbsolutePathName(o.file) != target) {
    if (fs::fileExists(target))
      throw UserError("the project folder already holds '" + target + "'; it is not overwritten");
    fs::copyFile(o.file, target, false);
  }
  if (!project->AddDocument(name))
    throw UserError("cannot add '" + name + "' to the project in '" + project->ProjectFolder() + "'");
  std::printf("%s\twml\n", name.c_str());
  return exitOk;
}

// Each deck of the project, in its order, valid WML 1.1 and compiled under the limit: its name
// and compiled size on standard output, or what is wrong with it on standard error. The other
// documents (pictures ...) are not decks and are left alone.
int projectCheck(const ProjectOptions& o) {
  auto project = host::FolderProject::open(o.folder, host::FolderProject::defaultApplicationPath());
  std::vector<std::string> decks;
  for (const auto& d : project->documents())
    if (d.type == "wml")
      decks.push_back(d.name);
  return reportBatch(decks.size(), [&](std::size_t i) -> std::string {
    const std::string path = fs::joinPath(project->ProjectFolder(), decks[i] + ".wml");
    std::string compiled;
    try {
      requireFile(path, "a WML deck");
      compiled = compileCheckedDeck(path, fs::readFile(path, xml::maxDocumentBytes));
    } catch (const std::exception& e) { // each names the deck's file
      return e.what();
    }
    if (o.maxDeck && compiled.size() > o.maxDeck)
      return path + ": " + std::to_string(compiled.size()) + " bytes compiled, over the limit of " +
             std::to_string(o.maxDeck);
    std::printf("%s\t%zu\n", decks[i].c_str(), compiled.size());
    return "";
  });
}

Registrar project(HelpPlace::Project, [](CLI::App& app, int* exitCode) {
  auto options = std::make_shared<ProjectOptions>();
  auto* cmd = app.add_subcommand("project", "Make a project folder, list its documents, add a WML deck");
  cmd->require_subcommand(1);

  auto* create = cmd->add_subcommand("new", "Make a new, empty project in DIR named NAME");
  create->add_option("DIR", options->folder, "project folder (made when missing)")->required();
  create->add_option("NAME", options->name, "project name")->required();
  create->callback([options, exitCode] { *exitCode = projectNew(*options); });

  auto* list = cmd->add_subcommand("list", "List the documents of the project in DIR: name and type");
  list->add_option("DIR", options->folder, "project folder")->required();
  list->callback([options, exitCode] { *exitCode = projectList(*options); });

  auto* add = cmd->add_subcommand("add", "Copy a WML deck into the project in DIR (unless it is there) and add it");
  add->add_option("DIR", options->folder, "project folder")->required();
  add->add_option("FILE", options->file, "the deck, NAME.wml")->required();
  add->callback([options, exitCode] { *exitCode = projectAdd(*options); });

  auto* check = cmd->add_subcommand(
      "check", "Check that each deck of the project in DIR is valid WML 1.1: name and compiled size, or its fault");
  check->add_option("DIR", options->folder, "project folder")->required();
  check->add_option("--max-deck", options->maxDeck, "the most WBXML a phone takes: a deck compiled to more is a fault")
      ->check(CLI::Range(std::size_t(1), std::size_t(1) << 30))
      ->option_text("BYTES");
  check->callback([options, exitCode] { *exitCode = projectCheck(*options); });
});

} // namespace
} // namespace tavro::cli
