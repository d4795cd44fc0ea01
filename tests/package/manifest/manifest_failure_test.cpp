// Manifests that must not read, and the texts they fail with.
#include "ManifestFixture.h"

namespace manifest_test {
namespace {

const std::string kNull = "Could not convert variant of type (Null) into type (OleStr)";

std::string infoWith(const std::string& name, const std::string& inner) {
  std::string info = kInfo;
  const std::string open = "<" + name + ">", close = "</" + name + ">";
  const auto a = info.find(open), b = info.find(close);
  return info.substr(0, a) + inner + info.substr(b + close.size());
}

TEST_F(ManifestTest, MissingEmptyOrBlankLeafIsANullValue) {
  EXPECT_EQ(failure("<r><updateFileList>" + entry("f", "a.zip") + "</updateFileList></r>"), kNull);
  EXPECT_FALSE(model.updateFileList) << "no entry is read after the header failed";
  for (const char* leaf : {"version", "forceUpdate", "updateDate", "url", "basePath", "updateDesc"}) {
    SCOPED_TRACE(leaf);
    EXPECT_EQ(failure("<r>" + infoWith(leaf, "") + "</r>"), kNull);
    EXPECT_EQ(failure("<r>" + infoWith(leaf, std::string("<") + leaf + "/>") + "</r>"), kNull);
    EXPECT_EQ(failure("<r>" + infoWith(leaf, std::string("<") + leaf + "> \t\r\n </" + leaf + ">") + "</r>"), kNull);
  }
}

TEST_F(ManifestTest, EntryFailureKeepsTheEntriesBefore) {
  const std::string bad = "<f><FileName>b.zip</FileName><checkCode>c</checkCode><updateStyle>0</updateStyle>"
                          "<setUpPath>\\x</setUpPath></f>";
  EXPECT_EQ(failure(std::string("<r>") + kInfo + "<updateFileList>" + entry("f", "a.zip") + bad +
                    entry("f", "c.zip") + "</updateFileList></r>"),
            kNull);
  ASSERT_EQ(model.updateFileList->entries().size(), 1u);
  EXPECT_EQ(model.updateFileList->entries()[0]->fileName, "a.zip");
  EXPECT_EQ(model.updateInfo->version, "2.1.0");

  const std::string noCheck = "<f><fileName>b.zip</fileName><updateStyle>0</updateStyle><setUpPath>\\x</setUpPath></f>";
  EXPECT_EQ(failure(std::string("<r>") + kInfo + "<updateFileList>" + noCheck + "</updateFileList></r>"), kNull);
}

TEST_F(ManifestTest, MixedContentNamesTheElement) {
  const std::string expect = "Element \"version\" does not contain a single text node";
  EXPECT_EQ(failure("<r>" + infoWith("version", "<version>1<!-- c --></version>") + "</r>"), expect);
  EXPECT_EQ(failure("<r>" + infoWith("version", "<version><b>1</b></version>") + "</r>"), expect);
  EXPECT_EQ(failure("<r>" + infoWith("version", "<version><?pi x?></version>") + "</r>"), expect);
  EXPECT_EQ(failure("<r>" + infoWith("version", "<version>1<![CDATA[2]]></version>") + "</r>"), expect);
}

TEST_F(ManifestTest, NonElementInFileListIsRefused) {
  for (const char* stray : {"<!-- note -->", "<?pi data?>", "stray text"}) {
    SCOPED_TRACE(stray);
    const std::string text =
        failure(std::string("<r>") + kInfo + "<updateFileList>" + entry("f", "a.zip") + stray + "</updateFileList></r>");
    EXPECT_NE(text.find("Cannot append the element \"fileName\""), std::string::npos) << text;
    EXPECT_EQ(model.updateFileList->entries().size(), 1u);
  }
}

TEST_F(ManifestTest, MalformedFileReportsReasonLineAndSource) {
  if (parseErrorDetailsMissing()) GTEST_SKIP() << kNoDetails;
  const std::string text = failure(
      "<?xml version=\"1.0\"?>\r\n<root>\r\n  <updateInfo><version>1</versio></updateInfo> and a long tail after it\r\n"
      "</root>\r\n");
  const auto first = text.find("\r\n");
  ASSERT_NE(first, std::string::npos) << text;
  EXPECT_GT(first, 0u) << "the parser's reason comes first";
  EXPECT_EQ(text.substr(first), "\r\nLine: 3\r\n  <updateInfo><version>1</versio></updat");
  EXPECT_TRUE(dom.documentElement().handle == nullptr);
}

TEST_F(ManifestTest, SourceLineIsCutAtFortyCharacters) {
  if (parseErrorDetailsMissing()) GTEST_SKIP() << kNoDetails;
  // 45 Chinese characters on the failing line: 40 of them are reported.
  std::string han;
  for (int i = 0; i < 45; ++i) han += "\xE4\xB8\xAD";
  const std::string text = failure("<r>\n" + han + "<\n</r>");
  EXPECT_EQ(text.substr(text.find("\r\n")), "\r\nLine: 2\r\n" + han.substr(0, 120));
}

TEST_F(ManifestTest, MissingEmptyOrFolderPathFails) {
  for (const std::string& path : {dir / "nothing.xml", dir.path()}) {
    try {
      model.xmlToObject(dom, path);
      ADD_FAILURE() << path;
    } catch (const OvexError& e) {
      EXPECT_NE(std::string(e.what()).find("\r\nLine: 0\r\n"), std::string::npos) << e.what();
    }
  }
  const std::string empty = failure("");
  if (!parseErrorDetailsMissing()) {
    EXPECT_NE(empty.find("\r\nLine: 1\r\n"), std::string::npos) << empty;
  }
  EXPECT_NE(failure("<r>").find("\r\nLine"), std::string::npos);
}

TEST_F(ManifestTest, HostileInputFailsOrIsHarmless) {
  // Entity expansion: refused or left unexpanded, never blown up.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">";
  std::string prev = "a";
  for (char c = 'b'; c <= 'k'; ++c) {
    laughs += std::string("<!ENTITY ") + c + " \"";
    for (int i = 0; i < 10; ++i) laughs += "&" + prev + ";";
    laughs += "\">";
    prev = std::string(1, c);
  }
  laughs += "]><r><updateInfo><version>&k;</version></updateInfo></r>";
  EXPECT_FALSE(failure(laughs).empty());

  // An external entity is never read.
  testsupport::writeFile(dir / "secret.txt", "SECRET");
  const std::string external = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file://" + dir.path() +
                               "/secret.txt\">]><r>" + infoWith("version", "<version>&x;</version>") + "</r>";
  EXPECT_EQ(failure(external).find("SECRET"), std::string::npos);

  // Deep nesting stops at the parser's depth limit.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  const std::string tooDeep = failure(deep);
  if (!parseErrorDetailsMissing()) {
    EXPECT_NE(tooDeep.find("\r\nLine: 1\r\n"), std::string::npos) << tooDeep;
  }

#ifndef _WIN32
  // An element with a huge text stays within the parser's limits. (MSXML
  // has no such limit: the text is read, which is harmless.)
  EXPECT_FALSE(failure("<r>" + infoWith("version", "<version>" + std::string(20 << 20, 'x') + "</version>") + "</r>").empty());
#endif
}

}  // namespace
}  // namespace manifest_test
