#include "host/folderproject.h"
#include "host/hostproject.h"
#include "platform/com/comerror.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using host::FolderProject;
namespace stdfs = std::filesystem;

// The rows the export lists hold the documents' names, types and order as this interface gives them.
TEST(FolderProject, OpensTheSampleProjectThroughTheHostInterface) {
  const stdfs::path sample = test::sourceDir() / "samples" / "project";
  host::HostProjectRef ref(FolderProject::open(sample.string(), "/opt/app"));
  EXPECT_EQ(ref.ProjectName(), "Harbour");
  EXPECT_EQ(ref.ApplicationPath(), "/opt/app");
  EXPECT_TRUE(stdfs::equivalent(ref.ProjectFolder(), sample));
  auto docs = ref.Documents();
  EXPECT_EQ(docs.Count(), 3);
  EXPECT_EQ(host::HostDocumentRef(docs.Item("timetable")).Content(), test::readFile(sample / "timetable.wml"));
  EXPECT_EQ(docs.Item("nothing"), nullptr);
  EXPECT_EQ(docs.Item("Index"), nullptr); // names are file names: case matters here
}

TEST(FolderProject, ClearErrorsForFoldersWithoutAGoodManifest) {
  test::TempDir dir;
  std::string message;
  EXPECT_EQ(test::comErrorOf([&] { FolderProject::open(dir.file("none"), "/app"); }, &message), 76);
  EXPECT_NE(message.find("none"), std::string::npos);

  EXPECT_EQ(test::comErrorOf([&] { FolderProject::open(dir.str(), "/app"); }, &message), 53);
  EXPECT_NE(message.find("*.wmlproj"), std::string::npos);

  // A manifest that is not XML, names a file outside the folder, or is no project.
  const std::pair<const char*, const char*> manifests[] = {
      {"<Project Name=\"x\"><Document Name=\"a\"</Project>", "line 1"},
      {"<Project Name=\"x\"><Document Name=\"../../etc/passwd\" DocumentType=\"wml\"/></Project>", "plain file name"},
      {"<Other/>", "not Project"},
  };
  for (const auto& [manifest, said] : manifests) {
    test::writeFile(dir.path() / "broken.wmlproj", manifest);
    EXPECT_EQ(test::comErrorOf([&] { FolderProject::open(dir.str(), "/app"); }, &message), 5) << manifest;
    EXPECT_NE(message.find(said), std::string::npos) << message;
    EXPECT_NE(message.find("broken.wmlproj"), std::string::npos) << message;
  }

  test::writeFile(dir.path() / "second.wmlproj", "<Project/>");
  EXPECT_EQ(test::comErrorOf([&] { FolderProject::open(dir.str(), "/app"); }, &message), 5);
  EXPECT_NE(message.find("more than one"), std::string::npos);

  EXPECT_EQ(test::comErrorOf([&] { FolderProject::create(dir.str(), "Again", "/app"); }), 58);
  EXPECT_EQ(test::comErrorOf([&] { FolderProject::create(dir.file("x"), "a/b", "/app"); }), 52);
  // A new project's folder is made with the parents it lacks; a file in the way is named.
  EXPECT_TRUE(std::filesystem::exists(FolderProject::create(dir.file("new/deeper"), "N", "/app")->manifestPath()));
  EXPECT_EQ(test::comErrorOf([&] { FolderProject::create(dir.file("second.wmlproj/p"), "P", "/app"); }, &message), 75);
  EXPECT_NE(message.find("second.wmlproj"), std::string::npos) << message;
}

namespace {
std::vector<std::string> names(const FolderProject& project) {
  std::vector<std::string> out;
  for (const auto& d : project.documents())
    out.push_back(d.name);
  return out;
}
} // namespace

TEST(FolderProject, AddAndRemoveDocumentGoThroughTheManifestAndDeleteTheFileOnlyWhenAsked) {
  test::TempDir dir;
  const stdfs::path folder = dir.path() / "site";
  auto project = FolderProject::create(folder.string(), "My Site", "/app");
  EXPECT_EQ(project->ProjectName(), "My Site");
  EXPECT_FALSE(project->AddDocument("home")); // the file must be there first
  for (const char* name : {"home", "about", "news"})
    test::writeFile(folder / (std::string(name) + ".wml"), "<wml/>");
  for (const char* name : {"home", "about", "news", "home"}) // the second home: still one entry
    EXPECT_TRUE(project->AddDocument(name)) << name;
  EXPECT_FALSE(project->AddDocument("../site/home"));
  auto reopened = FolderProject::open(folder.string(), "/app");
  EXPECT_EQ(reopened->ProjectName(), "My Site");
  EXPECT_EQ(names(*reopened), (std::vector<std::string>{"home", "about", "news"}));

  EXPECT_TRUE(project->removeDocument("home", "wml", false));
  EXPECT_TRUE(stdfs::exists(folder / "home.wml"));
  EXPECT_TRUE(project->removeDocument("news", "wml", true));
  EXPECT_FALSE(stdfs::exists(folder / "news.wml"));
  // An entry whose file has gone already is taken out all the same.
  test::writeFile(folder / "old.wml", "<wml/>");
  ASSERT_TRUE(project->AddDocument("old"));
  stdfs::remove(folder / "old.wml");
  EXPECT_TRUE(project->removeDocument("old", "wml", true));
  EXPECT_FALSE(project->removeDocument("home", "wml", true)); // no longer held: nothing deleted
  EXPECT_TRUE(stdfs::exists(folder / "home.wml"));
  EXPECT_FALSE(project->removeDocument("about", "wbmp", true));
  EXPECT_EQ(names(*FolderProject::open(folder.string(), "/app")), std::vector<std::string>{"about"});

  // A manifest that cannot be written (a folder has taken its place) keeps the entries and the
  // files as they were, and so does the project once it can be written again.
  const std::string before = test::readFile(project->manifestPath());
  stdfs::remove(project->manifestPath());
  stdfs::create_directory(project->manifestPath());
  EXPECT_THROW(project->removeDocument("about", "wml", true), com::ComError);
  EXPECT_THROW(project->AddDocument("home"), com::ComError);
  EXPECT_EQ(names(*project), std::vector<std::string>{"about"});
  EXPECT_TRUE(stdfs::exists(folder / "about.wml"));
  stdfs::remove(project->manifestPath());
  test::writeFile(project->manifestPath(), before);
  EXPECT_TRUE(project->AddDocument("home"));
  EXPECT_EQ(project->documents().size(), 2u);
}
