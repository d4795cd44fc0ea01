// Every malformed input of the corpus (made by make_corpus.py) meets the
// outcome recorded for it in expected.tsv: the exact error text, or what
// was read or unpacked, or the problems the package check finds. Nothing
// crashes or hangs, and nothing is written outside the target folder. The
// Windows build checks the same table.
//
// OVEX_BADINPUT_RECORD=<file> writes the outcomes seen to <file> instead of
// comparing them, in the table's form, for review.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "TestSupport.h"
#include "backup/MD5.h"
#include "base/OvexError.h"
#include "package/PackageCheck.h"
#include "package/SqlLines.h"
#include "package/UpdateXML.h"
#include "platform/XmlDom.h"
#include "util/DirectoryOps.h"
#include "util/TUpdateUtils.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

const std::string kTableDir = OVEX_BADINPUT_DIR;
const std::string kCorpusDir = OVEX_BADINPUT_CORPUS;  // made by make_corpus.py at build time

// Rows the Windows build leaves out: there the outcome is the system's own.
const std::map<std::string, std::string> kNotOnWindows = {
    {"archives/name_control_cr.zip", "a Windows file name cannot hold control characters"},
    {"archives/name_control_esc.zip", "a Windows file name cannot hold control characters"},
    {"archives/name_control_newline.zip", "a Windows file name cannot hold control characters"},
    {"archives/name_control_soh.zip", "a Windows file name cannot hold control characters"},
    {"archives/name_control_tab.zip", "a Windows file name cannot hold control characters"},
    {"archives/name_windows_reserved.zip", "con is a device name on Windows"},
    {"archives/name_invalid_utf8_flagged.zip", "a Windows file name is Unicode: bytes that are not UTF-8 are lost"},
    {"scripts/binary_bytes.sql", "bytes that are not GBK decode by the system's code page 936 table"},
    {"scripts/gbk_trail_byte_is_semicolon.sql", "bytes that are not GBK decode by the system's code page 936 table"},
    {"scripts/invalid_gbk.sql", "bytes that are not GBK decode by the system's code page 936 table"},
    {"scripts/utf16_le_bom.sql", "bytes that are not GBK decode by the system's code page 936 table"},
    {"packages/package_truncated.zip", "the manifest reader's error is MSXML's own"},
    {"packages/setuppath_glued_to_client_name.zip", "the path it leads to is written in the system's own form"},
};

// A manifest that does not load reads "<reason>\r\nLine: <n>\r\n<source line>"
// (escaped). Reason, line and source line are the parser's own: the table
// holds libxml2's, and the Windows build's MSXML only has to fail the same rows.
bool isLoadFailure(const std::string& outcome) {
  static const std::regex form(R"(^error .+\\r\\nLine: [0-9]+\\r\\n)");
  return std::regex_search(outcome, form);
}

bool validUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    i += n;
  }
  return true;
}

// Table texts keep CR, LF, tab and backslash escaped, one input a line; a
// text that is not UTF-8 has its high bytes, and every text its other
// control characters, written as \xNN.
std::string escape(const std::string& text) {
  const bool utf8 = validUtf8(text);
  std::string out;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((!utf8 && u >= 0x80) || (u < 0x20 && c != '\r' && c != '\n' && c != '\t') || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

std::map<std::string, std::string> readTable(const std::string& path) {
  std::map<std::string, std::string> table;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    table[line.substr(0, tab)] = tab == std::string::npos ? "" : line.substr(tab + 1);
  }
  return table;
}

std::string manifestOutcome(const std::string& path) {
  platform::XmlDocument dom;
  TUpdateXML manifest;
  try {
    manifest.xmlToObject(dom, path);
  } catch (const OvexError& e) {
    return "error " + std::string(e.what());
  }
  std::string out = "ok version=" + std::to_string(manifest.updateInfo->version.size()) + "chars entries=" +
                    std::to_string(manifest.updateFileList->entries().size());
  if (manifest.updateInfo->version.size() <= 40) out += " version=" + manifest.updateInfo->version;
  return out;
}

std::string md5Of(const std::string& text) {
  std::istringstream in(text);
  return TMD5::MD5TStream(in);
}

std::string scriptOutcome(const std::string& path) {
  std::vector<std::string> lines;
  try {
    lines = readTextLines(path);
  } catch (const OvexError& e) {
    return "error " + std::string(e.what());
  }
  SqlLineSplitter splitter;
  std::string statements;
  int count = 0, hidden = 0;
  for (const auto& line : lines)
    if (const auto statement = splitter.feed(line)) {
      statements += statement->text + "\n";
      ++count;
      hidden += statement->commentHidesLines;
    }
  return "lines=" + std::to_string(lines.size()) + " statements=" + std::to_string(count) +
         " pending=" + std::to_string(splitter.pending().size()) + " md5=" + md5Of(statements) +
         (hidden ? " not-sent=" + std::to_string(hidden) : "");
}

// A path as UTF-8 with "/" between its parts, on both platforms.
std::string utf8Path(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// The archive is unpacked two levels below a fresh folder, so that a
// name escaping the target would show up in the folder.
std::string archiveOutcome(const std::string& path, std::vector<std::string>* strays) {
  TempDir root;
  const std::string level = root / "a/b";
  fs::create_directories(nativePath(level));
  fs::copy_file(nativePath(path), nativePath(level + "/in.zip"));
  const bool ok = TUpdateUtils::unzip(level + "/in.zip", level + "/out");
  std::vector<std::string> unpacked;
  const fs::path top = nativePath(root.path());
  for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = utf8Path(fs::relative(it->path(), top));
    if (rel.rfind("a/b/out/", 0) == 0) {
      const std::string inside = rel.substr(8);
      if (it->is_symlink()) unpacked.push_back(escape(inside) + ":link");
      else if (it->is_regular_file()) unpacked.push_back(escape(inside) + ":" + std::to_string(fs::file_size(it->path())));
    } else if (rel != "a" && rel != "a/b" && rel != "a/b/in.zip" && rel != "a/b/out") {
      strays->push_back(rel);
    }
  }
  std::sort(unpacked.begin(), unpacked.end());
  std::string out = ok ? "ok" : "fail";
  for (const auto& file : unpacked) out += " " + file;
  return out;
}

// The package is unpacked into W/tmp as the update run does and checked
// against a client folder K; paths below the temporary root read "<root>".
std::string packageOutcome(const std::string& corpusPath) {
  TempDir root;
  const std::string scratch = root / "W/tmp/", client = root / "K", path = root / "W/package.zip";
  fs::create_directories(nativePath(client));
  fs::create_directories(nativePath(root / "W"));
  fs::copy_file(nativePath(corpusPath), nativePath(path));
  TUpdateUtils::unzip(path, scratch);
  auto problems = packagecheck::checkPackageArchive(path);
  std::string out;
  platform::XmlDocument dom;
  TUpdateXML manifest;
  try {
    manifest.xmlToObject(dom, scratch + "update.xml");
    const auto more = packagecheck::checkEntries(scratch, manifest.updateFileList->entries(), client);
    problems.insert(problems.end(), more.begin(), more.end());
  } catch (const OvexError& e) {
    out = " | manifest error " + std::string(e.what());
  }
  for (auto it = problems.rbegin(); it != problems.rend(); ++it) out = " | " + packagecheck::problemText(*it) + out;
  out = (out.empty() ? "ok" : "problems") + out;
  for (size_t at; (at = out.find(root.path())) != std::string::npos;) out.replace(at, root.path().size(), "<root>");
  return out;
}

std::vector<std::pair<std::string, std::string>> corpusFiles(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* kind : {"archives", "manifests", "packages", "scripts"})
    for (const auto& e : fs::directory_iterator(nativePath(dir + "/" + kind)))
      files.emplace_back(std::string(kind) + "/" + utf8Path(e.path().filename()), utf8Path(e.path()));
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

TEST(BadInput, EveryInputMeetsItsRecordedOutcome) {
  const auto expected = readTable(kTableDir + "/expected.tsv");
  const char* record = std::getenv("OVEX_BADINPUT_RECORD");
  std::ofstream recording;
  if (record) recording.open(record);

  const auto files = corpusFiles(kCorpusDir);
  EXPECT_GE(files.size(), 100u);
  for (const auto& [name, path] : files) {
    SCOPED_TRACE(name);
    std::vector<std::string> strays;
    std::string outcome;
    if (name.rfind("manifests/", 0) == 0) outcome = manifestOutcome(path);
    else if (name.rfind("scripts/", 0) == 0) outcome = scriptOutcome(path);
    else if (name.rfind("packages/", 0) == 0) outcome = packageOutcome(path);
    else outcome = archiveOutcome(path, &strays);
    outcome = escape(outcome);
    EXPECT_TRUE(strays.empty()) << "written outside the target: " << strays.front();
    if (record) {
      recording << name << "\t" << outcome << "\n";
      continue;
    }
    const auto it = expected.find(name);
    ASSERT_NE(it, expected.end()) << "no recorded outcome";
    if (kWindowsBuild && kNotOnWindows.count(name)) continue;
    if (kWindowsBuild && isLoadFailure(it->second))
      EXPECT_TRUE(isLoadFailure(outcome)) << outcome << "\nrecorded: " << it->second;
    else
      EXPECT_EQ(outcome, it->second);
  }
  EXPECT_FALSE(fs::exists("/tmp/ovex-badinput-escaped.txt"));
  if (!record) {
    EXPECT_EQ(expected.size(), files.size()) << "the table names inputs the corpus lacks";
  }
}
