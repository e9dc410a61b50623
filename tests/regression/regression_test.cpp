// The inputs fuzzing found, and the seeds it starts from, go through the harnesses' paths:
// each must come back without a crash, an escaped exception or a broken invariant (those
// abort the run). tests/regression/<kind>/ holds one file per fault that was fixed.

#include "fuzz/fuzztargets.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tavro::test {
namespace {

using Feed = void (*)(const std::uint8_t*, std::size_t);

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.is_regular_file())
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Feeds every file of the kind's folders; returns how many there were.
std::size_t feedAll(Feed feed, const std::string& kind) {
  std::size_t count = 0;
  for (const auto& folder : {sourceDir() / "tests" / "regression" / kind, sourceDir() / "fuzz" / "seeds" / kind}) {
    for (const auto& file : filesIn(folder)) {
      SCOPED_TRACE(file.string());
      const std::string bytes = readFile(file);
      feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++count;
    }
  }
  return count;
}

TEST(FuzzRegression, PagesGoThroughImport) {
  EXPECT_GT(feedAll(tavro::fuzz::feedPage, "page"), 0u);

  // The path really ends in an imported deck with its pictures.
  const std::string page = readFile(sourceDir() / "fuzz" / "seeds" / "page" / "pictures.html");
  tavro::fuzz::feedPage(reinterpret_cast<const std::uint8_t*>(page.data()), page.size());
  const std::filesystem::path project = std::filesystem::path(tavro::fuzz::workFolder()) / "import" / "project";
  const std::string deck = readFile(project / "page.wml");
  EXPECT_NE(deck.find("Two pictures"), std::string::npos) << deck;
  EXPECT_NE(deck.find("images/pic.wbmp"), std::string::npos) << deck;
  EXPECT_TRUE(std::filesystem::is_regular_file(project / "images" / "pic.wbmp"));
}

TEST(FuzzRegression, WmlGoesThroughExport) {
  EXPECT_GT(feedAll(tavro::fuzz::feedWml, "wml"), 0u);

  // The path really ends in a written page: the sample deck's text reaches the HTML file.
  const std::string deck = readFile(sourceDir() / "fuzz" / "seeds" / "wml" / "deck.wml");
  tavro::fuzz::feedWml(reinterpret_cast<const std::uint8_t*>(deck.data()), deck.size());
  const std::filesystem::path out = std::filesystem::path(tavro::fuzz::workFolder()) / "wml" / "out";
  EXPECT_NE(readFile(out / "doc.html").find("Hi"), std::string::npos);
  EXPECT_NE(readFile(out / "doc-images.html").find("logo.wbmp"), std::string::npos);
}

TEST(FuzzRegression, PicturesGoThroughEveryDitherAndBothWriters) {
  EXPECT_GT(feedAll(tavro::fuzz::feedPicture, "picture"), 0u);
}

TEST(FuzzRegression, ManifestsOpenAndReopen) {
  EXPECT_GT(feedAll(tavro::fuzz::feedManifest, "manifest"), 0u);

  const std::string manifest = "<Project Name=\"P\"><Document Name=\"a\" DocumentType=\"wml\"/></Project>";
  tavro::fuzz::feedManifest(reinterpret_cast<const std::uint8_t*>(manifest.data()), manifest.size());
  const std::string written =
      readFile(std::filesystem::path(tavro::fuzz::workFolder()) / "manifest" / "project" / "X.wmlproj");
  EXPECT_NE(written.find("Name=\"a\""), std::string::npos) << written;
  EXPECT_NE(written.find("Name=\"added\""), std::string::npos) << written;
}

TEST(FuzzRegression, HarnessWritesOnlyInItsOwnFolder) {
  const std::string folder = tavro::fuzz::workFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  const char* tmp = std::getenv("TMPDIR");
  ASSERT_NE(tmp, nullptr);
  EXPECT_EQ(std::string(tmp).rfind(folder, 0), 0u) << tmp;
}

} // namespace
} // namespace tavro::test
