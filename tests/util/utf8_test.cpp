#include "util/utf8.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(Utf8, DecodesOnlyWellFormedCharactersAndEncodesEachOneBack) {
  const struct {
    std::string bytes;
    char32_t codePoint;
    std::size_t length; // 0: not a character
  } cases[] = {
      {std::string(1, '\0'), 0, 1},
      {"\x7F", 0x7F, 1},
      {"\xC2\x80", 0x80, 2}, // the first and last of each length
      {"\xDF\xBF", 0x7FF, 2},
      {"\xE0\xA0\x80", 0x800, 3},
      {"\xE2\x82\xAC", 0x20AC, 3},
      {"\xF0\x90\x80\x80", 0x10000, 4},
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
      {"\xEF\xBF\xBF", 0xFFFF, 3}, // a noncharacter is still UTF-8
      {"\xC0\x80", 0, 0},          // overlong NUL
      {"\xC1\xBF", 0, 0},          // overlong two-byte form
      {"\xE0\x9F\xBF", 0, 0},      // overlong three-byte form
      {"\xF0\x8F\xBF\xBF", 0, 0},  // overlong four-byte form
      {"\xED\xA0\x80", 0, 0},      // a surrogate
      {"\xF4\x90\x80\x80", 0, 0},  // past U+10FFFF
      {"\xF5\x80\x80\x80", 0, 0},  // a lead byte UTF-8 never uses
      {"\x80", 0, 0},              // a continuation byte alone
      {"\xE2\x82", 0, 0},          // cut short
      {"\xE2\x28\xAC", 0, 0},      // a continuation byte missing
      {"", 0, 0},
  };
  for (const auto& c : cases) {
    const util::Utf8Char decoded = util::decodeUtf8(c.bytes);
    EXPECT_EQ(decoded.length, c.length) << testing::PrintToString(c.bytes);
    if (c.length > 0) {
      EXPECT_EQ(decoded.codePoint, c.codePoint) << testing::PrintToString(c.bytes);
      std::string encoded;
      util::appendUtf8(encoded, c.codePoint);
      EXPECT_EQ(encoded, c.bytes);
    }
    EXPECT_EQ(util::isValidUtf8(c.bytes), c.length == c.bytes.size()) << testing::PrintToString(c.bytes);
  }
}

TEST(Utf8, RepairReplacesEachBrokenSequenceOnce) {
  const std::string r(util::replacementCharacter);
  const struct {
    std::string bytes;
    std::string repaired;
  } cases[] = {
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      {std::string("a\xFF") + "b", "a" + r + "b"},
      {std::string("\xE2\x82") + "x", r + "x"}, // a cut-off sequence is one error
      {"\xED\xA0\x80!", r + "!"},               // a surrogate's three bytes are one error
      {"\xC0\x80", r + r},                      // 0xC0 starts nothing: its continuation is a second error
      {"\x80\x80", r + r},
      {"\xF0\x9F\x98", r}, // cut off at the end
      {"\xE2\x82\xE2\x82\xAC", r + "\xE2\x82\xAC"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(util::repairUtf8(c.bytes), c.repaired) << testing::PrintToString(c.bytes);
}
