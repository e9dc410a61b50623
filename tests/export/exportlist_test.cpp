#include "export/exportengine.h"
#include "export/exportlist.h"
#include "tests/export/exporttestsupport.h"
#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

using namespace tavro;
using test::TempDir;

TEST(ExportList, OneTickedRowPerDocumentInProjectOrder) {
  TempDir dir;
  auto project = test::makeProject(dir.str(), {{"index", test::deck("A", "")}, {"about", test::deck("B", "")}});
  EXPECT_EQ(populateFileList(project),
            (std::vector<ExportRow>{{dir.file("index.wml"), "index", "wml Document", dir.file("index.html"), true},
                                    {dir.file("about.wml"), "about", "wml Document", dir.file("about.html"), true}}));
}

TEST(ExportList, TargetIsFolderBaseNameAndHtm) {
  EXPECT_EQ(exportTargetFor("/out/page.html", "/site"), "/out/page.htm");
  EXPECT_EQ(exportTargetFor("/out/my.page", "/site"), "/out/my.htm");
  // A file in the root folder: the root's separator is trimmed, then put back by the join.
  EXPECT_EQ(exportTargetFor("/page.html", "/site"), "/page.htm");
  // Separators doubled before the name are trimmed from the folder.
  EXPECT_EQ(exportTargetFor("/out///page.html", "/site"), "/out/page.htm");
  EXPECT_EQ(exportTargetFor("//page.html", "/site"), "/page.htm");
  // A relative choice is taken from the folder the dialog opened in.
  EXPECT_EQ(exportTargetFor("sub/page.txt", "/site"), "/site/sub/page.htm");
  // No file named: nothing.
  for (const char* chosen : {"/", "/out/", "/out/.html", ""})
    EXPECT_EQ(exportTargetFor(chosen, "/site"), std::nullopt) << chosen;
  EXPECT_EQ(exportTargetFor("page.html", ""), std::nullopt);
}

TEST(ExportList, BrowseFileAsksInTheProjectFolderAndStoresTheRule) {
  TempDir dir;
  auto project = test::makeProject(dir.str(), {});
  ExportEngine engine(project);
  ui::ScopedScriptedUi ui;
  ui->fileAnswers = {std::string("/out/page.html"), std::nullopt, std::string("/")};

  std::string path = "/site/index.html";
  EXPECT_TRUE(engine.BrowseFile(path));
  EXPECT_EQ(path, "/out/page.htm");
  ASSERT_EQ(ui->fileDialogs.size(), 1u);
  const auto& request = ui->fileDialogs[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.request.initialFolder, dir.str());

  // Cancelled, or a choice that names no file: the path stays as it was.
  EXPECT_FALSE(engine.BrowseFile(path));
  EXPECT_FALSE(engine.BrowseFile(path));
  EXPECT_EQ(path, "/out/page.htm");
  EXPECT_TRUE(ui->messages.empty());
}
