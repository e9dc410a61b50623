#include "platform/ui/clstringex.h"
#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(ClStringEx, TrimCharacterRemovesOnlyTrailingCopiesAndChangesTheArgument) {
  clStringEx s;
  std::string path = "C:\\";
  EXPECT_EQ(s.trimCharacter(path, "\\"), "C:");
  EXPECT_EQ(path, "C:");
  std::string twice = "C:\\\\";
  EXPECT_EQ(s.trimCharacter(twice, "\\"), "C:");
  std::string web = "C:\\web";
  EXPECT_EQ(s.trimCharacter(web, "\\"), "C:\\web");
  std::string folder = "/out///";
  EXPECT_EQ(s.trimCharacter(folder, "/"), "/out");
  std::string all = "////";
  EXPECT_EQ(s.trimCharacter(all, "/"), "");
  std::string multi = "abab";
  EXPECT_EQ(s.trimCharacter(multi, "ab"), "abab"); // more than one character never matches
  std::string empty;
  EXPECT_EQ(s.trimCharacter(empty, ""), "");
}

TEST(ClStringEx, ValidFileNameAcceptsPlainAndEmptyNamesSilently) {
  ui::ScopedScriptedUi ui;
  clStringEx s;
  EXPECT_TRUE(s.validFileName("index.wml"));
  EXPECT_TRUE(s.validFileName(""));
  EXPECT_TRUE(s.validFileName("my page (2).wml"));
  EXPECT_TRUE(ui->messages.empty());
}

TEST(ClStringEx, ValidFileNameRejectsEachForbiddenCharacterWithOneMessage) {
  for (std::string bad : {"a/b.wml", "a\\b", "c:d", "a*", "what?.wml", "say\"hi\"", "<x", "y>", "p|q"}) {
    ui::ScopedScriptedUi ui;
    clStringEx s;
    EXPECT_FALSE(s.validFileName(bad)) << bad;
    ASSERT_EQ(ui->messages.size(), 1u) << bad;
    EXPECT_EQ(ui->messages[0].text, "File names cannot contain the following characters:\n\n         \\/:*?\"<>|");
    EXPECT_EQ(ui->messages[0].style, ui::vbCritical | ui::vbOKOnly);
    EXPECT_EQ(ui->messages[0].title, "");
  }
  ui::ScopedScriptedUi ui;
  EXPECT_FALSE(clStringEx().validFileName("a/b?c.wml"));
  EXPECT_EQ(ui->messages.size(), 1u); // two forbidden characters, still one message
}
