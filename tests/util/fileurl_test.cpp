#include "util/fileurl.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(FileUrl, PathsGoThereAndBackWhateverTheirCharacters) {
  EXPECT_EQ(util::pathToFileUrl("/A b/\xC3\xA9.html"), "file:///A%20b/%C3%A9.html");
  EXPECT_EQ(util::pathToFileUrl("/site #1/a?b%41[c].html"), "file:///site%20%231/a%3Fb%2541%5Bc%5D.html");
  for (const char* path : {"/", "/plain/page.html", "/site #1/a?b%41.html", "/caf\xC3\xA9/x;y=z@w.png",
                           "/tab\there/new\nline", "/~user/(1)+[2]'s.gif"})
    EXPECT_EQ(util::fileUrlToPath(util::pathToFileUrl(path)), path) << path;
}

TEST(FileUrl, OnlyUrlsOfLocalFilesGiveAPath) {
  EXPECT_EQ(util::fileUrlToPath("file:///a%20b/c.html"), "/a b/c.html");
  EXPECT_EQ(util::fileUrlToPath("  FILE://localhost/x.html "), "/x.html");
  EXPECT_EQ(util::fileUrlToPath("file:/x.html"), "/x.html");
  EXPECT_EQ(util::fileUrlToPath("file:///dir/page.html?q=1#top"), "/dir/page.html");
  EXPECT_EQ(util::fileUrlToPath("file:///bad%zzescape"), "/bad%zzescape");
  EXPECT_EQ(util::fileUrlToPath("file://elsewhere/x.html"), std::nullopt);
  EXPECT_EQ(util::fileUrlToPath("file:///a%00b"), std::nullopt);
  EXPECT_EQ(util::fileUrlToPath("file:relative/x.html"), std::nullopt);
  EXPECT_EQ(util::fileUrlToPath("http://host/x.html"), std::nullopt);
  EXPECT_EQ(util::fileUrlToPath("/plain/path.html"), std::nullopt);
}
