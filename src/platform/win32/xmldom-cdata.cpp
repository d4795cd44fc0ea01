// Keeping adjacent CDATA sections apart in a document loaded by MSXML. The
// SAX reader of MSXML reports every section on its own; where the loaded
// document holds one CDATA node for each run of directly adjacent sections,
// those nodes are split again, one node per section.
#include <windows.h>

#include <msxml2.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "platform/win32/xmldom-checks.h"

namespace platform::xmldom {
namespace {

// {88d96a0c-f192-11d4-a65f-0040963251e5}
const CLSID kSaxReader60 = {0x88d96a0c, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
// The interface identifiers, which the mingw import libraries lack.
const IID kISAXXMLReader = {0xa4f96ed0, 0xf829, 0x476e, {0x81, 0xc0, 0xcd, 0xc7, 0xbd, 0x2a, 0x08, 0x02}};
const IID kISAXContentHandler = {0x1545cdfa, 0x9e4e, 0x4497, {0xa8, 0xa4, 0x2b, 0xf7, 0xd0, 0x11, 0x2c, 0x44}};
const IID kISAXLexicalHandler = {0x7f85d5f5, 0x47a8, 0x4497, {0xbd, 0xa5, 0x84, 0xba, 0x04, 0x81, 0x9e, 0xa6}};

// One CDATA section: its length in UTF-16 code units as the document holds
// it (a line break is one unit) and whether it follows another section with
// nothing but white space between.
struct Section {
  std::size_t length = 0;
  bool followsSection = false;
};

bool blank(const wchar_t* chars, int n) {
  for (int i = 0; i < n; ++i)
    if (chars[i] != L' ' && chars[i] != L'\t' && chars[i] != L'\r' && chars[i] != L'\n') return false;
  return true;
}

// Records the CDATA sections in document order. Lives on the stack for one
// parse: the reference count is not used.
class SectionRecorder : public ISAXContentHandler, public ISAXLexicalHandler {
 public:
  std::vector<Section> sections;
  bool adjacentSeen = false;

  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (IsEqualIID(iid, kISAXLexicalHandler)) *out = static_cast<ISAXLexicalHandler*>(this);
    if (IsEqualIID(iid, kISAXContentHandler) || IsEqualIID(iid, IID_IUnknown))
      *out = static_cast<ISAXContentHandler*>(this);
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }

  HRESULT WINAPI startCDATA() override {
    sections.push_back({0, afterSection_});
    adjacentSeen = adjacentSeen || afterSection_;
    inSection_ = true;
    pendingCR_ = false;
    return S_OK;
  }
  HRESULT WINAPI endCDATA() override {
    inSection_ = false;
    afterSection_ = true;
    return S_OK;
  }
  HRESULT WINAPI characters(const wchar_t* chars, int n) override {
    if (!inSection_) {
      if (!blank(chars, n)) afterSection_ = false;
      return S_OK;
    }
    // The document turns CR LF and a lone CR into one LF.
    for (int i = 0; i < n; ++i) {
      if (!(pendingCR_ && chars[i] == L'\n')) ++sections.back().length;
      pendingCR_ = chars[i] == L'\r';
    }
    return S_OK;
  }

  HRESULT WINAPI startElement(const wchar_t*, int, const wchar_t*, int, const wchar_t*, int, ISAXAttributes*) override {
    return other();
  }
  HRESULT WINAPI endElement(const wchar_t*, int, const wchar_t*, int, const wchar_t*, int) override { return other(); }
  HRESULT WINAPI processingInstruction(const wchar_t*, int, const wchar_t*, int) override { return other(); }
  HRESULT WINAPI skippedEntity(const wchar_t*, int) override { return other(); }
  HRESULT WINAPI comment(const wchar_t*, int) override { return other(); }
  HRESULT WINAPI startEntity(const wchar_t*, int) override { return other(); }
  HRESULT WINAPI endEntity(const wchar_t*, int) override { return other(); }

  HRESULT WINAPI putDocumentLocator(ISAXLocator*) override { return S_OK; }
  HRESULT WINAPI startDocument() override { return S_OK; }
  HRESULT WINAPI endDocument() override { return S_OK; }
  HRESULT WINAPI startPrefixMapping(const wchar_t*, int, const wchar_t*, int) override { return S_OK; }
  HRESULT WINAPI endPrefixMapping(const wchar_t*, int) override { return S_OK; }
  HRESULT WINAPI ignorableWhitespace(const wchar_t*, int) override { return S_OK; }
  HRESULT WINAPI startDTD(const wchar_t*, int, const wchar_t*, int, const wchar_t*, int) override { return S_OK; }
  HRESULT WINAPI endDTD() override { return S_OK; }

 private:
  HRESULT other() {
    afterSection_ = false;
    return S_OK;
  }

  bool inSection_ = false;
  bool afterSection_ = false;
  bool pendingCR_ = false;
};

void setFeature(ISAXXMLReader* reader, const wchar_t* name, bool on) {
  reader->putFeature(name, on ? VARIANT_TRUE : VARIANT_FALSE);
}

// The sections of bytes as MSXML's SAX reader reports them; false when the
// reader is missing or cannot read bytes through.
bool readSections(const std::string& bytes, SectionRecorder* recorder) {
  ISAXXMLReader* reader = nullptr;
  if (FAILED(CoCreateInstance(kSaxReader60, nullptr, CLSCTX_INPROC_SERVER, kISAXXMLReader,
                              reinterpret_cast<void**>(&reader))))
    return false;
  IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
  bool ok = false;
  if (stream) {
    setFeature(reader, L"prohibit-dtd", false);
    setFeature(reader, L"http://xml.org/sax/features/external-general-entities", false);
    setFeature(reader, L"http://xml.org/sax/features/external-parameter-entities", false);
    reader->putContentHandler(recorder);
    VARIANT lexical;
    VariantInit(&lexical);
    lexical.vt = VT_UNKNOWN;
    lexical.punkVal = static_cast<ISAXLexicalHandler*>(recorder);
    reader->putProperty(L"http://xml.org/sax/properties/lexical-handler", lexical);
    VARIANT input;
    VariantInit(&input);
    input.vt = VT_UNKNOWN;
    input.punkVal = stream;
    ok = SUCCEEDED(reader->parse(input));
    reader->putContentHandler(nullptr);
    stream->Release();
  }
  reader->Release();
  return ok;
}

struct CdataNode {
  IXMLDOMNode* parent;
  IXMLDOMNode* node;
};

// The CDATA nodes below parent in document order, each with a reference held.
void collectCdata(IXMLDOMNode* parent, std::vector<CdataNode>* found) {
  IXMLDOMNode* child = nullptr;
  parent->get_firstChild(&child);
  while (child) {
    DOMNodeType type = NODE_INVALID;
    child->get_nodeType(&type);
    if (type == NODE_CDATA_SECTION) {
      parent->AddRef();
      child->AddRef();
      found->push_back({parent, child});
    } else {
      collectCdata(child, found);
    }
    IXMLDOMNode* next = nullptr;
    child->get_nextSibling(&next);
    child->Release();
    child = next;
  }
}

std::wstring valueOf(IXMLDOMNode* node) {
  VARIANT v;
  VariantInit(&v);
  node->get_nodeValue(&v);
  std::wstring text;
  if (v.vt == VT_BSTR && v.bstrVal) text.assign(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return text;
}

void insertSection(IXMLDOMDocument2* doc, const CdataNode& at, const std::wstring& text) {
  BSTR data = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  IXMLDOMCDATASection* section = nullptr;
  if (SUCCEEDED(doc->createCDATASection(data, &section)) && section) {
    VARIANT before;
    VariantInit(&before);
    before.vt = VT_UNKNOWN;
    before.punkVal = at.node;
    IXMLDOMNode* added = nullptr;
    if (SUCCEEDED(at.parent->insertBefore(section, before, &added)) && added) added->Release();
    section->Release();
  }
  SysFreeString(data);
}

// Replaces the node by one node per section, cut at the sections' lengths
// (the last one takes what is left).
void split(IXMLDOMDocument2* doc, const CdataNode& joined, const std::vector<std::size_t>& lengths) {
  const std::wstring text = valueOf(joined.node);
  std::size_t at = 0;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const std::size_t length = i + 1 < lengths.size() ? std::min(lengths[i], text.size() - at) : text.size() - at;
    insertSection(doc, joined, text.substr(at, length));
    at += length;
  }
  IXMLDOMNode* removed = nullptr;
  if (SUCCEEDED(joined.parent->removeChild(joined.node, &removed)) && removed) removed->Release();
}

// The bytes may hold a CDATA section (in an ASCII-based encoding or UTF-16).
bool mayHoldCdata(const std::string& bytes) {
  static const std::string utf16le("[\0C\0D\0A\0T\0A\0[", 13), utf16be("\0[\0C\0D\0A\0T\0A\0[", 14);
  return bytes.find("[CDATA[") != std::string::npos || bytes.find(utf16le) != std::string::npos ||
         bytes.find(utf16be) != std::string::npos;
}

}  // namespace

void keepCdataSectionsApart(IXMLDOMDocument2* doc, const std::string& bytes) {
  if (!mayHoldCdata(bytes)) return;
  SectionRecorder recorder;
  if (!readSections(bytes, &recorder) || !recorder.adjacentSeen) return;
  // Runs of directly adjacent sections, each as its sections' lengths.
  std::vector<std::vector<std::size_t>> runs;
  for (const Section& s : recorder.sections) {
    if (!s.followsSection || runs.empty()) runs.emplace_back();
    runs.back().push_back(s.length);
  }
  std::vector<CdataNode> nodes;
  collectCdata(doc, &nodes);
  // One node per run: the document joined every run. One node per section
  // (or any other count): nothing was joined, or the two readers disagree.
  if (nodes.size() == runs.size())
    for (std::size_t i = 0; i < runs.size(); ++i)
      if (runs[i].size() > 1) split(doc, nodes[i], runs[i]);
  for (const CdataNode& n : nodes) {
    n.node->Release();
    n.parent->Release();
  }
}

}  // namespace platform::xmldom
