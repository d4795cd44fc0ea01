// Str_Gb2UniCode and Unicode_str.
#include <gtest/gtest.h>

#include "base/OvexError.h"
#include "util/TUpdateUtils.h"

using TUpdateUtils::Str_Gb2UniCode;
using TUpdateUtils::Unicode_str;

TEST(StrGb2UniCode, EscapesExactlyTheCommonIdeographs) {
  EXPECT_EQ(Str_Gb2UniCode(""), "");
  EXPECT_EQ(Str_Gb2UniCode("中文v1.zip"), "\\u4E2D\\u6587v1.zip");
  EXPECT_EQ(Str_Gb2UniCode("升级包.zip"), "\\u5347\\u7EA7\\u5305.zip");
  EXPECT_EQ(Str_Gb2UniCode("一龥"), "\\u4E00\\u9FA5");
  EXPECT_EQ(Str_Gb2UniCode("龦"), "龦");            // 0x9FA6: just above the range
  EXPECT_EQ(Str_Gb2UniCode("\xE4\xB7\xBF"), "\xE4\xB7\xBF");  // 0x4DFF: just below
  EXPECT_EQ(Str_Gb2UniCode("update_2015.zip"), "update_2015.zip");
  EXPECT_EQ(Str_Gb2UniCode("（包，）"), "（\\u5305，）");
  EXPECT_EQ(Str_Gb2UniCode("𠀀x"), "𠀀x");  // a surrogate pair passes through whole
}

TEST(UnicodeStr, ReadsGroupsOfFourHexDigits) {
  EXPECT_EQ(Unicode_str("4E2D6587"), "中文");
  EXPECT_EQ(Unicode_str("7ea70041"), "级A");
  EXPECT_EQ(Unicode_str(""), "");
  EXPECT_EQ(Unicode_str("D840DC00"), "𠀀");
  EXPECT_EQ(Unicode_str("004100"), "A");  // an incomplete last group is ignored
  EXPECT_THROW(Unicode_str("4E2G"), OvexError);
}
