// Times runSqlFile on a script of single-line INSERT statements against the
// command-line client fed the same script (mariadb --force), on one server.
//   bench_sqlrunner [statements]     (default 20000)
#include <chrono>
#include <cstdio>
#include <string>

#include "MariaDbServer.h"
#include "TestSupport.h"
#include "package/TZNPOp.h"
#include "platform/Platform.h"

using namespace testsupport;

namespace {

std::string makeScript(int statements) {
  std::string text = "-- generated\r\n";
  for (int i = 1; i <= statements; ++i)
    text += "INSERT INTO fp_mx (ID, SPMC, JE) VALUES (" + std::to_string(i) + ", '技术服务费第" +
            std::to_string(i) + "项', " + std::to_string(i % 9973) + ".25);\r\n";
  return platform::utf8ToAnsi(text);
}

template <class F>
double seconds(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void resetTable(const MariaDbServer& server) {
  server.sql("DROP TABLE IF EXISTS fp_mx; CREATE TABLE fp_mx (ID INT PRIMARY KEY, SPMC VARCHAR(60), "
             "JE DECIMAL(12,2)) ENGINE=InnoDB DEFAULT CHARSET=gbk");
}

void requireRows(const MariaDbServer& server, int statements) {
  const std::string count = server.sql("SELECT COUNT(*) FROM fp_mx");
  if (std::stoi(count) != statements) {
    std::fprintf(stderr, "expected %d rows, found %s", statements, count.c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int statements = argc > 1 ? std::stoi(argv[1]) : 20000;
  TempDir dir;
  MariaDbServer server(dir.path());
  server.start();
  const std::string script = dir / "bench.sql";
  writeFile(script, makeScript(statements));
  const std::string client = "mariadb --no-defaults --force -uovex_znp -pmwqzrv@4817 -h127.0.0.1 "
                             "--protocol=TCP -P53306 --default-character-set=gbk ovex_znp < " +
                             shellQuote(script) + " >/dev/null";
  double runner = 1e9, cli = 1e9;
  for (int round = 0; round < 2; ++round) {
    resetTable(server);
    runner = std::min(runner, seconds([&] { runSqlFile(script); }));
    requireRows(server, statements);
    resetTable(server);
    cli = std::min(cli, seconds([&] {
                     if (runCommand(client).status != 0) std::exit(1);
                   }));
    requireRows(server, statements);
  }
  std::printf("%-34s %10s %12s\n", "tool", "seconds", "statements/s");
  std::printf("%-34s %10.2f %12.0f\n", "runSqlFile", runner, statements / runner);
  std::printf("%-34s %10.2f %12.0f\n", "mariadb --force < script", cli, statements / cli);
  std::printf("ratio runSqlFile / mariadb: %.2f (below 1 is faster)\n", runner / cli);
  return 0;
}
