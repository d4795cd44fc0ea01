#pragma once
// What the XML document object on Windows adds to MSXML's own reading of a
// file, so that a manifest reads alike on every MSXML, Wine's included.
#include <string>

#include "platform/XmlDom.h"

struct IXMLDOMDocument2;

namespace platform::xmldom {

// False, with *error filled, when bytes declare GBK (GB2312, CP936) and hold
// a sequence that code page 936 does not define: such a file is not
// well-formed, but Wine's MSXML reads it with replacement characters.
bool gbkIsValid(const std::string& bytes, XmlLoadError* error);

// The bytes of a file that declares GBK (GB2312, CP936) as UTF-8 text
// declaring UTF-8, code page 936 being the system's GBK; other bytes as
// they are. Wine's MSXML fails on much GBK text that Windows reads.
std::string gbkAsUtf8(const std::string& bytes);

// Gives every CDATA section of bytes its own node in doc, the document
// loaded from them. Wine's MSXML joins a section that directly follows
// another one into it; a leaf of two sections must show two nodes.
void keepCdataSectionsApart(IXMLDOMDocument2* doc, const std::string& bytes);

}  // namespace platform::xmldom
