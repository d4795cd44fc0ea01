#pragma once
// Writes a manifest into a scratch folder and reads it with TUpdateXML.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "base/OvexError.h"
#include "package/UpdateXML.h"
#include "platform/XmlDom.h"

namespace manifest_test {

inline const char* kInfo =
    "<updateInfo><version>2.1.0</version><forceUpdate>0</forceUpdate><updateDate>2024-01-02</updateDate>"
    "<url>http://x</url><basePath>\\base</basePath><updateDesc>desc</updateDesc></updateInfo>";

inline std::string entry(const std::string& tag, const std::string& file, const std::string& style = "0",
                         const std::string& path = "\\server\\lib") {
  return "<" + tag + "><fileName>" + file + "</fileName><checkCode>abc</checkCode><updateStyle>" + style +
         "</updateStyle><setUpPath>" + path + "</setUpPath></" + tag + ">";
}

// Wine's MSXML leaves a parse error's reason, line and source text empty
// (Windows and the libxml2 stand-in fill them): the cases on those details
// are skipped there.
inline bool parseErrorDetailsMissing() { return testsupport::runningUnderWine(); }
inline const char* kNoDetails = "Wine's MSXML gives no reason, line or source text for a parse error";

class ManifestTest : public ::testing::Test {
 protected:
  testsupport::TempDir dir;
  platform::XmlDocument dom;
  TUpdateXML model;

  std::string write(const std::string& bytes) {
    const std::string path = dir / "update.xml";
    testsupport::writeFile(path, bytes);
    return path;
  }
  void read(const std::string& bytes) { model.xmlToObject(dom, write(bytes)); }
  // The error text of a read that must fail.
  std::string failure(const std::string& bytes) {
    try {
      read(bytes);
    } catch (const OvexError& e) {
      return e.what();
    }
    ADD_FAILURE() << "read did not fail";
    return {};
  }
};

}  // namespace manifest_test
