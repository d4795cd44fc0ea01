// Archives written by several compressing threads: the same bytes as with
// one, whatever the file sizes, and readable by the peers.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "ZipTestSupport.h"
#include "app/Screen.h"
#include "util/zip/ArchiveBuilder.h"
#include "util/zip/BlockDeflater.h"
#include "util/zip/DeflatePipeline.h"

using namespace testsupport;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

// Text-like data that repeats at long distances, so that the bytes of one
// block refer back into the block before it.
std::string textLike(std::size_t n, unsigned seed) {
  static const char* words[] = {"invoice ", "发票 ", "amount ", "税额 ", "2026-01-01 ", "公司 ", "paid\n"};
  std::string s;
  while (s.size() < n) {
    seed = seed * 1103515245u + 12345u;
    s += words[(seed >> 16) % 7];
    if ((seed >> 8) % 50 == 0) s += std::to_string(seed);
  }
  s.resize(n);
  return s;
}

std::string randomBytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (auto& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return s;
}

// Files at and around the block boundaries, an empty one, many small ones.
void makeTree(const std::string& src) {
  const std::size_t b = zipio::kBlockSize;
  writeFile(src + "/big.dat", textLike(3 * b + 12345, 1));
  writeFile(src + "/exact.dat", textLike(b, 2));
  writeFile(src + "/plus1.dat", textLike(b + 1, 3));
  writeFile(src + "/two.dat", textLike(2 * b, 4));
  writeFile(src + "/empty.dat", "");
  for (int i = 0; i < 300; ++i)
    writeFile(src + "/db" + std::to_string(i % 7) + "/t" + std::to_string(i) + ".frm", textLike(100 + i * 37, i));
}

void zipWith(const std::string& src, const std::string& dest, unsigned workers,
             const zipio::OldArchive* old = nullptr) {
  zipio::buildArchive(dest, zipio::collectFiles(src, dest, {}), old, workers, {}, [] { screen::processMessages(); });
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Brings a copy of base up to date from src with the given worker count.
std::string updated(const std::string& base, const std::string& src, const std::string& dest, unsigned workers) {
  fs::copy_file(base, dest, fs::copy_options::overwrite_existing);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(dest.c_str(), "rb"));
  zipio::OldArchive old{file.get(), zipio::readCentralDirectory(file.get())};
  const std::string out = dest + ".new";
  zipWith(src, out, workers, &old);
  return readFile(out);
}

class ThreadRecordingScreen : public Screen {
 public:
  std::set<std::thread::id> threads;
  std::mutex mutex;
  void showMessage(const std::string&) override {}
  void showError(const std::string&) override {}
  void processMessages() override {
    std::lock_guard<std::mutex> lock(mutex);
    threads.insert(std::this_thread::get_id());
  }
  void setLabelVisible(bool) override {}
  std::string labelText() const override { return ""; }
  void setLabelText(const std::string&) override {}
  void startTimer(int) override {}
  void stopTimer() override {}
};

}  // namespace

TEST(ZipParallel, AnyWorkerCountGivesTheSameBytes) {
  TempDir t;
  makeTree(t / "src");
  zipWith(t / "src", t / "one.zip", 1);
  const std::string one = readFile(t / "one.zip");
  for (unsigned workers : {2u, 3u, 8u}) {
    zipWith(t / "src", t / "many.zip", workers);
    EXPECT_TRUE(readFile(t / "many.zip") == one) << workers << " workers";
  }
  expectPeersAccept(t / "one.zip");
  const auto r = runCommand("cd " + shellQuote(t.path()) + " && unzip -q one.zip -d out && diff -r src out");
  EXPECT_EQ(r.status, 0) << r.output;
}

// A file of one block is one plain deflate stream, as zlib gives it in one
// go; longer files are blocks, still a single valid stream that zlib reads.
TEST(ZipParallel, BlocksJoinToOneStreamAndSmallFilesAreUnchanged) {
  TempDir t;
  makeTree(t / "src");
  zipWith(t / "src", t / "a.zip", 2);
  EXPECT_EQ(python("import zipfile, zlib\n"
                   "z = zipfile.ZipFile(" + pyStr(t / "a.zip") + ")\n"
                   "for name in ('exact.dat', 'empty.dat', 'db3/t10.frm', 'big.dat', 'plus1.dat'):\n"
                   "    i = z.getinfo(name)\n"
                   "    f = open(" + pyStr(t / "a.zip") + ", 'rb'); f.seek(i.header_offset + 26)\n"
                   "    n, m = int.from_bytes(f.read(2), 'little'), int.from_bytes(f.read(2), 'little')\n"
                   "    f.seek(i.header_offset + 30 + n + m); raw = f.read(i.compress_size)\n"
                   "    data = open(" + pyStr(t / "src/") + " + name, 'rb').read()\n"
                   "    c = zlib.compressobj(6, zlib.DEFLATED, -15, 8)\n"
                   "    plain = c.compress(data) + c.flush()\n"
                   "    d = zlib.decompressobj(-15); back = d.decompress(raw)\n"
                   "    print(name, raw == plain, back == data and d.eof and not d.unused_data)\n"),
            "exact.dat True True\nempty.dat True True\ndb3/t10.frm True True\n"
            "big.dat False True\nplus1.dat False True\n");
}

// Updating an archive: replaced, kept and new entries in the same order and
// bytes with any worker count; a file that cannot be read leaves its old
// entry in place.
TEST(ZipParallel, UpdateGivesTheSameBytesWithAnyWorkerCount) {
  TempDir t;
  makeTree(t / "src");
  zipWith(t / "src", t / "base.zip", 1);
  const auto later = fs::file_time_type::clock::now() + std::chrono::hours(1);
  writeFile(t / "src/big.dat", textLike(2 * zipio::kBlockSize + 7, 9));
  fs::last_write_time(t / "src/big.dat", later);
  writeFile(t / "src/db2/t9.frm", "changed");
  fs::last_write_time(t / "src/db2/t9.frm", later);
  writeFile(t / "src/new/added.dat", textLike(zipio::kBlockSize + 99, 5));
  const std::string one = updated(t / "base.zip", t / "src", t / "u1.zip", 1);
  EXPECT_TRUE(updated(t / "base.zip", t / "src", t / "u3.zip", 3) == one);
  writeFile(t / "u.zip", one);
  expectPeersAccept(t / "u.zip");
  const auto r = runCommand("cd " + shellQuote(t.path()) + " && unzip -q u.zip -d out && diff -r src out");
  EXPECT_EQ(r.status, 0) << r.output;
}

// More compressed data than the pipeline holds at once, in files of every
// size: the writer gets all of it in order, and pending messages are only
// ever processed on the calling thread.
TEST(ZipParallel, MoreThanTheBufferBudgetAndMessagesOnTheCallingThread) {
  TempDir t;
  const std::size_t total = zipio::kPipelineBudget + 6 * zipio::kBlockSize;
  std::size_t made = 0;
  for (int i = 0; made < total; ++i) {
    const std::size_t size = (i % 3 == 0) ? 3 * zipio::kBlockSize + i : 1000 + i * 5000;
    writeFile(t / ("src/r" + std::to_string(i) + ".bin"), randomBytes(size, i));
    made += size;
  }
  ThreadRecordingScreen recorder;
  screen::attach(&recorder);
  zipWith(t / "src", t / "one.zip", 1);
  zipWith(t / "src", t / "four.zip", 4);
  screen::attach(nullptr);
  EXPECT_EQ(recorder.threads, std::set<std::thread::id>{std::this_thread::get_id()});
  EXPECT_TRUE(readFile(t / "four.zip") == readFile(t / "one.zip"));
  const auto r = runCommand("cd " + shellQuote(t.path()) + " && unzip -q four.zip -d out && diff -r src out");
  EXPECT_EQ(r.status, 0) << r.output;
}
