// The XML document object over MSXML 6, created through COM. External
// resources and DTDs are neither loaded nor validated against; white-space
// text is dropped unless xml:space="preserve" asks for it. The checks of
// xmldom-checks.h make the outcome the same on every MSXML build.
#include <windows.h>
#include <shlwapi.h>

#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>

#include <vector>

#include "base/OvexError.h"
#include "platform/Files.h"
#include "platform/XmlDom.h"
#include "platform/win32/wide-win32.h"
#include "platform/win32/xmldom-checks.h"

namespace platform {
namespace {

// {88d96a05-f192-11d4-a65f-0040963251e5}
const CLSID kDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};

// The interface identifiers, which the mingw import libraries lack.
const IID kIXMLDOMDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
const IID kIXMLDOMNode = {0x2933bf80, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

IXMLDOMNode* nodeOf(XmlNode node) { return static_cast<IXMLDOMNode*>(node.handle); }

std::string fromBstr(BSTR text) {
  std::string out = text ? fromWide(std::wstring_view(text, SysStringLen(text))) : std::string();
  SysFreeString(text);
  return out;
}

class Bstr {
 public:
  explicit Bstr(const std::string& text) : b_(SysAllocString(toWide(text).c_str())) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

void setBoolProperty(IXMLDOMDocument2* doc, const wchar_t* name, bool value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  BSTR n = SysAllocString(name);
  doc->setProperty(n, v);
  SysFreeString(n);
}

}  // namespace

struct XmlDocument::Impl {
  bool comStarted = false;
  IXMLDOMDocument2* doc = nullptr;
  std::vector<IUnknown*> held;  // every node handed out, released on close

  XmlNode keep(IXMLDOMNode* node) {
    if (!node) return XmlNode{};
    held.push_back(node);
    return XmlNode{node};
  }
};

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  impl_->comStarted = SUCCEEDED(hr);
}

XmlDocument::~XmlDocument() {
  close();
  if (impl_->comStarted) CoUninitialize();
}

bool XmlDocument::load(const std::string& path, XmlLoadError* error) {
  close();
  // A file that cannot be read is MSXML's to report.
  std::string bytes;
  FileError readError;
  const bool read = readWholeFile(path, &bytes, &readError);
  if (read && !xmldom::gbkIsValid(bytes, error)) return false;
  if (read) bytes = xmldom::gbkAsUtf8(bytes);
  IXMLDOMDocument2* doc = nullptr;
  if (FAILED(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIXMLDOMDocument2,
                              reinterpret_cast<void**>(&doc)))) {
    if (error) *error = {"MSXML 6 is not available", 0, ""};
    return false;
  }
  doc->put_async(VARIANT_FALSE);
  doc->put_validateOnParse(VARIANT_FALSE);
  doc->put_resolveExternals(VARIANT_FALSE);
  doc->put_preserveWhiteSpace(VARIANT_FALSE);
  setBoolProperty(doc, L"ProhibitDTD", false);
  setBoolProperty(doc, L"AllowDocumentFunction", false);

  // The bytes already read are given as a stream: Wine's MSXML cannot
  // open a path with characters outside ASCII (a Chinese working folder).
  VARIANT source;
  VariantInit(&source);
  IStream* stream = read ? SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()),
                                             static_cast<UINT>(bytes.size()))
                         : nullptr;
  if (stream) {
    source.vt = VT_UNKNOWN;
    source.punkVal = stream;
  } else {
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(widePath(path).c_str());
  }
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = doc->load(source, &loaded);
  VariantClear(&source);
  if (SUCCEEDED(hr) && loaded == VARIANT_TRUE) {
    if (read) xmldom::keepCdataSectionsApart(doc, bytes);
    impl_->doc = doc;
    return true;
  }
  if (error) {
    *error = {"the file could not be read", 0, ""};
    IXMLDOMParseError* parseError = nullptr;
    if (SUCCEEDED(doc->get_parseError(&parseError)) && parseError) {
      BSTR reason = nullptr, text = nullptr;
      long line = 0;
      parseError->get_reason(&reason);
      parseError->get_line(&line);
      parseError->get_srcText(&text);
      error->reason = fromBstr(reason);
      while (!error->reason.empty() && (error->reason.back() == '\n' || error->reason.back() == '\r'))
        error->reason.pop_back();
      error->line = static_cast<int>(line);
      error->sourceLine = fromBstr(text);
      parseError->Release();
    }
  }
  doc->Release();
  return false;
}

bool XmlDocument::active() const { return impl_->doc != nullptr; }

void XmlDocument::close() {
  for (IUnknown* node : impl_->held) node->Release();
  impl_->held.clear();
  if (impl_->doc) impl_->doc->Release();
  impl_->doc = nullptr;
}

XmlNode XmlDocument::documentElement() const {
  if (!impl_->doc) return XmlNode{};
  IXMLDOMElement* root = nullptr;
  if (FAILED(impl_->doc->get_documentElement(&root)) || !root) return XmlNode{};
  IXMLDOMNode* node = nullptr;
  root->QueryInterface(kIXMLDOMNode, reinterpret_cast<void**>(&node));
  root->Release();
  return impl_->keep(node);
}

std::size_t XmlDocument::childCount(XmlNode node) const {
  IXMLDOMNodeList* list = nullptr;
  if (!node || FAILED(nodeOf(node)->get_childNodes(&list)) || !list) return 0;
  long length = 0;
  list->get_length(&length);
  list->Release();
  return length > 0 ? static_cast<std::size_t>(length) : 0;
}

XmlNode XmlDocument::child(XmlNode node, std::size_t index) const {
  IXMLDOMNodeList* list = nullptr;
  if (!node || FAILED(nodeOf(node)->get_childNodes(&list)) || !list) return XmlNode{};
  IXMLDOMNode* item = nullptr;
  list->get_item(static_cast<long>(index), &item);
  list->Release();
  return impl_->keep(item);
}

XmlNodeType XmlDocument::type(XmlNode node) const {
  DOMNodeType t = NODE_INVALID;
  if (node) nodeOf(node)->get_nodeType(&t);
  switch (t) {
    case NODE_ELEMENT: return XmlNodeType::Element;
    case NODE_TEXT: return XmlNodeType::Text;
    case NODE_CDATA_SECTION: return XmlNodeType::CData;
    case NODE_COMMENT: return XmlNodeType::Comment;
    case NODE_PROCESSING_INSTRUCTION: return XmlNodeType::ProcessingInstruction;
    default: return XmlNodeType::Other;
  }
}

std::string XmlDocument::name(XmlNode node) const {
  BSTR text = nullptr;
  if (node) nodeOf(node)->get_nodeName(&text);
  return fromBstr(text);
}

std::string XmlDocument::value(XmlNode node) const {
  if (!node) return std::string();
  VARIANT v;
  VariantInit(&v);
  nodeOf(node)->get_nodeValue(&v);
  std::string out;
  if (v.vt == VT_BSTR && v.bstrVal) out = fromWide(std::wstring_view(v.bstrVal, SysStringLen(v.bstrVal)));
  VariantClear(&v);
  return out;
}

namespace {
// The kind of a node that cannot hold elements, as the messages name it.
const char* kindName(XmlNodeType t) {
  switch (t) {
    case XmlNodeType::Text: return "text";
    case XmlNodeType::CData: return "CDATA section";
    case XmlNodeType::Comment: return "comment";
    case XmlNodeType::ProcessingInstruction: return "processing instruction";
    default: return "non-element";
  }
}
}  // namespace

XmlNode XmlDocument::appendElement(XmlNode parent, const std::string& name) {
  const XmlNodeType t = type(parent);
  if (!impl_->doc) throw OvexError("cannot append an element here");
  if (t != XmlNodeType::Element)
    throw OvexError("Cannot append the element \"" + name + "\" to a " + kindName(t) +
                    " node: only an element can hold child elements");
  IXMLDOMElement* element = nullptr;
  Bstr tag(name);
  if (FAILED(impl_->doc->createElement(tag.get(), &element)) || !element)
    throw OvexError("cannot create the element " + name);
  IXMLDOMNode* added = nullptr;
  const HRESULT hr = nodeOf(parent)->appendChild(element, &added);
  element->Release();
  if (FAILED(hr) || !added) throw OvexError("cannot append the element " + name);
  return impl_->keep(added);
}

}  // namespace platform
