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

namespace stdfs = std::filesystem;
using Feed = void (*)(const std::uint8_t*, std::size_t);

void feed(Feed to, const std::string& bytes) { to(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()); }

// Feeds every file of the kind's folders, in name order; returns how many there were.
std::size_t feedAll(Feed to, const std::string& kind) {
  std::vector<stdfs::path> files;
  for (const auto& folder : {sourceDir() / "tests" / "regression" / kind, sourceDir() / "fuzz" / "seeds" / kind}) {
    std::error_code ec;
    for (const auto& entry : stdfs::directory_iterator(folder, ec))
      if (entry.is_regular_file())
        files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    SCOPED_TRACE(file.string());
    feed(to, readFile(file));
  }
  return files.size();
}

TEST(FuzzRegression, PagesGoThroughImport) {
  EXPECT_GT(feedAll(tavro::fuzz::feedPage, "page"), 0u);

  // The path really ends in an imported deck with its pictures.
  feed(tavro::fuzz::feedPage, readFile(sourceDir() / "fuzz" / "seeds" / "page" / "pictures.html"));
  const stdfs::path project = stdfs::path(tavro::fuzz::workFolder()) / "import" / "project";
  const std::string deck = readFile(project / "page.wml");
  EXPECT_NE(deck.find("Two pictures"), std::string::npos) << deck;
  EXPECT_NE(deck.find("images/pic.wbmp"), std::string::npos) << deck;
  EXPECT_TRUE(stdfs::is_regular_file(project / "images" / "pic.wbmp"));
}

TEST(FuzzRegression, WmlGoesThroughExport) {
  EXPECT_GT(feedAll(tavro::fuzz::feedWml, "wml"), 0u);

  // The path really ends in a written page: the sample deck's text reaches the HTML file.
  feed(tavro::fuzz::feedWml, readFile(sourceDir() / "fuzz" / "seeds" / "wml" / "deck.wml"));
  const stdfs::path out = stdfs::path(tavro::fuzz::workFolder()) / "wml" / "out";
  EXPECT_NE(readFile(out / "doc.html").find("Hi"), std::string::npos);
  EXPECT_NE(readFile(out / "doc-images.html").find("logo.wbmp"), std::string::npos);
}

TEST(FuzzRegression, PicturesGoThroughEveryDitherAndBothWriters) {
  EXPECT_GT(feedAll(tavro::fuzz::feedPicture, "picture"), 0u);
}

TEST(FuzzRegression, ManifestsOpenAndReopen) {
  EXPECT_GT(feedAll(tavro::fuzz::feedManifest, "manifest"), 0u);

  feed(tavro::fuzz::feedManifest, "<Project Name=\"P\"><Document Name=\"a\" DocumentType=\"wml\"/></Project>");
  const std::string written = readFile(stdfs::path(tavro::fuzz::workFolder()) / "manifest" / "project" / "X.wmlproj");
  EXPECT_NE(written.find("Name=\"a\""), std::string::npos) << written;
  EXPECT_NE(written.find("Name=\"added\""), std::string::npos) << written;

  // The harnesses write only in their own folder: TMPDIR points into it.
  const char* tmp = std::getenv("TMPDIR");
  ASSERT_NE(tmp, nullptr);
  EXPECT_TRUE(stdfs::is_directory(tavro::fuzz::workFolder()));
  EXPECT_EQ(std::string(tmp).rfind(tavro::fuzz::workFolder(), 0), 0u) << tmp;
}

} // namespace
} // namespace tavro::test
