#include "export/exportengine.h"

#include "fuzz/exportreading.h"
#include "tests/export/exporttestsupport.h"
#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace tavro;
using test::TempDir;

namespace {

constexpr int exclamationOk = ui::vbExclamation | ui::vbOKOnly;

// A small WML-to-HTML stylesheet: wml -> body, card -> div with its title, p, img with its src;
// a halt root ends the transformation with an error.
const std::string tinyStylesheet = R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" indent="no"/>
  <xsl:template match="wml"><body><xsl:apply-templates/></body></xsl:template>
  <xsl:template match="card"><div title="{@title}"><xsl:apply-templates/></div></xsl:template>
  <xsl:template match="p"><p><xsl:apply-templates/></p></xsl:template>
  <xsl:template match="img"><img src="{@src}"/></xsl:template>
  <xsl:template match="halt"><xsl:message terminate="yes">halted</xsl:message></xsl:template>
</xsl:stylesheet>)";

bool creatingRefused(const std::string& folder) {
  std::string probe = folder + "/.tavro-probe-XXXXXX";
  int fd = ::mkstemp(probe.data());
  if (fd >= 0) {
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }
  return errno == EACCES || errno == EPERM || errno == EROFS;
}

// A folder in which creating a file is refused even for root (a folder without write access
// when the tests do not run as root, else /sys), or "" when this machine has none.
std::string refusingFolder(const std::string& scratch) {
  std::string locked = scratch + "/locked";
  std::filesystem::create_directories(locked);
  ::chmod(locked.c_str(), 0555);
  if (creatingRefused(locked))
    return locked;
  // root writes anywhere on an ordinary file system; sysfs lets nobody create files.
  if (std::filesystem::is_directory("/sys") && creatingRefused("/sys"))
    return "/sys";
  return {};
}

class ExportEngineTest : public ::testing::Test {
protected:
  void open(const std::vector<std::pair<std::string, std::string>>& documents) {
    project = test::makeProject(dir.str(), documents);
    engine.setProject(project);
    engine.loadExportStylesheet({reinterpret_cast<const std::uint8_t*>(tinyStylesheet.data()), tinyStylesheet.size()});
  }
  std::string html(const std::string& name) {
    std::string page;
    EXPECT_TRUE(engine.Transform(name, page)) << name;
    return page;
  }

  TempDir dir;
  TempDir out;
  host::HostProjectRef project;
  ExportEngine engine;
  ui::ScopedScriptedUi ui;
};

// The page the export writes around the stylesheet's body.
std::string page(const std::string& body) {
  return "<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n" + body + "\n</html>\n";
}

} // namespace

// A space between two elements keeps two words apart; the layout between cards and paragraphs,
// where a deck holds no text, is no text of the page. Pictures are dropped unless converted.
TEST_F(ExportEngineTest, ThePageSaysWhatThePhoneShows) {
  const struct {
    const char* name;
    std::string deck;
    std::string body;
  } cases[] = {
      {"index", test::deck("A", "<p>Logo <img src=\" images/logo.wbmp \" alt=\"logo\"/></p>"),
       "<body><div title=\"A\"><p>Logo </p></div></body>"},
      {"spaced", "<wml>\n  <card title=\"S\">\n    <p><b>not</b> <i>glued</i></p>\n  </card>\n</wml>",
       "<body><div title=\"S\"><p>not glued</p></div></body>"},
      // "$$" is the one "$" a phone shows.
      {"dollars", "<wml><card><p>$$5 <a href=\"pay.wml?x=$$y\">$$$$ off</a> $(name)</p></card></wml>",
       "<body><div title=\"\"><p>$5 $$ off $(name)</p></div></body>"},
      // A control character is left out, and the line break and tab that keep words apart stay.
      {"lines", "<wml><card><p>caf\xC3\xA9\nau\tlait&#127;</p></card></wml>",
       "<body><div title=\"\"><p>caf\xC3\xA9\nau\tlait</p></div></body>"},
  };
  std::vector<std::pair<std::string, std::string>> documents;
  for (const auto& c : cases)
    documents.emplace_back(c.name, c.deck);
  documents.emplace_back("dotted", test::deck("B", "<p><img src=\"./images/../images/logo.wbmp\"/></p>"));
  open(documents);
  for (const auto& c : cases)
    EXPECT_EQ(html(c.name), page(c.body)) << c.name;

  // Converted, the reference is trimmed, and relative to the page where the page and the
  // picture go together; elsewhere a plain file: URL.
  engine.setConvertImages(true);
  EXPECT_EQ(html("index"), page("<body><div title=\"A\"><p>Logo <img src=\"images/logo.wbmp\"/></p></div></body>"));
  EXPECT_EQ(html("dotted"), page("<body><div title=\"B\"><p><img src=\"images/logo.wbmp\"/></p></div></body>"));
  auto rows = populateFileList(project);
  const std::pair<std::string, std::string> targets[] = {
      {dir.file("site/pages/index.html"), "../../images/logo.wbmp"},
      {out.file("index.html"), "file://" + dir.str() + "/images/logo.wbmp"},
  };
  for (const auto& [target, src] : targets) {
    std::filesystem::create_directories(std::filesystem::path(target).parent_path());
    rows[0].htmlFile = target;
    for (std::size_t i = 1; i < rows.size(); ++i)
      rows[i].ticked = false;
    engine.exportRows(rows);
    EXPECT_NE(test::readFile(target).find("<img src=\"" + src + "\"/>"), std::string::npos) << test::readFile(target);
  }
  EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ExportEngineTest, TransformFailsForMissingBrokenAndUnreadableSources) {
  open({{"broken", "<wml><card><p>open</card></wml>"}, {"gone", test::deck("G", "")}, {"halt", "<halt/>"}});
  std::filesystem::remove(dir.file("gone.wml"));
  std::string out = "untouched";
  EXPECT_FALSE(engine.Transform("nosuch", out));
  EXPECT_FALSE(engine.Transform("broken", out));
  EXPECT_FALSE(engine.Transform("gone", out));
  EXPECT_EQ(out, "untouched");
  // A transformation that stops gives nothing.
  EXPECT_FALSE(engine.Transform("halt", out));
  EXPECT_EQ(out, "");
}

// Each ticked row is announced before and reported after its messages. The dialog closes when
// the pass's last write succeeds: a failed write or conversion before it does not keep it open, a
// declined overwrite does, and conversions that fail after the last write change nothing.
TEST_F(ExportEngineTest, EachRowIsReportedAndTheLastWriteDecidesWhetherTheDialogCloses) {
  open({{"one", test::deck("One", "")},
        {"broken", "<wml>"},
        {"two", test::deck("Two", "")},
        {"skipped", test::deck("S", "")}});
  auto rows = populateFileList(project);
  for (auto& row : rows)
    row.htmlFile = out.file(row.name + ".html");
  rows[0].htmlFile = out.file("missing/one.html");
  rows[3].ticked = false;
  rows.push_back(ExportRow{"", "gone", "wml Document", out.file("gone.html"), true});

  std::vector<std::string> seen;
  ExportPassResult result = engine.exportRows(
      rows,
      [&](const ExportRow& row, int position, int count) {
        seen.push_back(row.name + " " + std::to_string(position) + "/" + std::to_string(count));
      },
      [&](const ExportRow& row, const ExportRowResult&) {
        seen.push_back(row.name + " done after " + std::to_string(ui->messages.size()) + " messages");
      });
  EXPECT_EQ(seen, (std::vector<std::string>{"one 1/4", "one done after 1 messages", "broken 2/4",
                                            "broken done after 2 messages", "two 3/4", "two done after 2 messages",
                                            "gone 4/4", "gone done after 3 messages"}));
  EXPECT_TRUE(result.close);
  EXPECT_FALSE(result.allWritten());
  const ExportOutcome outcomes[] = {ExportOutcome::NotWritten, ExportOutcome::NotConverted, ExportOutcome::Written,
                                    ExportOutcome::Skipped, ExportOutcome::NotConverted};
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(result.rows[i].outcome, outcomes[i]) << rows[i].name;
  EXPECT_EQ(ui->messages.size(), 3u);
  EXPECT_EQ(test::readFile(out.file("two.html")), page("<body><div title=\"Two\"></div></body>"));
  for (const char* missing : {"missing", "broken.html", "skipped.html"})
    EXPECT_FALSE(std::filesystem::exists(out.file(missing))) << missing;

  rows[0].htmlFile = out.file("one.html");
  rows[1].ticked = false;
  test::writeFile(out.file("two.html"), "keep me");
  ui->messages.clear();
  ui->answers = {ui::vbNo};
  result = engine.exportRows(rows);
  EXPECT_FALSE(result.close);
  EXPECT_EQ(result.rows[0].outcome, ExportOutcome::Written);
  EXPECT_EQ(result.rows[2].outcome, ExportOutcome::Declined);
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[0].style, ui::vbYesNo);
  EXPECT_EQ(ui->messages[0].title, "");
  EXPECT_EQ(test::readFile(out.file("two.html")), "keep me");
  EXPECT_TRUE(std::filesystem::exists(out.file("one.html")));
}

TEST_F(ExportEngineTest, EachPathNameOrDriveProblemHasItsMessageAndOtherWriteErrorsNone) {
  const std::string badName = "The file name is invalid. Please enter a different file name";
  std::vector<std::tuple<std::string, std::string, std::string>> cases{
      {"", "Invalid File name!", "Please enter a valid file name"},
      {out.file("no/such/page.html"), "Invalid Path!", "The file path is invalid. Please enter a different path"},
      {out.file(std::string(300, 'n') + ".html"), "Invalid File name!", badName},
      {out.file(std::string("pa\0ge.html", 10)), "Invalid File name!", badName},
      {out.str() + "/", "Invalid File name!", badName},
  };
  // A folder that refuses new files means the drive is unavailable (where the machine has one:
  // root writes anywhere but in /sys).
  const std::string refusing = refusingFolder(dir.str());
  if (!refusing.empty())
    cases.emplace_back(refusing + "/page.html", "Drive Unavailable!",
                       "The drive is not available to save to. Please choose another drive.");
  for (const auto& [path, title, text] : cases) {
    ui::ScopedScriptedUi local;
    EXPECT_FALSE(engine.WriteExportFile(path, "<body/>"));
    ASSERT_EQ(local->messages.size(), 1u) << path;
    EXPECT_EQ(local->messages[0].title, title) << path;
    EXPECT_EQ(local->messages[0].text, text) << path;
    EXPECT_EQ(local->messages[0].style, exclamationOk);
  }
  EXPECT_TRUE(std::filesystem::is_empty(out.path()));
  EXPECT_FALSE(!refusing.empty() && std::filesystem::exists(refusing + "/page.html"));

  // A folder where the file should be: not a permission, path or name problem, so no message.
  std::filesystem::create_directory(out.file("page.html"));
  EXPECT_FALSE(engine.WriteExportFile(out.file("page.html"), "<body/>"));
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_TRUE(std::filesystem::is_directory(out.file("page.html")));
  if (refusing.empty())
    GTEST_SKIP() << "no folder here refuses new files: the unavailable drive was not tried";
}

TEST_F(ExportEngineTest, ReadOnlyMountKeepsTheExistingFileWhole) {
  test::SmallMount mount(out.file("ro"), {{"page.html", "existing page"}}, test::SmallMount::ReadOnly);
  if (!mount.mounted())
    GTEST_SKIP() << "mounting a read-only file system is not allowed here";
  ui->answers = {ui::vbYes};
  EXPECT_FALSE(engine.WriteExportFile(out.file("ro/page.html"), "<body>new</body>"));
  ASSERT_EQ(ui->messages.size(), 2u);
  EXPECT_EQ(ui->messages[1].title, "Drive Unavailable!");
  EXPECT_EQ(test::readFile(out.file("ro/page.html")), "existing page");
}

// The sample decks, the corpus's when it is here, and cards of empty elements: an empty element
// is closed so that the card reads as meant (a dropped linked picture leaves an empty link, and
// the text after it is not in the link). Controls and noncharacters, which XML lets a deck hold
// and HTML does not, are left out of the page, where a browser would read them as errors.
TEST(ExportCorpus, EveryWellFormedDeckIsWrittenAndTheOthersReported) {
  std::vector<std::pair<std::string, std::string>> documents;
  for (const char* card :
       {"<p><a href=\"index.wml\"><img src=\"a.wbmp\" alt=\"a\"/></a> after the link</p>",
        "<p><select name=\"x\"/> after <b/> the <fieldset title=\"f\"/> controls</p>",
        "<p>Caf&#233;&#160;&amp; &lt;b&gt; \"q\"<br/><input name=\"n\" value=\"a&amp;&quot;b\"/></p>",
        "<p><table columns=\"1\"><tr><td/></tr><tr><td>x</td></tr></table> y</p>",
        "<p>a&#127;b&#x85;c&#xFDD0;d <a href=\"x.wml\" title=\"t&#x9F;\">e&#xFDEF;</a></p>"})
    documents.emplace_back("card" + std::to_string(documents.size()), test::deck("T", card));
  std::vector<std::filesystem::path> folders{test::sourceDir() / "samples" / "project"};
  const std::filesystem::path corpus = test::corpusPath("wml");
  const bool withCorpus = !corpus.empty();
  if (withCorpus)
    folders.insert(folders.end(), {corpus, corpus / "invalid"});
  for (const auto& folder : folders) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".wml")
        documents.emplace_back(entry.path().stem().string(), test::readFile(entry.path()));
    }
  }
  ASSERT_GT(documents.size(), withCorpus ? 20u : 6u);
  TempDir dir, out;
  auto project = test::makeProject(dir.str(), documents);

  for (bool images : {false, true}) {
    ExportEngine engine(project);
    engine.LoadExportStylesheet();
    engine.setConvertImages(images);
    auto rows = populateFileList(project);
    for (auto& row : rows)
      row.htmlFile = out.file(row.name + (images ? ".images.html" : ".html"));
    ui::ScopedScriptedUi ui;
    ExportPassResult result = engine.exportRows(rows);
    std::size_t unable = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      bool wellFormed = rows[i].name.find("NOT-WELL-FORMED") == std::string::npos;
      EXPECT_EQ(result.rows[i].outcome, wellFormed ? ExportOutcome::Written : ExportOutcome::NotConverted)
          << rows[i].name;
      if (wellFormed) {
        // A deck in a namespace matches none of the WML rules and comes out as its text.
        const std::string source = test::readFile(dir.file(rows[i].name + ".wml"));
        const std::string html = test::readFile(rows[i].htmlFile);
        if (source.find("xmlns=") == std::string::npos && !images) {
          EXPECT_EQ(fuzz::htmlReadsAs(html, fuzz::exportedTree(source)), "") << rows[i].name;
        }
        bool hasPicture = source.find("<img") != std::string::npos;
        EXPECT_EQ(html.find("<img") != std::string::npos, images && hasPicture) << rows[i].name;
      } else {
        ++unable;
      }
    }
    EXPECT_EQ(ui->messages.size(), unable);
    EXPECT_EQ(unable, withCorpus ? 2u : 0u);
  }
}
