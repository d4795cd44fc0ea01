// The XML document object over libxml2. The parser is set up so that no
// entity is expanded, no DTD or external resource is loaded and nothing is
// validated; libxml2's default limits (no XML_PARSE_HUGE) bound depth, text
// size and entity amplification of hostile input.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/OvexError.h"
#include "platform/SystemPaths.h"
#include "platform/XmlDom.h"
#include "platform/posix/xmldom-source-line.h"

namespace platform {
namespace {

constexpr int kParseOptions = XML_PARSE_NOBLANKS | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// Nothing outside the document itself is ever read.
xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void setUpLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(refuseExternal);
    // Windows reads a declared GB2312 as code page 936; glibc's GB2312 is the
    // narrower EUC-CN, which would refuse characters the files do use.
    xmlAddEncodingAlias("CP936", "GB2312");
    xmlAddEncodingAlias("CP936", "GBK");
  });
}

int readFd(void* context, char* buffer, int len) {
  const int fd = *static_cast<int*>(context);
  for (;;) {
    const ssize_t n = ::read(fd, buffer, static_cast<size_t>(len));
    if (n >= 0) return static_cast<int>(n);
    if (errno != EINTR) return -1;
  }
}

int closeFd(void* context) {
  int* fd = static_cast<int*>(context);
  if (*fd >= 0) ::close(*fd);
  *fd = -1;
  return 0;
}

bool isBlank(const xmlChar* s) {
  if (!s) return true;
  for (; *s; ++s)
    if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n') return false;
  return true;
}

// White-space-only text is dropped everywhere, as with white space not
// preserved; libxml2's NOBLANKS keeps it in a few places (an element whose
// only content is blanks).
void dropBlankText(xmlNodePtr root) {
  std::vector<xmlNodePtr> pending{root};
  while (!pending.empty()) {
    xmlNodePtr node = pending.back();
    pending.pop_back();
    const bool preserve = node->type == XML_ELEMENT_NODE && xmlNodeGetSpacePreserve(node) == 1;
    for (xmlNodePtr c = node->children; c;) {
      xmlNodePtr next = c->next;
      if (c->type == XML_TEXT_NODE && !preserve && isBlank(c->content)) {
        xmlUnlinkNode(c);
        xmlFreeNode(c);
      } else if (c->type == XML_ELEMENT_NODE) {
        pending.push_back(c);
      }
      c = next;
    }
  }
}

std::string toString(const xmlChar* s) { return s ? std::string(reinterpret_cast<const char*>(s)) : std::string(); }

// libxml2's messages end in a line break and some hold one inside.
std::string trimmedMessage(const char* message) {
  std::string m = message ? message : "";
  while (!m.empty() && (m.back() == '\n' || m.back() == '\r' || m.back() == ' ')) m.pop_back();
  for (char& c : m)
    if (c == '\n') c = ' ';
  return m.empty() ? std::string("The document is not well-formed") : m;
}

// libxml2 may go on after an error and report later ones; the report is
// about the first, where reading stopped making sense.
struct FirstError {
  bool seen = false;
  std::string message;
  int line = 0;
};

// The load in progress on this thread (the parser resets its own user fields).
thread_local FirstError* currentLoad = nullptr;

void keepFirstError(void*, xmlErrorPtr error) {
  FirstError* first = currentLoad;
  if (!first || !error || error->level < XML_ERR_ERROR) return;
  if (!first->seen) {
    first->seen = true;
    first->message = error->message ? error->message : "";
    first->line = error->line;
  } else if (first->line <= 0 && error->line > 0) {
    // Encoding errors carry no line; the parser's next error does.
    first->line = error->line;
  }
}

// Routes every libxml2 error of one load to keepFirstError, the ones raised
// without a parser context (encoding conversion, I/O) included, so that
// nothing is printed on the standard streams.
class LoadErrors {
 public:
  explicit LoadErrors(xmlParserCtxtPtr ctxt) {
    ctxt->sax->serror = keepFirstError;
    currentLoad = &first;
    xmlSetStructuredErrorFunc(nullptr, keepFirstError);
  }
  ~LoadErrors() {
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    currentLoad = nullptr;
  }
  LoadErrors(const LoadErrors&) = delete;
  LoadErrors& operator=(const LoadErrors&) = delete;

  FirstError first;
};

// Every CDATA section becomes a node of its own. libxml2 would add a section
// that directly follows another to that one, and the manifest reader must
// see two sections in a leaf as two nodes, as MSXML keeps them.
void addCdataSection(void* context, const xmlChar* value, int len) {
  const auto ctxt = static_cast<xmlParserCtxtPtr>(context);
  if (!ctxt->node) return;
  xmlNodePtr section = xmlNewCDataBlock(ctxt->myDoc, value, len);
  if (section && !xmlAddChild(ctxt->node, section)) xmlFreeNode(section);
}

xmlNodePtr asNode(XmlNode n) { return static_cast<xmlNodePtr>(n.handle); }

std::string kindName(xmlNodePtr n) {
  switch (n->type) {
    case XML_TEXT_NODE: return "text";
    case XML_CDATA_SECTION_NODE: return "CDATA section";
    case XML_COMMENT_NODE: return "comment";
    case XML_PI_NODE: return "processing instruction";
    case XML_ENTITY_REF_NODE: return "entity reference";
    default: return "non-element";
  }
}

}  // namespace

struct XmlDocument::Impl {
  xmlDocPtr doc = nullptr;
  // Children of the parents asked for so far, so that walking a long list by
  // position stays linear.
  std::unordered_map<xmlNodePtr, std::vector<xmlNodePtr>> children;

  const std::vector<xmlNodePtr>& childrenOf(xmlNodePtr node) {
    auto [it, fresh] = children.try_emplace(node);
    // An entity reference's children belong to the entity declaration.
    if (fresh && node->type != XML_ENTITY_REF_NODE)
      for (xmlNodePtr c = node->children; c; c = c->next) it->second.push_back(c);
    return it->second;
  }

  void release() {
    children.clear();
    if (doc) xmlFreeDoc(doc);
    doc = nullptr;
  }
};

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {}
XmlDocument::~XmlDocument() { impl_->release(); }

bool XmlDocument::load(const std::string& path, XmlLoadError* error) {
  setUpLibxml();
  impl_->release();
  const std::string sysPath = systemPath(path);
  int fd = ::open(sysPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
    ::close(fd);
    fd = -1;
    errno = EISDIR;
  }
  if (fd < 0) {
    if (error) *error = {"Cannot open \"" + path + "\": " + strerror(errno), 0, ""};
    return false;
  }
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) {
    ::close(fd);
    if (error) *error = {"Out of memory", 0, ""};
    return false;
  }
  ctxt->sax->cdataBlock = addCdataSection;
  LoadErrors errors(ctxt);
  FirstError& first = errors.first;
  xmlDocPtr doc = xmlCtxtReadIO(ctxt, readFd, closeFd, &fd, nullptr, nullptr, kParseOptions);
  closeFd(&fd);
  if (doc && (!ctxt->wellFormed || !ctxt->nsWellFormed || !xmlDocGetRootElement(doc))) {
    xmlFreeDoc(doc);
    doc = nullptr;
  }
  if (!doc) {
    const xmlError* e = xmlCtxtGetLastError(ctxt);
    if (!first.seen && e) first = {true, e->message ? e->message : "", e->line};
    const int line = first.line > 0 ? first.line : 1;
    if (error) *error = {trimmedMessage(first.message.c_str()), line, xmldom::sourceLine(sysPath, line)};
    xmlFreeParserCtxt(ctxt);
    return false;
  }
  xmlFreeParserCtxt(ctxt);
  dropBlankText(xmlDocGetRootElement(doc));
  impl_->doc = doc;
  return true;
}

bool XmlDocument::active() const { return impl_->doc != nullptr; }
void XmlDocument::close() { impl_->release(); }

XmlNode XmlDocument::documentElement() const { return {impl_->doc ? xmlDocGetRootElement(impl_->doc) : nullptr}; }

std::size_t XmlDocument::childCount(XmlNode node) const { return impl_->childrenOf(asNode(node)).size(); }

XmlNode XmlDocument::child(XmlNode node, std::size_t index) const {
  const auto& list = impl_->childrenOf(asNode(node));
  return {index < list.size() ? list[index] : nullptr};
}

XmlNodeType XmlDocument::type(XmlNode node) const {
  switch (asNode(node)->type) {
    case XML_ELEMENT_NODE: return XmlNodeType::Element;
    case XML_TEXT_NODE: return XmlNodeType::Text;
    case XML_CDATA_SECTION_NODE: return XmlNodeType::CData;
    case XML_COMMENT_NODE: return XmlNodeType::Comment;
    case XML_PI_NODE: return XmlNodeType::ProcessingInstruction;
    default: return XmlNodeType::Other;
  }
}

std::string XmlDocument::name(XmlNode node) const {
  const xmlNodePtr n = asNode(node);
  switch (n->type) {
    case XML_ELEMENT_NODE:
      if (n->ns && n->ns->prefix) return toString(n->ns->prefix) + ":" + toString(n->name);
      return toString(n->name);
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    default: return toString(n->name);
  }
}

std::string XmlDocument::value(XmlNode node) const {
  const xmlNodePtr n = asNode(node);
  switch (n->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: return toString(n->content);
    default: return {};
  }
}

XmlNode XmlDocument::appendElement(XmlNode parent, const std::string& name) {
  const xmlNodePtr p = asNode(parent);
  if (p->type != XML_ELEMENT_NODE)
    throw OvexError("Cannot append the element \"" + name + "\" to a " + kindName(p) +
                    " node: only an element can hold child elements");
  xmlNodePtr e = xmlNewDocNode(impl_->doc, nullptr, reinterpret_cast<const xmlChar*>(name.c_str()), nullptr);
  if (!e) throw OvexError("Out of memory");
  xmlAddChild(p, e);
  auto it = impl_->children.find(p);
  if (it != impl_->children.end()) it->second.push_back(e);
  return {e};
}

}  // namespace platform
