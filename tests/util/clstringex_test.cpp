#include "platform/ui/clstringex.h"
#include "tests/support/scriptedui.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(ClStringEx, TrimCharacterRemovesOnlyTrailingCopiesAndChangesTheArgument) {
  const struct {
    const char* in;
    const char* character;
    const char* out;
  } cases[] = {
      {"C:\\", "\\", "C:"}, {"C:\\\\", "\\", "C:"}, {"C:\\web", "\\", "C:\\web"}, {"/out///", "/", "/out"},
      {"////", "/", ""},    {"abab", "ab", "abab"}, // more than one character never matches
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(clStringEx().trimCharacter(text, c.character), c.out) << c.in;
    EXPECT_EQ(text, c.out) << c.in;
  }
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
