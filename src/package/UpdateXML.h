#pragma once
// The manifest of an update package (update.xml) and its reader.
#include <memory>
#include <string>
#include <vector>

namespace platform {
class XmlDocument;
}

// The manifest header.
class TUpdateInfo {
 public:
  std::string version;
  std::string forceUpdate;
  std::string updateDate;
  std::string url;
  std::string basePath;
  std::string updateDesc;
};

// One package entry: an archive inside the package and how to apply it.
class TUpdateFile {
 public:
  std::string fileName;
  std::string checkCode;
  std::string updateStyle;
  std::string setUpPath;
};

// The entries in application order. ufList does not exist until the first
// entry is added; readers treat an absent list as an empty one (entries()).
class TUpdateFileList {
 public:
  using List = std::vector<std::unique_ptr<TUpdateFile>>;

  std::unique_ptr<List> ufList;

  // Creates ufList when absent, then appends uf; the list owns it.
  void addUpadteFile(std::unique_ptr<TUpdateFile> uf);
  // The entries, empty when ufList is absent.
  const List& entries() const;
};

// The manifest as a whole, made for one read of one file.
class TUpdateXML {
 public:
  std::unique_ptr<TUpdateInfo> updateInfo;
  std::unique_ptr<TUpdateFileList> updateFileList;

  // Reads the manifest file xml through dom, a new document object of the
  // caller. On a normal return both parts are set and dom has been closed;
  // on failure an OvexError is raised, dom keeps the loaded document and
  // what was read before the failure stays in the model.
  void xmlToObject(platform::XmlDocument& dom, const std::string& xml);
};
