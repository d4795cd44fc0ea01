// bench_datadir DIR ROWS [PORT]: a MariaDB data directory with ROWS rows of
// a realistic invoice table, loaded into a real mariadbd (the test
// fixtures' server) that is then shut down cleanly. DIR must not exist.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "MariaDbServer.h"
#include "TestSupport.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const char kCreate[] =
    "CREATE TABLE fp_kpxx (ID INT PRIMARY KEY, FPDM VARCHAR(12), FPHM VARCHAR(8), KPRQ DATETIME,"
    " GFMC VARCHAR(100), GFSH VARCHAR(20), SPMC VARCHAR(100), JE DECIMAL(14,2), SE DECIMAL(14,2),"
    " BZ VARCHAR(200), KEY (KPRQ), KEY (GFMC)) ENGINE=InnoDB DEFAULT CHARSET=gbk";

// Rows first..last; buyer names, goods, amounts and remarks vary with the id.
std::string insertRows(long first, long last) {
  return "INSERT INTO fp_kpxx SELECT seq, CONCAT('0440', LPAD(seq % 100000000, 8, '0')), LPAD(seq, 8, '0'),"
         " '2026-01-01' + INTERVAL (seq % 340) DAY + INTERVAL (seq * 7 % 86400) SECOND,"
         " CONCAT(ELT(1 + seq % 7, '北京星河', '上海明远', '广州华信', '深圳云帆', '杭州绿源', '成都天府',"
         " '武汉长江'), ELT(1 + seq % 5, '科技', '贸易', '电子', '物流', '食品'), '有限公司第', seq % 997, '分公司'),"
         " CONCAT('91', UPPER(LEFT(SHA1(seq), 16))),"
         " ELT(1 + seq % 6, '办公用品', '技术服务费', '电子元件', '运输服务', '餐饮服务', '咨询费'),"
         " ROUND(100 + (seq * 7919) % 100000 / 3, 2), ROUND((100 + (seq * 7919) % 100000 / 3) * 0.13, 2),"
         " CONCAT('备注：第', seq, '张发票，订单号', MD5(seq))"
         " FROM seq_" + std::to_string(first) + "_to_" + std::to_string(last);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_datadir DIR ROWS [PORT]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const long rows = std::stol(argv[2]);
  const int port = argc > 3 ? std::stoi(argv[3]) : 53399;
  try {
    if (fs::exists(dir)) throw std::runtime_error(dir + " exists already");
    const std::string work = dir + ".server";
    fs::remove_all(work);
    {
      MariaDbServer server(work, port);
      server.start();
      server.sql(kCreate);
      for (long first = 1; first <= rows; first += 50000)
        server.sql(insertRows(first, std::min(rows, first + 49999)));
      server.sql("SET GLOBAL innodb_fast_shutdown = 0");
      server.sql("SHUTDOWN");
      while (fs::exists(work + "/mariadbd.pid")) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    fs::rename(work + "/data", dir);
    fs::remove_all(work);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_datadir: %s\n", e.what());
    return 1;
  }
  return 0;
}
