// tavro convert and tavro import: the wizard's road from the command line.

#include "decks/wbxml.h"
#include "tests/conversion/importfixture.h"

#include <filesystem>

using namespace tavro;
using test::runTavro;
namespace stdfs = std::filesystem;

namespace {

std::string samplePage(const std::string& name) { return (test::sourceDir() / "samples" / "pages" / name).string(); }

} // namespace

// One page goes to standard output or to -o, its analysis to standard error; a page that cannot
// be converted gets a one-line message and no deck.
TEST(CliConvert, WritesOnePageOrSaysInOneLineWhyNot) {
  auto r = runTavro({"convert", samplePage("plain.html")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<wml>\n  <card>", 0), 0u) << r.out;
  const std::string compiled = std::to_string(decks::compileWbxml(r.out).size());
  EXPECT_NE(r.err.find("Transformed Elements: a, img, big, b\nMapped Elements: h1\nRemoved Elements: (none)\n"
                       "Compiled Size: " +
                       compiled + " bytes of WBXML\n"),
            std::string::npos)
      << r.err;

  // Pictures left where they are are referenced from the deck's folder: the page's when the
  // deck goes to standard output, the output file's otherwise.
  EXPECT_NE(r.out.find("src=\"images/sunset.png\""), std::string::npos) << r.out;
  test::TempDir dir;
  stdfs::create_directories(dir.path() / "out");
  auto toFile = runTavro({"convert", samplePage("plain.html"), "-o", dir.file("out/plain.wml")});
  EXPECT_EQ(toFile.exitCode, 0);
  EXPECT_EQ(toFile.out, "");
  const std::string fromOut = stdfs::relative(samplePage("images/sunset.png"), dir.path() / "out").string();
  std::string expected = r.out;
  expected.replace(expected.find("images/sunset.png"), 17, fromOut);
  EXPECT_EQ(test::readFile(dir.path() / "out" / "plain.wml"), expected);

  test::writeFile(dir.path() / "notes.txt", "<p>hello</p>");
  test::writeFile(dir.path() / "gap.html", "<frameset><frame name=blank><frame src=main.html></frameset>");
  const std::string frameset = samplePage("frameset.html");
  const std::pair<std::vector<std::string>, std::string> runs[] = {
      {{"convert", dir.file("missing.html")}, "missing.html"},
      {{"convert", dir.file("notes.txt")}, "notes.txt"},
      {{"convert", dir.str()}, "' is a folder, not a page (tavro import"},
      {{"convert", frameset}, "choose a frame with --frame: menu.html, main.html"},
      {{"convert", frameset, "--frame", "other.html"}, "has no frame 'other.html'"},
      {{"convert", dir.file("gap.html")}, "--frame: main.html\n"},
      {{"convert", samplePage("plain.html"), samplePage("rich.html")}, "several pages need -d DIR"},
      {{"convert", "-d", dir.str(), "--frame", "main.html", frameset, frameset}, "-o and --frame take a single page"},
      {{"convert", "-d", dir.str(), samplePage("plain.html"), samplePage("../pages/plain.html")},
       "would both be written to"},
  };
  for (const auto& [args, said] : runs) {
    auto refusal = runTavro(args);
    EXPECT_EQ(refusal.exitCode, 1) << said;
    EXPECT_NE(refusal.err.find(said), std::string::npos) << refusal.err;
    EXPECT_EQ(std::count(refusal.err.begin(), refusal.err.end(), '\n'), 1) << refusal.err;
    EXPECT_EQ(refusal.out, "") << said;
  }
  std::string words;
  for (int i = 0; i < 60000; ++i)
    words += "word ";
  test::writeFile(dir.path() / "long.html", "<p>" + words + "</p>");
  EXPECT_NE(
      runTavro({"convert", dir.file("long.html")}).err.find("Compiled Size: not compiled, the deck is over 256 KiB\n"),
      std::string::npos);
  auto framed = runTavro({"convert", frameset, "--frame", "main.html"});
  EXPECT_EQ(framed.exitCode, 0) << framed.err;
  EXPECT_NE(framed.out.find("Welcome aboard"), std::string::npos);
}

// The command line and the wizard share one engine: the same choices give the same file.
class CliImport : public test::ImportFixture {};

TEST_F(CliImport, WritesTheSameDeckTheWizardWrites) {
  stdfs::copy(dir.path() / "project", dir.path() / "cli", stdfs::copy_options::recursive);

  open(page("rich.html"));
  convertAndPreview();
  move(engine->lstKnownElements, engine->lstRemovedElements, "i");
  move(engine->lstKnownElements, engine->lstRemovedElements, "table");
  move(engine->lstKnownElements, engine->lstRemovedElements, "br"); // the first kind of the list
  engine->imagesOption = true;
  ASSERT_TRUE(engine->ValidateTargetFile("timetable"));

  auto r = runTavro({"import", page("rich.html"), "--project", dir.file("cli"), "--name", "timetable", "--strip",
                     "i, table,BR", "--images"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, dir.file("cli") + "/timetable.wml\n");
  EXPECT_EQ(test::readFile(dir.path() / "cli" / "timetable.wml"),
            test::readFile(dir.path() / "project" / "timetable.wml"));
  EXPECT_EQ(test::readFile(dir.path() / "cli" / "images" / "tiles.wbmp"),
            test::readFile(dir.path() / "project" / "images" / "tiles.wbmp"));
  EXPECT_NE(test::readFile(dir.path() / "cli" / "Demo.wmlproj").find("Name=\"timetable\""), std::string::npos);
}

// A table that lays the page out stays a table unless --unwrap-layout is given, on both roads.
TEST_F(CliImport, LayoutTablesAreUnwrappedOnlyWhenAsked) {
  test::writeFile(page("layout.html"), "<body><table><tr><td><ul><li><a href='#main'>Main</a></li></ul></td>"
                                       "<td id='main'><h1>Title</h1><p>Words here.</p></td></tr></table></body>");
  for (bool unwrap : {false, true}) {
    const std::string name = unwrap ? "unwrapped" : "kept";
    std::vector<std::string> convert{"convert", page("layout.html")};
    std::vector<std::string> import{"import", page("layout.html"), "--project", dir.file("project"), "--name", name};
    if (unwrap) {
      convert.push_back("--unwrap-layout");
      import.push_back("--unwrap-layout");
    }
    const auto printed = runTavro(convert);
    ASSERT_EQ(runTavro(import).exitCode, 0);
    for (const std::string& deck : {printed.out, test::readFile(dir.path() / "project" / (name + ".wml"))})
      EXPECT_EQ(deck.find("<table") != std::string::npos, !unwrap) << deck;
  }
}

TEST_F(CliImport, NeverOverwritesWithoutBeingToldTo) {
  test::writeFile(dir.path() / "project" / "plain.wml", "mine");
  auto refused = runTavro({"import", page("plain.html"), "--project", dir.file("project")});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("already exists. Overwrite this file ? No\n"), std::string::npos) << refused.err;
  EXPECT_EQ(test::readFile(dir.path() / "project" / "plain.wml"), "mine");

  auto replaced = runTavro({"import", page("plain.html"), "--project", dir.file("project"), "--overwrite"});
  EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
  EXPECT_NE(test::readFile(dir.path() / "project" / "plain.wml"), "mine");

  // A name that is all extension names no document; an unknown kind to strip is only said.
  const struct {
    std::vector<std::string> options;
    int exitCode;
    std::string said;
  } runs[] = {
      {{"--overwrite"}, 1, "The file plain already belongs to the project Demo"},
      {{"--name", "other", "--strip", "marquee"}, 0, "'marquee'"},
      {{"--name", ".htaccess"}, 1, "A file name must be entered before importing the document"},
      {{"--dither", "x"}, 1, "unknown dither 'x'"},
      {{"--picture-width", "96"}, 1, "--picture-width sizes the pictures that --images converts"},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.said);
    std::vector<std::string> args{"import", page("plain.html"), "--project", dir.file("project")};
    args.insert(args.end(), run.options.begin(), run.options.end());
    auto r = runTavro(args);
    EXPECT_EQ(r.exitCode, run.exitCode);
    EXPECT_NE(r.err.find(run.said), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "project" / ".wml"));
  EXPECT_EQ(runTavro({"import", page("plain.html"), "--project", dir.file("nowhere")}).exitCode, 1);
}

TEST(CliConvert, ManyPagesGiveTheSameDecksOnAnyNumberOfThreads) {
  test::TempDir dir;
  std::vector<std::string> pages;
  for (const char* name : {"plain.html", "rich.html", "main.html", "menu.html"})
    pages.push_back(samplePage(name));
  for (const char* jobs : {"1", "4"}) {
    stdfs::create_directory(dir.path() / jobs);
    std::vector<std::string> args{"convert", "-j", jobs, "-d", dir.file(jobs)};
    args.insert(args.end(), pages.begin(), pages.end());
    auto r = runTavro(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The analysis comes in input order whatever finished first.
    EXPECT_LT(r.err.find("plain.html:"), r.err.find("rich.html:"));
    EXPECT_LT(r.err.find("main.html:"), r.err.find("menu.html:"));
  }
  for (const char* name : {"plain.wml", "rich.wml", "main.wml", "menu.wml"})
    EXPECT_EQ(test::readFile(dir.path() / "1" / name), test::readFile(dir.path() / "4" / name)) << name;

  // A page that fails does not stop the others, and the run says so.
  test::writeFile(dir.path() / "empty.html", "<html><body></body></html>");
  stdfs::create_directory(dir.path() / "mixed");
  auto mixed = runTavro({"convert", "-d", dir.file("mixed"), dir.file("empty.html"), samplePage("plain.html")});
  EXPECT_EQ(mixed.exitCode, 1);
  EXPECT_TRUE(stdfs::exists(dir.path() / "mixed" / "plain.wml"));
  EXPECT_FALSE(stdfs::exists(dir.path() / "mixed" / "empty.wml"));
}

// On a terminal each batch draws one line on standard error as it goes (the pages done, or the
// share of a single page's split), and the line is gone before the results are told. Elsewhere
// (a log, a pipe) nothing is drawn.
TEST(CliProgress, ATerminalShowsTheWorkAsItGoesAndClearsTheLineBeforeTheResults) {
  test::TempDir dir;
  ASSERT_EQ(runTavro({"project", "new", dir.file("site"), "Site"}).exitCode, 0);
  const std::string clear = "\r\033[K";
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> shown; // in this order
  } runs[] = {
      {{"convert", "-d", dir.str(), samplePage("plain.html"), samplePage("rich.html")},
       {clear + "[1/2] ", clear + "[2/2] ", clear + samplePage("plain.html") + ":"}},
      // The share grows: a line before the last.
      {{"convert", samplePage("rich.html"), "--max-deck", "600", "-o", dir.file("rich.wml")},
       {"%] split rich.html", clear + "[100%] split rich.html" + clear + "Transformed Elements"}},
      {{"import", samplePage(""), "--project", dir.file("site"), "--max-deck", "100000"},
       {clear + "[5/5] ", clear + "[1/5] split ", clear + "[5/5] split ", clear + "5 pages imported"}},
  };
  for (const auto& run : runs) {
    const auto shown = test::runTavroOnTerminal(run.args);
    if (!shown)
      GTEST_SKIP() << "no pseudo-terminal available";
    EXPECT_EQ(shown->exitCode, 0) << shown->err;
    std::size_t at = 0;
    for (const auto& part : run.shown) {
      at = shown->err.find(part, at);
      ASSERT_NE(at, std::string::npos) << part << " in " << shown->err;
    }
    // Without a terminal nothing is drawn (the import's second run refuses the documents the
    // first added, which does not matter here).
    EXPECT_EQ(runTavro(run.args).err.find('\r'), std::string::npos);
  }
}
