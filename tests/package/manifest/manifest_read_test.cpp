// What a well-formed manifest reads as.
#include "ManifestFixture.h"

namespace manifest_test {
namespace {

TEST_F(ManifestTest, ReadsHeaderAndEntriesInDocumentOrder) {
  read("<?xml version=\"1.0\"?><root>" + std::string(kInfo) + "<updateFileList>" + entry("file", "a.zip", "1 ") +
       entry("updateFile", "b.zip", "1", "\\db") + "</updateFileList></root>");
  ASSERT_TRUE(model.updateInfo);
  EXPECT_EQ(model.updateInfo->version, "2.1.0");
  EXPECT_EQ(model.updateInfo->forceUpdate, "0");
  EXPECT_EQ(model.updateInfo->updateDate, "2024-01-02");
  EXPECT_EQ(model.updateInfo->url, "http://x");
  EXPECT_EQ(model.updateInfo->basePath, "\\base");
  EXPECT_EQ(model.updateInfo->updateDesc, "desc");
  const auto& list = model.updateFileList->entries();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->fileName, "a.zip");
  EXPECT_EQ(list[0]->checkCode, "abc");
  EXPECT_EQ(list[0]->updateStyle, "1 ");  // stored as written
  EXPECT_EQ(list[0]->setUpPath, "\\server\\lib");
  EXPECT_EQ(list[1]->fileName, "b.zip");
  EXPECT_EQ(list[1]->setUpPath, "\\db");
  EXPECT_FALSE(dom.active());
}

TEST_F(ManifestTest, IndentedManifestReadsLikeOneLine) {
  read(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root>\r\n  <updateInfo>\r\n    <version>3</version>\n"
      "    <forceUpdate>1</forceUpdate>\n\t<updateDate>d</updateDate>\n <url>u</url>\n <basePath>b</basePath>\n"
      " <updateDesc>x</updateDesc>\n  </updateInfo>\n  <updateFileList>\n    <file>\n      <fileName>a.zip</fileName>\n"
      "      <checkCode>c</checkCode>\n      <updateStyle>1</updateStyle>\n      <setUpPath>\\p</setUpPath>\n"
      "    </file>\n  </updateFileList>\n</root>\n");
  EXPECT_EQ(model.updateInfo->version, "3");
  ASSERT_EQ(model.updateFileList->entries().size(), 1u);
  EXPECT_EQ(model.updateFileList->entries()[0]->updateStyle, "1");
  EXPECT_EQ(model.updateFileList->entries()[0]->setUpPath, "\\p");
}

TEST_F(ManifestTest, MissingOrEmptyFileListGivesAbsentList) {
  read(std::string("<r>") + kInfo + "</r>");
  EXPECT_FALSE(model.updateFileList->ufList);
  EXPECT_TRUE(model.updateFileList->entries().empty());

  platform::XmlDocument second;
  TUpdateXML other;
  other.xmlToObject(second, write(std::string("<r><updateFileList>\n  </updateFileList>") + kInfo + "</r>"));
  EXPECT_FALSE(other.updateFileList->ufList);
  EXPECT_EQ(other.updateInfo->version, "2.1.0");
}

TEST_F(ManifestTest, FirstOfTwoVersionsWinsAndStrangersAreIgnored) {
  read(
      "<r><other/><updateInfo><version>first</version><version>second</version><forceUpdate>0</forceUpdate>"
      "<note>n</note><updateDate>d</updateDate><url>u</url><basePath>b</basePath><updateDesc>x</updateDesc>"
      "</updateInfo><updateFileList><e><note>hi</note><setUpPath>\\s</setUpPath><updateStyle>2</updateStyle>"
      "<checkCode>c</checkCode><fileName>f.zip</fileName></e></updateFileList></r>");
  EXPECT_EQ(model.updateInfo->version, "first");
  ASSERT_EQ(model.updateFileList->entries().size(), 1u);
  EXPECT_EQ(model.updateFileList->entries()[0]->fileName, "f.zip");
}

TEST_F(ManifestTest, TextIsTakenExactly) {
  read(
      "<r><updateInfo><version>  1.0 </version><forceUpdate><![CDATA[<yes>]]></forceUpdate>"
      "<updateDate>a &amp; b</updateDate><url>&#x4E2D;</url><basePath>b</basePath>"
      "<updateDesc>line1\nline2</updateDesc></updateInfo></r>");
  EXPECT_EQ(model.updateInfo->version, "  1.0 ");
  EXPECT_EQ(model.updateInfo->forceUpdate, "<yes>");
  EXPECT_EQ(model.updateInfo->updateDate, "a & b");
  EXPECT_EQ(model.updateInfo->url, "\xE4\xB8\xAD");
  EXPECT_EQ(model.updateInfo->updateDesc, "line1\nline2");
}

TEST_F(ManifestTest, ManyEntriesReadInOrder) {
  std::string list;
  for (int i = 0; i < 20000; ++i) list += entry("f", std::to_string(i) + ".zip");
  read(std::string("<r>") + kInfo + "<updateFileList>" + list + "</updateFileList></r>");
  const auto& entries = model.updateFileList->entries();
  ASSERT_EQ(entries.size(), 20000u);
  EXPECT_EQ(entries.front()->fileName, "0.zip");
  EXPECT_EQ(entries.back()->fileName, "19999.zip");
}

TEST(ManifestList, AddUpadteFileCreatesTheListOnFirstAdd) {
  TUpdateFileList list;
  EXPECT_FALSE(list.ufList);
  auto uf = std::make_unique<TUpdateFile>();
  uf->fileName = "x.zip";
  list.addUpadteFile(std::move(uf));
  ASSERT_TRUE(list.ufList);
  list.addUpadteFile(std::make_unique<TUpdateFile>());
  ASSERT_EQ(list.entries().size(), 2u);
  EXPECT_EQ(list.entries()[0]->fileName, "x.zip");
}

}  // namespace
}  // namespace manifest_test
