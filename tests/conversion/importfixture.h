#pragma once
// A project, a copy of the sample pages and a tamed browser with an import engine on it, as
// the wizard has them.

#include "conversion/importengine.h"
#include "host/folderproject.h"
#include "htmlimport/browsertaming.h"
#include "htmlimport/modhtmlimport.h"
#include "platform/html/browser.h"
#include "tests/resources/stylesheets.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tavro::test {

class ImportFixture : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::copy(sourceDir() / "samples" / "pages", dir.path() / "pages",
                          std::filesystem::copy_options::recursive);
    project = host::FolderProject::create(dir.file("project"), "Demo", dir.file("app"));
    freshEngine();
  }

  /// A new engine on the same browser and project, as the next run of the wizard has it.
  void freshEngine() {
    engine = std::make_unique<conversion::ImportEngine>(browser, host::HostProjectRef(project));
    engine->LoadConversionResources();
  }

  std::string page(const std::string& name) const { return dir.file("pages/" + name); }

  /// Opens a page as the wizard does: loaded, tamed, body attributes cleared.
  void open(const std::string& path) {
    ASSERT_TRUE(htmlimport::LoadHtmlFile(path, browser)) << browser.LastError();
    browser.Document()->body()->clearAttributes();
  }

  /// Writes a page into the pages folder and opens it.
  void openMarkup(const std::string& name, const std::string& markup) {
    writeFile(dir.path() / "pages" / name, markup);
    open(page(name));
  }

  /// Converts, builds the preview and checks both went through.
  void convertAndPreview() {
    ASSERT_EQ(engine->ConvertSource(), conversion::StepResult::Done);
    ASSERT_EQ(engine->BuildPreview(), conversion::StepResult::Done);
  }

  /// Moves one name between the lists, as the arrow buttons do, and re-filters the preview.
  void move(conversion::NameList& from, conversion::NameList& to, const std::string& name) {
    for (int i = 0; i < from.ListCount(); ++i)
      from.setSelected(i, from.List(i) == name);
    conversion::ImportEngine::MoveListItems(from, to, true);
    engine->StripRemovedElements(engine->m_html.Preview);
  }

  std::size_t count(const std::string& tag) const { return browser.Document()->getElementsByTagName(tag).size(); }

  TempDir dir;
  ui::ScopedScriptedUi ui;
  html::Browser browser;
  htmlimport::BrowserTaming taming{browser};
  std::shared_ptr<host::FolderProject> project;
  std::unique_ptr<conversion::ImportEngine> engine;
};

} // namespace tavro::test
