// The small text helpers: base64, as a data: URL holds a picture.

#include "util/text.h"

#include <gtest/gtest.h>

TEST(Base64, EncodesEveryLengthWithItsPadding) {
  const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                       {"f", "Zg=="},
                                                       {"fo", "Zm8="},
                                                       {"foo", "Zm9v"},
                                                       {"foob", "Zm9vYg=="},
                                                       {"foobar", "Zm9vYmFy"},
                                                       {std::string("\xff\xfe\0", 3), "//4A"}};
  for (const auto& [bytes, encoded] : cases)
    EXPECT_EQ(tavro::util::base64(bytes), encoded) << bytes;
}
