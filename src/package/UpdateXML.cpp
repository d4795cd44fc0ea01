// Reading update.xml into TUpdateXML: the lookup, text and failure rules of
// the manifest on top of the platform's XML document object.
#include "package/UpdateXML.h"

#include "base/OvexError.h"
#include "base/TextCodec.h"
#include "platform/XmlDom.h"

using platform::XmlDocument;
using platform::XmlNode;
using platform::XmlNodeType;

void TUpdateFileList::addUpadteFile(std::unique_ptr<TUpdateFile> uf) {
  if (!ufList) ufList = std::make_unique<List>();
  ufList->push_back(std::move(uf));
}

const TUpdateFileList::List& TUpdateFileList::entries() const {
  static const List empty;
  return ufList ? *ufList : empty;
}

namespace {

// The first 40 UTF-16 code units of a source line, never half a pair.
std::string first40(const std::string& line) {
  std::u16string units = utf8ToUtf16(line);
  if (units.size() > 40) {
    units.resize(40);
    if (units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();
  }
  return utf16ToUtf8(units);
}

std::string loadFailureText(const platform::XmlLoadError& e) {
  return e.reason + "\r\n" + "Line" + ": " + std::to_string(e.line) + "\r\n" + first40(e.sourceLine);
}

// The first child named name; a missing one is appended, empty, to parent.
XmlNode childByName(XmlDocument& dom, XmlNode parent, const std::string& name) {
  const std::size_t n = dom.childCount(parent);
  for (std::size_t i = 0; i < n; ++i) {
    XmlNode c = dom.child(parent, i);
    if (dom.name(c) == name) return c;
  }
  return dom.appendElement(parent, name);
}

// The text of a leaf: its single text or CDATA child, exactly. Empty text
// counts as a null value, which a string field cannot take.
std::string leafText(XmlDocument& dom, XmlNode leaf) {
  std::string text;
  const XmlNodeType kind = dom.type(leaf);
  if (kind != XmlNodeType::Element) {
    text = dom.value(leaf);
  } else if (const std::size_t n = dom.childCount(leaf); n > 0) {
    const XmlNode only = dom.child(leaf, 0);
    const XmlNodeType t = dom.type(only);
    if (n != 1 || (t != XmlNodeType::Text && t != XmlNodeType::CData))
      throw OvexError("Element \"" + dom.name(leaf) + "\" does not contain a single text node");
    text = dom.value(only);
  }
  if (text.empty()) throw OvexError("Could not convert variant of type (Null) into type (OleStr)");
  return text;
}

std::string readLeaf(XmlDocument& dom, XmlNode parent, const std::string& name) {
  return leafText(dom, childByName(dom, parent, name));
}

void readInfo(XmlDocument& dom, XmlNode node, TUpdateInfo& info) {
  info.version = readLeaf(dom, node, "version");
  info.forceUpdate = readLeaf(dom, node, "forceUpdate");
  info.updateDate = readLeaf(dom, node, "updateDate");
  info.url = readLeaf(dom, node, "url");
  info.basePath = readLeaf(dom, node, "basePath");
  info.updateDesc = readLeaf(dom, node, "updateDesc");
}

void readEntry(XmlDocument& dom, XmlNode node, TUpdateFile& uf) {
  uf.fileName = readLeaf(dom, node, "fileName");
  uf.checkCode = readLeaf(dom, node, "checkCode");
  uf.updateStyle = readLeaf(dom, node, "updateStyle");
  uf.setUpPath = readLeaf(dom, node, "setUpPath");
}

}  // namespace

void TUpdateXML::xmlToObject(XmlDocument& dom, const std::string& xml) {
  platform::XmlLoadError error;
  if (!dom.load(xml, &error)) throw OvexError(loadFailureText(error));
  const XmlNode root = dom.documentElement();

  const XmlNode infoNode = childByName(dom, root, "updateInfo");
  updateInfo = std::make_unique<TUpdateInfo>();
  readInfo(dom, infoNode, *updateInfo);

  updateFileList = std::make_unique<TUpdateFileList>();
  const XmlNode listNode = childByName(dom, root, "updateFileList");
  const std::size_t n = dom.childCount(listNode);
  for (std::size_t i = 0; i < n; ++i) {
    auto uf = std::make_unique<TUpdateFile>();
    TUpdateFile& entry = *uf;
    // The entry joins the list only once all four leaves are read; a failed
    // read leaves the entries before it.
    readEntry(dom, dom.child(listNode, i), entry);
    updateFileList->addUpadteFile(std::move(uf));
  }
  dom.close();
}
