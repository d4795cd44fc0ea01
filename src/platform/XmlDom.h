#pragma once
// A small XML document object: load a file, walk its nodes, append an
// element. Parsing and node access live behind this interface (libxml2 on
// POSIX, MSXML on Windows); what the nodes mean is the caller's business.
//
// Loading never resolves external entities, never loads or applies a DTD,
// never touches the network and does not validate. Text nodes made of white
// space only are not kept (unless xml:space="preserve" asks for them);
// comments and processing instructions are kept as nodes. The encoding comes
// from the byte-order mark or the encoding declaration, UTF-8 otherwise.
// All texts are UTF-8.
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

enum class XmlNodeType { Element, Text, CData, Comment, ProcessingInstruction, Other };

// A node of a loaded document; valid while the document stays open.
struct XmlNode {
  void* handle = nullptr;
  explicit operator bool() const { return handle != nullptr; }
};

// Why a load failed: the parser's reason, the line (1-based, 0 when the file
// could not be read at all) and the text of that source line.
struct XmlLoadError {
  std::string reason;
  int line = 0;
  std::string sourceLine;
};

class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Loads the file (a UTF-8 path, "\" or "/" separators) and makes the
  // document active. False with *error filled when the file is missing,
  // unreadable or not well-formed.
  bool load(const std::string& path, XmlLoadError* error);
  bool active() const;
  // Releases the loaded document; every node taken from it becomes invalid.
  void close();

  XmlNode documentElement() const;
  std::size_t childCount(XmlNode node) const;
  XmlNode child(XmlNode node, std::size_t index) const;
  XmlNodeType type(XmlNode node) const;
  // The node name as the DOM gives it: the qualified name of an element, the
  // target of a processing instruction, "#text", "#cdata-section",
  // "#comment" for the others.
  std::string name(XmlNode node) const;
  // The text of a text, CDATA, comment or processing-instruction node.
  std::string value(XmlNode node) const;
  // Appends a new empty element to parent and returns it. Raises OvexError
  // when parent cannot hold elements (a comment, text, ...).
  XmlNode appendElement(XmlNode parent, const std::string& name);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
