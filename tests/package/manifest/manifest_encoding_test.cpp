// Manifests in the encodings the packages come in.
#include "ManifestFixture.h"
#include "platform/Platform.h"
#include "util/TextCodec.h"

namespace manifest_test {
namespace {

// 中文喆: 喆 is in GBK but not in GB2312.
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87\xE5\x96\x86";

std::string manifestWithDesc(const std::string& desc) {
  return "<r><updateInfo><version>1</version><forceUpdate>0</forceUpdate><updateDate>d</updateDate><url>u</url>"
         "<basePath>b</basePath><updateDesc>" + desc + "</updateDesc></updateInfo></r>";
}

TEST_F(ManifestTest, GbkAndGb2312DeclarationsReadAsCodePage936) {
  for (const char* name : {"GBK", "gb2312", "GB2312"}) {
    SCOPED_TRACE(name);
    const std::string bytes = platform::utf8ToAnsi(
        std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?>" + manifestWithDesc(kChinese));
    ASSERT_EQ(bytes.find(kChinese), std::string::npos) << "written in code page 936";
    platform::XmlDocument d;
    TUpdateXML m;
    m.xmlToObject(d, write(bytes));
    EXPECT_EQ(m.updateInfo->updateDesc, kChinese);
  }
}

TEST_F(ManifestTest, ByteOrderMarksSelectTheEncoding) {
  read("\xEF\xBB\xBF" + manifestWithDesc(kChinese));
  EXPECT_EQ(model.updateInfo->updateDesc, kChinese);

  const std::u16string text = utf8ToUtf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + manifestWithDesc(kChinese));
  std::string le = "\xFF\xFE";
  for (char16_t c : text) le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  platform::XmlDocument d;
  TUpdateXML m;
  m.xmlToObject(d, write(le));
  EXPECT_EQ(m.updateInfo->updateDesc, kChinese);
}

TEST_F(ManifestTest, FailingSourceLineIsDecoded) {
  const std::string gbk = platform::utf8ToAnsi("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<r>\n" + kChinese + "</x>\n</r>");
  const std::string text = failure(gbk);
  EXPECT_EQ(text.substr(text.find("\r\n")), "\r\nLine: 3\r\n" + kChinese + "</x>");

  const std::u16string u = utf8ToUtf16("<r>\r\n<a>\r\n" + kChinese + "</b>\r\n</r>");
  std::string be = "\xFE\xFF";
  for (char16_t c : u) be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  const std::string text16 = failure(be);
  EXPECT_EQ(text16.substr(text16.find("\r\n")), "\r\nLine: 3\r\n" + kChinese + "</b>");
}

TEST_F(ManifestTest, BytesThatDoNotFitTheEncodingFail) {
  EXPECT_FALSE(failure(manifestWithDesc("\xC0\xFF")).empty());
}

}  // namespace
}  // namespace manifest_test
