#pragma once
// A working directory W (the current directory, with its scratch folder
// tmp) and a client folder K for applying package entries.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "TestSupport.h"
#include "package/TupdateOp.h"
#include "package/UpdateXML.h"

namespace ops_test {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // relative name -> bytes

// Writes the files into a staging folder and packs them with Python's
// zipfile, names as given (UTF-8 names get the Unicode flag).
inline void makeZip(const std::string& archive, const Files& files) {
  testsupport::TempDir staging;
  for (const auto& [name, bytes] : files) testsupport::writeFile(staging / name, bytes);
  const std::string script =
      "import os,sys,zipfile\n"
      "src,dst=sys.argv[1],sys.argv[2]\n"
      "with zipfile.ZipFile(dst,'w',zipfile.ZIP_DEFLATED) as z:\n"
      "  for root,dirs,names in os.walk(src):\n"
      "    for n in sorted(names):\n"
      "      p=os.path.join(root,n); z.write(p,os.path.relpath(p,src))\n";
  const auto r = testsupport::runCommand("python3 -c " + testsupport::shellQuote(script) + " " +
                                         testsupport::shellQuote(staging.path()) + " " +
                                         testsupport::shellQuote(archive));
  ASSERT_EQ(r.status, 0) << r.output;
}

inline TUpdateFile entry(const std::string& fileName, const std::string& style, const std::string& setUpPath) {
  TUpdateFile uf;
  uf.fileName = fileName;
  uf.checkCode = "x";
  uf.updateStyle = style;
  uf.setUpPath = setUpPath;
  return uf;
}

// Restores the current directory when it goes.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& dir) : saved_(fs::current_path()) { fs::current_path(dir); }
  ~CurrentDirectory() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

inline bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }

}  // namespace ops_test
