#include "images/imagecodecs.h"
#include "tests/export/exporttestsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tavro;
using test::TempDir;
using test::ToolResult;

TEST(ExportCommand, UsageAndSetupFailures) {
  EXPECT_EQ(test::runTavro({"export"}).exitCode, 2);
  TempDir empty;
  test::makeProject(empty.str(), {});
  ToolResult nothing = test::runTavro({"export", "--project", empty.str()});
  EXPECT_EQ(nothing.exitCode, 0);
  EXPECT_EQ(nothing.err, "Project currently contains no documents\n");

  TempDir dir;
  test::makeProject(dir.str(), {{"index", test::deck("A", "")}});
  // A missing output folder is made, with its parents; a file in its way, or a folder where
  // the page would go, is named.
  ToolResult made = test::runTavro({"export", "--project", dir.str(), "--out", dir.file("new/deeper")});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("new/deeper/index.html")));
  test::writeFile(dir.path() / "file", "x");
  std::filesystem::create_directories(dir.path() / "taken" / "index.html");
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"export", "--project", dir.file("nosuch")}, "tavro: project folder not found: '" + dir.file("nosuch") + "'\n"},
      {{"export", "--project", dir.str(), "--out", dir.file("file/out")},
       "tavro: not a folder: '" + dir.file("file") + "'\n"},
      {{"export", "--project", dir.str(), "--out", dir.file("taken")},
       "tavro: cannot write '" + dir.file("taken/index.html") + "': Is a directory\n"},
  };
  for (const auto& [args, said] : refused) {
    ToolResult refusal = test::runTavro(args);
    EXPECT_EQ(refusal.exitCode, 1) << said;
    EXPECT_EQ(refusal.err, said);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("index.html")));
}

// Named documents go out once each, and those that do not convert or are not in the project are
// reported. Without --out the pages go into the project folder, where a file is replaced only
// with --overwrite; --images keeps the pictures.
TEST(ExportCommand, ExportsNamedDocumentsReportsTheRestAndReplacesFilesOnlyWithOverwrite) {
  TempDir dir, out;
  test::makeProject(dir.str(), {{"index", test::deck("Home", "<p>Hi <img src=\"images/logo.wbmp\" alt=\"logo\"/></p>")},
                                {"about", test::deck("About", "<p>Us</p>")},
                                {"broken", "<wml><card>"}});
  ToolResult run =
      test::runTavro({"export", "--project", dir.str(), "--out", out.str(), "index", "broken", "gone", "index"});
  EXPECT_EQ(run.exitCode, 1);
  const std::string unable = "Velmor Professional: Unable to export document ";
  EXPECT_EQ(run.err, unable + "broken.\nPlease ensure the content is valid.\n" + unable +
                         "gone.\nPlease ensure the content is valid.\n");
  EXPECT_EQ(run.out, "");
  std::string html = test::readFile(out.file("index.html"));
  EXPECT_NE(html.find("title=\"Home\""), std::string::npos) << html;
  EXPECT_EQ(html.find("<img"), std::string::npos) << html;
  for (const char* page : {"about.html", "broken.html", "gone.html"})
    EXPECT_FALSE(std::filesystem::exists(out.file(page))) << page;

  test::writeFile(dir.file("index.html"), "keep me");
  ToolResult kept = test::runTavro({"export", "--project", dir.str(), "index", "about"});
  EXPECT_EQ(kept.exitCode, 1);
  EXPECT_EQ(kept.err, "The file index.html already exists. Overwrite this file ? No\ntavro: '" +
                          dir.file("index.html") + "' not replaced (use --overwrite to replace it)\n");
  EXPECT_EQ(test::readFile(dir.file("index.html")), "keep me");
  std::string about = test::readFile(dir.file("about.html"));

  ToolResult replaced = test::runTavro({"export", "--project", dir.str(), "--overwrite", "--images", "index", "about"});
  EXPECT_EQ(replaced.exitCode, 0);
  EXPECT_EQ(replaced.err, "The file index.html already exists. Overwrite this file ? Yes\n"
                          "The file about.html already exists. Overwrite this file ? Yes\n");
  html = test::readFile(dir.file("index.html"));
  EXPECT_NE(html.find("title=\"Home\""), std::string::npos) << html;
  EXPECT_NE(html.find("src=\"images/logo.wbmp\""), std::string::npos) << html;
  EXPECT_EQ(test::readFile(dir.file("about.html")), about);
}

TEST(ExportCommand, GivesTheSameFilesOnAnyNumberOfThreads) {
  TempDir dir, one, four;
  std::vector<std::pair<std::string, std::string>> documents;
  for (const char* deck : {"index.wml", "timetable.wml", "contact.wml"})
    for (int copy = 0; copy < 3; ++copy)
      documents.emplace_back("doc" + std::to_string(documents.size() + 1),
                             test::readFile(test::sourceDir() / "samples" / "project" / deck));
  documents[4].second = "<wml><card>broken</wml>"; // one fails, the rest go on
  test::makeProject(dir.str(), documents);
  for (const auto& [out, jobs] : {std::pair{&one, "1"}, std::pair{&four, "4"}}) {
    ToolResult run = test::runTavro({"export", "--project", dir.str(), "--images", "--out", out->str(), "-j", jobs});
    EXPECT_EQ(run.exitCode, 1) << run.err;
  }
  for (const auto& [name, source] : documents) {
    EXPECT_EQ(std::filesystem::exists(four.file(name + ".html")), name != "doc5") << name;
    if (name != "doc5") {
      EXPECT_EQ(test::readFile(one.file(name + ".html")), test::readFile(four.file(name + ".html"))) << name;
    }
  }
}

TEST(ExportCommand, PageLinksLeadToThePagesExportedTogether) {
  TempDir dir;
  test::makeProject(
      dir.str(),
      {{"index", test::deck("Home", "<p><a href=\"about.wml#c1\">a</a> <a href=\"about.wml?x=1\">b</a> "
                                    "<a href=\"gone.wml\">c</a> <a href=\"http://example.org/about.wml\">d</a> "
                                    "<a href=\"#c1\">e</a></p>")},
       {"about", test::deck("About", "<p>Us</p>")}});
  auto links = [&](const std::string& folder) {
    const std::string html = test::readFile(std::filesystem::path(folder) / "index.html");
    std::string out;
    for (std::size_t at = html.find("href=\""); at != std::string::npos; at = html.find("href=\"", at + 1))
      out += html.substr(at + 6, html.find('"', at + 6) - at - 6) + " ";
    return out;
  };
  for (bool pageLinks : {false, true}) {
    TempDir out;
    std::vector<std::string> args{"export", "--project", dir.str(), "--out", out.str()};
    if (pageLinks)
      args.push_back("--page-links");
    ToolResult run = test::runTavro(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(links(out.str()), pageLinks ? "about.html#c1 about.html?x=1 gone.wml http://example.org/about.wml #c1 "
                                          : "about.wml#c1 about.wml?x=1 gone.wml http://example.org/about.wml #c1 ");
  }
}

TEST(ExportCommand, ShowsProgressWhenStandardErrorIsATerminal) {
  TempDir dir;
  test::makeProject(dir.str(), {{"index", test::deck("Home", "")}, {"about", test::deck("About", "")}});
  const auto run = test::runTavroOnTerminal({"export", "--project", dir.str()});
  if (!run)
    GTEST_SKIP() << "no pseudo-terminal available";
  EXPECT_EQ(run->exitCode, 0);
  EXPECT_EQ(run->err, "[1/2] index -> " + dir.file("index.html") + "\r\n" + //
                          "[2/2] about -> " + dir.file("about.html") + "\r\n");
}

// A WBMP picture, which browsers do not show, goes into the page as a PNG; one that does not
// read, and a picture of another kind, stay referred to.
TEST(ExportCommand, InlineWbmpPutsEachWbmpPictureIntoItsPageAsAPng) {
  TempDir dir, out;
  std::filesystem::create_directories(dir.path() / "images");
  test::writeFile(dir.path() / "images" / "logo.wbmp", std::string("\0\0\x03\x02\xa0\x40", 6)); // WBW, BWB
  test::writeFile(dir.path() / "images" / "cut.wbmp", std::string("\0\0\x40\x40", 4));
  std::filesystem::copy_file(test::sourceDir() / "samples" / "pages" / "images" / "sunset.png",
                             dir.path() / "images" / "sunset.png");
  test::makeProject(dir.str(), {{"index", test::deck("Home", "<p><img src=\"images/logo.wbmp\" alt=\"logo\"/> "
                                                             "<img src=\"images/cut.wbmp\" alt=\"cut\"/> "
                                                             "<img src=\"images/sunset.png\" alt=\"sun\"/></p>")}});
  ToolResult run = test::runTavro({"export", "--project", dir.str(), "--images", "--inline-wbmp", "--out", out.str()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string html = test::readFile(out.file("index.html"));
  // The page's picture, decoded as a browser decodes it, is the WBMP's picture.
  const std::string prefix = "src=\"data:image/png;base64,";
  const std::size_t at = html.find(prefix);
  ASSERT_NE(at, std::string::npos) << html;
  std::string png;
  std::uint32_t bits = 0;
  int held = 0;
  for (std::size_t i = at + prefix.size(); html[i] != '"' && html[i] != '='; ++i) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    bits = bits << 6 | std::uint32_t(digits.find(html[i]));
    if ((held += 6) >= 8)
      png += char(bits >> (held -= 8) & 0xff);
  }
  test::writeFile(out.path() / "logo.png", png);
  const images::Picture shown = images::readPicture(out.file("logo.png"));
  EXPECT_EQ(shown.pixels, images::readPicture(dir.file("images/logo.wbmp")).pixels);
  EXPECT_EQ(shown.width, 3);
  EXPECT_EQ(html.find("logo.wbmp"), std::string::npos) << html;
  EXPECT_NE(html.find("images/cut.wbmp\""), std::string::npos) << html;
  EXPECT_NE(html.find("images/sunset.png\""), std::string::npos) << html;

  ToolResult alone = test::runTavro({"export", "--project", dir.str(), "--inline-wbmp", "--out", out.str()});
  EXPECT_EQ(alone.exitCode, 1);
  EXPECT_EQ(alone.err, "tavro: --inline-wbmp puts into the pages the pictures that --images keeps\n");
}
