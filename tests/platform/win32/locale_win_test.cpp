// The locale as Windows gives it (the tests run with the zh-CN locale).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/CodePages.h"
#include "platform/Time.h"

TEST(WinLocale, ScriptNamesInUserLocaleOrder) {
  std::vector<std::string> names = {"c.sql", "B.sql", "a-b.sql", "ab.sql", "a.sql",
                                    "2.sql", "10.sql", "1.sql", "_x.sql"};
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return platform::compareLocaleNoCase(a, b) < 0; });
  const std::vector<std::string> expected = {"_x.sql", "1.sql",  "10.sql",  "2.sql", "a.sql",
                                             "ab.sql", "a-b.sql", "B.sql", "c.sql"};
  EXPECT_EQ(names, expected);
}

TEST(WinLocale, TimeSeparatorAndLocalTime) {
  EXPECT_EQ(platform::timeSeparator(), ":");
  const std::time_t t = 1700000000;
  EXPECT_EQ(platform::fromLocalTime(platform::toLocalTime(t)), t);
  EXPECT_GE(platform::localNow().year, 2024);
}

TEST(WinLocale, OemAndAnsiPagesAreGbk) {
  EXPECT_EQ(platform::utf8ToOem("数据"), "\xCA\xFD\xBE\xDD");
  EXPECT_EQ(platform::oemToUtf8("\xCA\xFD\xBE\xDD"), "数据");
}
