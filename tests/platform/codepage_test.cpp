#include <gtest/gtest.h>

#include "platform/CodePages.h"

TEST(CodePage, ChineseRoundTripsThroughGbk) {
  const std::string text = "数据备份";
  bool lossless = false;
  const std::string gbk = platform::utf8ToAnsi(text, &lossless);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(gbk, "\xCA\xFD\xBE\xDD\xB1\xB8\xB7\xDD");
  EXPECT_EQ(platform::ansiToUtf8(gbk), text);
}

TEST(CodePage, UnmappableCharacterBecomesQuestionMark) {
  bool lossless = true;
  EXPECT_EQ(platform::utf8ToAnsi("a\xF0\x9F\x98\x80" "b", &lossless), "a?b");  // an emoji
  EXPECT_FALSE(lossless);
}

TEST(CodePage, Utf8ByteOrderMarkDecodesAsGbkText) {
  // EF BB is one GBK character; BF starts the next one with the following byte.
  const std::string decoded = platform::ansiToUtf8("\xEF\xBB\xBF" "A");
  EXPECT_EQ(decoded.substr(0, 3), "锘");
}
