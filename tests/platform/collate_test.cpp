#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/CodePages.h"

namespace {
std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return platform::compareLocaleNoCase(a, b) < 0;
  });
  return names;
}
}  // namespace

TEST(Collate, WordSortOfScriptNames) {
  EXPECT_EQ(sorted({"2.sql", "10.sql", "1.sql"}), (std::vector<std::string>{"1.sql", "10.sql", "2.sql"}));
  EXPECT_EQ(sorted({"c.sql", "B.sql", "a.sql"}), (std::vector<std::string>{"a.sql", "B.sql", "c.sql"}));
  EXPECT_EQ(sorted({"c.sql", "a-b.sql", "B.sql", "ab.sql", "10.sql", "a.sql", "2.sql", "_x.sql", "1.sql"}),
            (std::vector<std::string>{"_x.sql", "1.sql", "10.sql", "2.sql", "a.sql", "ab.sql", "a-b.sql",
                                      "B.sql", "c.sql"}));
}

TEST(Collate, CaseIsIgnored) { EXPECT_EQ(platform::compareLocaleNoCase("ABC.sql", "abc.SQL"), 0); }
