// Manifests in the encodings the packages come in.
#include "ManifestFixture.h"
#include "base/TextCodec.h"
#include "platform/CodePages.h"

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
    // Wine's MSXML reads "gb2312" as strict GB2312, where 喆 is missing;
    // Windows reads it as code page 936 like "GBK".
    if (testsupport::runningUnderWine() && std::string(name) != "GBK") continue;
    const std::string bytes = platform::utf8ToAnsi(
        std::string("<?xml version=\"1.0\" encoding=\"") + name + "\"?>" + manifestWithDesc(kChinese));
    ASSERT_EQ(bytes.find(kChinese), std::string::npos) << "written in code page 936";
    platform::XmlDocument d;
    TUpdateXML m;
    try {
      m.xmlToObject(d, write(bytes));
    } catch (const OvexError& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
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
  if (parseErrorDetailsMissing()) GTEST_SKIP() << kNoDetails;
  const std::string gbk = platform::utf8ToAnsi("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<r>\n" + kChinese + "</x>\n</r>");
  const std::string text = failure(gbk);
  EXPECT_EQ(text.substr(text.find("\r\n")), "\r\nLine: 3\r\n" + kChinese + "</x>");

  const std::u16string u = utf8ToUtf16("<r>\r\n<a>\r\n" + kChinese + "</b>\r\n</r>");
  std::string be = "\xFE\xFF";
  for (char16_t c : u) be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  const std::string text16 = failure(be);
  EXPECT_EQ(text16.substr(text16.find("\r\n")), "\r\nLine: 3\r\n" + kChinese + "</b>");
}

TEST_F(ManifestTest, BytesThatDoNotFitTheEncodingFailQuietly) {
  testing::internal::CaptureStderr();
  const std::string utf8 = failure("<r>\n" + manifestWithDesc("\xC0\xFF"));
  const std::string gbk = failure("<?xml version=\"1.0\" encoding=\"GBK\"?>\n<r>\n" + manifestWithDesc("\xD6\xD0\xFF\xFF"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the parser prints nothing";
  if (parseErrorDetailsMissing()) GTEST_SKIP() << kNoDetails;
#ifndef _WIN32  // the libxml2 stand-in's wording; MSXML words its reasons its own way
  EXPECT_NE(utf8.find("UTF-8"), std::string::npos) << utf8;
  EXPECT_NE(gbk.find("conversion"), std::string::npos) << gbk;
#endif
  EXPECT_NE(utf8.find("\r\nLine: 2\r\n"), std::string::npos) << utf8;
  EXPECT_NE(gbk.find("\r\nLine: 3\r\n"), std::string::npos) << gbk;
  EXPECT_EQ(gbk.find("\r\n"), gbk.find("\r\nLine")) << "the reason is one line";
}

}  // namespace
}  // namespace manifest_test
