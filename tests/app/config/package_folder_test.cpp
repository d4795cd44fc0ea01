// lastPackageFile: the package is the last plain file of update\ in the
// platform's listing order.
#include <filesystem>
#include <vector>

#include "ConfigTestSupport.h"
#include "app/PackageFolder.h"
#include "platform/Files.h"

using namespace configtest;

namespace {

struct Row {
  std::vector<std::string> files;  // a name ending in "/" is a folder
  std::string package;             // in NTFS's order: upper-case forms compared
};

const Row kRows[] = {
    {{"a.zip", "_b.zip"}, "_b.zip"},  // "_" after the letters: lower-case folding puts it before
    {{"Z.zip", "a.zip"}, "Z.zip"},    // unfolded bytes put "Z" before "a"
    {{"update_10.zip", "update_9.zip", "update_1.zip"}, "update_9.zip"},  // no number order
    {{"升级包.zip", "z.zip"}, "升级包.zip"},
    {{"a.zip", "b.zip/", ".hidden.zip"}, "a.zip"},  // folders and hidden files never qualify
    {{"sub/"}, ""},
};

std::string packageOf(const Row& row, std::string* lastListed) {
  testsupport::TempDir tmp;
  const std::string folder = tmp.path() + "\\update\\";  // as the tool joins it
  std::filesystem::create_directories(testsupport::nativePath(tmp / "update"));
  for (const std::string& name : row.files) {
    if (name.back() == '/')
      std::filesystem::create_directories(testsupport::nativePath(tmp / "update/" + name));
    else
      writeFile(tmp / "update/" + name, "x");
    if (name[0] == '.') platform::setFileAttributes(tmp / "update/" + name, platform::kAttrHidden);
  }
  std::vector<platform::DirEntry> entries;
  lastListed->clear();
  if (platform::listDirectory(folder, &entries))
    for (const auto& e : entries)
      if (!e.isDirectory && e.name[0] != '.') *lastListed = e.name;
  return lastPackageFile(folder);
}

}  // namespace

TEST(PackageFolder, LastPlainFileInTheListingOrderIsThePackage) {
  for (const Row& row : kRows) {
    std::string lastListed;
    const std::string package = packageOf(row, &lastListed);
    EXPECT_EQ(package, lastListed) << row.files[0];  // the listing is not sorted again
    EXPECT_EQ(package, row.package) << row.files[0];
  }
}

TEST(PackageFolder, MissingFolderGivesNoPackage) {
  testsupport::TempDir tmp;
  EXPECT_EQ(lastPackageFile(tmp.path() + "\\update\\"), "");
}
