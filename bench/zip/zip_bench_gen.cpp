// zip_bench_gen mariadb DIR MB | zip_bench_gen small DIR COUNT
// Deterministic test data: a MariaDB-like data directory (tablespaces of
// 16 KiB pages holding text-like rows, a redo log, many small table files)
// or a tree of many small text files.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::uint64_t state = 88172645463325252ull;
std::uint64_t next() {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

const char* kWords[] = {"北京", "上海", "invoice", "customer", "发票", "金额", "tax", "税率", "paid",
                        "pending", "公司", "有限", "Zhang", "Li", "Wang", "product", "服务费", "2023-07-14"};

std::string row() {
  std::string r = std::to_string(next() % 10000000) + "\t";
  for (int i = 0; i < 6; ++i) {
    r += kWords[next() % (sizeof kWords / sizeof *kWords)];
    r += ' ';
  }
  r += std::to_string(next() % 100000) + "." + std::to_string(next() % 100) + "\t";
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(next()));
  return r + hex + "\n";
}

// A 16 KiB page: a binary header, rows, then free space of zeros.
void writePage(std::FILE* f) {
  std::string page;
  for (int i = 0; i < 38; ++i) page.push_back(static_cast<char>(next()));
  const std::size_t fill = 9000 + next() % 7000;
  while (page.size() < fill) page += row();
  page.resize(16384, '\0');
  std::fwrite(page.data(), 1, page.size(), f);
}

void tablespace(const std::filesystem::path& path, std::size_t pages) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  for (std::size_t i = 0; i < pages; ++i) writePage(f);
  std::fclose(f);
}

void textFile(const std::filesystem::path& path, std::size_t bytes) {
  std::string s;
  while (s.size() < bytes) s += row();
  s.resize(bytes);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(s.data(), 1, s.size(), f);
  std::fclose(f);
}

void mariadb(const std::filesystem::path& dir, std::size_t megabytes) {
  namespace fs = std::filesystem;
  fs::create_directories(dir / "mysql");
  fs::create_directories(dir / "ovexznp");
  const std::size_t pagesPerMb = 64;
  tablespace(dir / "ibdata1", megabytes * pagesPerMb / 4);
  tablespace(dir / "ovexznp/fp_kjxx.ibd", megabytes * pagesPerMb / 3);
  tablespace(dir / "ovexznp/fp_mx.ibd", megabytes * pagesPerMb / 4);
  // Redo log: mostly zeros with some written blocks.
  std::FILE* log = std::fopen((dir / "ib_logfile0").c_str(), "wb");
  for (std::size_t i = 0; i < megabytes * pagesPerMb / 8; ++i) {
    if (i % 4 == 0)
      writePage(log);
    else {
      static const std::string zeros(16384, '\0');
      std::fwrite(zeros.data(), 1, zeros.size(), log);
    }
  }
  std::fclose(log);
  for (int i = 0; i < 200; ++i) {
    textFile(dir / "mysql" / ("t" + std::to_string(i) + ".frm"), 1000 + next() % 12000);
    tablespace(dir / "ovexznp" / ("t" + std::to_string(i) + ".ibd"), 1 + next() % 6);
  }
}

void small(const std::filesystem::path& dir, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const auto sub = dir / ("d" + std::to_string(i / 200));
    std::filesystem::create_directories(sub);
    textFile(sub / ("f" + std::to_string(i) + ".txt"), 200 + next() % 8000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: zip_bench_gen mariadb DIR MB | zip_bench_gen small DIR COUNT\n");
    return 2;
  }
  const std::string kind = argv[1];
  const std::size_t n = std::strtoull(argv[3], nullptr, 10);
  if (kind == "mariadb")
    mariadb(argv[2], n);
  else
    small(argv[2], n);
}
