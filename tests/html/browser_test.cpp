// The browser: what it shows, the events it raises, and what it refuses.

#include "platform/html/browser.h"
#include "platform/html/url.h"
#include "tests/support/testsupport.h"

#include "util/fileurl.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace tavro;
using namespace tavro::html;

namespace {

// Records the events a browser raises, with its state at each.
struct Recorder {
  explicit Recorder(Browser& b) {
    b.NavigateComplete2.connect([this](Browser& br, const std::string& url) {
      log.push_back("navigate " + url + " " + std::to_string(br.ReadyState()) + " " + br.Document()->readyState());
    });
    b.DocumentComplete.connect([this](Browser& br, const std::string& url) {
      log.push_back("complete " + url + " " + std::to_string(br.ReadyState()) + " " + br.Document()->readyState());
    });
  }
  std::vector<std::string> log;
};

} // namespace

TEST(Browser, ShowsABlankPageOrALocalFileByPathOrFileUrl) {
  Browser browser;
  EXPECT_EQ(browser.ReadyState(), 0);
  EXPECT_EQ(browser.Document(), nullptr);
  Recorder events(browser);
  ASSERT_TRUE(browser.Navigate("about:blank"));
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"navigate about:blank 3 interactive", "complete about:blank 4 complete"}));
  EXPECT_FALSE(browser.Busy());
  EXPECT_EQ(browser.Document()->body()->innerHTML(), "");

  test::TempDir dir;
  std::string path = dir.file("my page.html");
  test::writeFile(path, "<title>t</title><p>caf\xE9</p>");
  ASSERT_TRUE(browser.Navigate(path)) << browser.LastError();
  std::string url = util::pathToFileUrl(path);
  EXPECT_EQ(browser.LocationURL(), url);
  EXPECT_EQ(browser.Document()->charset(), "windows-1252");
  EXPECT_EQ(browser.Document()->body()->innerHTML(), "<p>caf\xC3\xA9</p>");
  EXPECT_EQ(events.log.size(), 4u);

  auto first = browser.Document();
  ASSERT_TRUE(browser.Navigate(url));
  EXPECT_NE(browser.Document(), first); // a new document each time
  ASSERT_TRUE(browser.Navigate("file://localhost" + path));
  EXPECT_EQ(events.log.size(), 8u);

  // Frames are listed but never loaded.
  test::writeFile(dir.file("set.html"), "<frameset cols=50%,50%><frame src=a.htm><frame src=b.htm></frameset>");
  test::writeFile(dir.file("a.htm"), "<p>frame a</p>");
  ASSERT_TRUE(browser.Navigate(dir.file("set.html")));
  auto frames = browser.Document()->getElementsByTagName("FRAME");
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0]->attribute("src"), "a.htm");
  EXPECT_EQ(browser.Document()->body()->tagName(), "FRAMESET");
  EXPECT_EQ(browser.Document()->body()->textContent(), "");
}

TEST(Browser, RefusesOtherSchemesAndFilesItCannotReadAndKeepsItsPage) {
  Browser browser;
  ASSERT_TRUE(browser.Navigate("about:blank"));
  auto shown = browser.Document();
  Recorder events(browser);
  for (const char* address : {"http://example.com/", "https://example.com/x.html", "ftp://example.com/a.htm",
                              "javascript:alert(1)", "data:text/html,<p>x", "about:config",
                              "file://server/share/a.html", "mailto:a@b", "c:\\pages\\index.html", ""}) {
    EXPECT_FALSE(browser.Navigate(address)) << address;
    EXPECT_FALSE(browser.LastError().empty()) << address;
  }

  // Chosen, then gone before the load.
  test::TempDir dir;
  std::string gone = dir.file("gone.html");
  test::writeFile(gone, "<p>x</p>");
  ::unlink(gone.c_str());
  EXPECT_FALSE(browser.Navigate(gone));
  EXPECT_NE(browser.LastError().find(gone), std::string::npos);

  // A folder, and a pipe that nobody writes to: refused at once, not waited on.
  EXPECT_FALSE(browser.Navigate(dir.str()));
  std::string fifo = dir.file("pipe.html");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(browser.Navigate(fifo));
  EXPECT_NE(browser.LastError().find("not a regular file"), std::string::npos);

  // Larger than a page may be.
  std::string big = dir.file("big.html");
  test::writeFile(big, "");
  ASSERT_EQ(::truncate(big.c_str(), off_t(Browser::maxPageBytes + 1)), 0);
  EXPECT_FALSE(browser.Navigate(big));
  EXPECT_NE(browser.LastError().find("larger than 16 MiB"), std::string::npos) << browser.LastError();

  EXPECT_EQ(browser.Document(), shown);
  EXPECT_EQ(browser.ReadyState(), 4);
  EXPECT_TRUE(events.log.empty());
}

TEST(Browser, AHandlerThatNavigatesTakesOver) {
  Browser browser;
  int completes = 0;
  bool redirected = false;
  browser.NavigateComplete2.connect([&](Browser& b, const std::string& url) {
    if (redirected || url == "about:blank")
      return;
    redirected = true;
    b.Navigate("about:blank");
  });
  browser.DocumentComplete.connect([&](Browser&, const std::string&) { ++completes; });
  test::TempDir dir;
  test::writeFile(dir.file("a.html"), "<p>a</p>");
  ASSERT_TRUE(browser.Navigate(dir.file("a.html")));
  EXPECT_EQ(browser.LocationURL(), "about:blank");
  EXPECT_EQ(completes, 1);
  EXPECT_EQ(browser.ReadyState(), 4);
}

TEST(Url, ResolvesReferencesAgainstAPageAddress) {
  const std::string base = "file:///home/ann/site/page.html?q=1#top";
  EXPECT_EQ(resolveUrl(base, "a.gif"), "file:///home/ann/site/a.gif");
  EXPECT_EQ(resolveUrl(base, "./img/../b.gif"), "file:///home/ann/site/b.gif");
  EXPECT_EQ(resolveUrl(base, "../../../../../c.gif"), "file:///c.gif");
  EXPECT_EQ(resolveUrl(base, "pics\\d.gif"), "file:///home/ann/site/pics/d.gif");
  EXPECT_EQ(resolveUrl(base, "  \xC3\xA9t\xC3\xA9 1.gif "), "file:///home/ann/site/%C3%A9t%C3%A9%201.gif");
  EXPECT_EQ(resolveUrl(base, "e%20f.gif?a=%0A"), "file:///home/ann/site/e%20f.gif?a=%0A");
  EXPECT_EQ(resolveUrl(base, "/abs.gif"), "file:///abs.gif");
  EXPECT_EQ(resolveUrl(base, "//host/g.gif"), "file://host/g.gif");
  EXPECT_EQ(resolveUrl(base, "http://example.com/x.png"), "http://example.com/x.png");
  EXPECT_EQ(resolveUrl(base, "#x"), "file:///home/ann/site/page.html?q=1#x");
  EXPECT_EQ(resolveUrl(base, "data:image/gif;base64,R0"), "data:image/gif;base64,R0");
  // A colon after a slash is in a path; a scheme holds letters, digits, "+", "-" and ".".
  EXPECT_EQ(resolveUrl(base, "pics/12:30.gif"), "file:///home/ann/site/pics/12:30.gif");
  EXPECT_EQ(resolveUrl(base, "x-y+z.1:q"), "x-y+z.1:q");
  EXPECT_EQ(resolveUrl("http://h/a/b", "c"), "http://h/a/c");
  EXPECT_EQ(resolveUrl("about:blank", "a.gif"), "a.gif");
}
