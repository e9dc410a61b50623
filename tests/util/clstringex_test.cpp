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

TEST(ClStringEx, ValidFileNameRefusesEachForbiddenCharacterWithOneMessage) {
  for (std::string good : {"index.wml", "", "my page (2).wml"}) {
    ui::ScopedScriptedUi ui;
    EXPECT_TRUE(clStringEx().validFileName(good)) << good;
    EXPECT_TRUE(ui->messages.empty()) << good;
  }
  for (std::string bad : {"a/b.wml", "a\\b", "c:d", "a*", "what?.wml", "say\"hi\"", "<x", "y>", "p|q", "a/b?c.wml"}) {
    ui::ScopedScriptedUi ui;
    EXPECT_FALSE(clStringEx().validFileName(bad)) << bad;
    ASSERT_EQ(ui->messages.size(), 1u) << bad; // two forbidden characters still give one message
    EXPECT_EQ(ui->messages[0].text, "File names cannot contain the following characters:\n\n         \\/:*?\"<>|");
    EXPECT_EQ(ui->messages[0].style, ui::vbCritical | ui::vbOKOnly);
  }
}
