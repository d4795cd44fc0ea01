// Times runSqlFile on a script of single-line INSERT statements against the
// command-line client fed the same script (mariadb --force), on one server.
//   bench_sqlrunner [statements]     (default 20000)
//   bench_sqlrunner statements runs  one line per run and tool for bench/run:
//                                    "runSqlFile|mariadb WALL CPU", durable server
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "MariaDbServer.h"
#include "TestSupport.h"
#include "package/runSqlFile.h"
#include "platform/CodePages.h"

using namespace testsupport;

namespace {

std::string makeScript(int statements) {
  std::string text = "-- generated\r\n";
  for (int i = 1; i <= statements; ++i)
    text += "INSERT INTO fp_mx (ID, SPMC, JE) VALUES (" + std::to_string(i) + ", '技术服务费第" +
            std::to_string(i) + "项', " + std::to_string(i % 9973) + ".25);\r\n";
  return platform::utf8ToAnsi(text);
}

// CPU seconds (user and system) of this process or of its ended children.
double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Sample {
  double wall, cpu;
};

// Wall time of the work and the client's CPU time (who: RUSAGE_SELF or
// RUSAGE_CHILDREN); the server's time is in neither.
template <class F>
Sample measureOnce(int who, F&& work) {
  const double cpuStart = cpuSeconds(who);
  const auto start = std::chrono::steady_clock::now();
  work();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          cpuSeconds(who) - cpuStart};
}

Sample best(const Sample& a, const Sample& b) { return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)}; }

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

struct Timing {
  Sample runner{1e9, 1e9}, cli{1e9, 1e9};
};

// Best of two alternating rounds of each tool on a fresh table.
Timing measure(const MariaDbServer& server, const std::string& script, int statements) {
  const std::string client = "mariadb --no-defaults --force -uovex_znp -pmwqzrv@4817 -h127.0.0.1 "
                             "--protocol=TCP -P53306 --default-character-set=gbk ovex_znp < " +
                             shellQuote(script) + " >/dev/null";
  Timing t;
  for (int round = 0; round < 2; ++round) {
    resetTable(server);
    t.runner = best(t.runner, measureOnce(RUSAGE_SELF, [&] { runSqlFile(script); }));
    requireRows(server, statements);
    resetTable(server);
    t.cli = best(t.cli, measureOnce(RUSAGE_CHILDREN, [&] {
                   if (runCommand(client).status != 0) std::exit(1);
                 }));
    requireRows(server, statements);
  }
  return t;
}

void report(const char* mode, const Timing& t, int statements) {
  std::printf("%-26s %-26s %9.2f %12.0f %10.2f\n", mode, "runSqlFile", t.runner.wall, statements / t.runner.wall,
              t.runner.cpu);
  std::printf("%-26s %-26s %9.2f %12.0f %10.2f\n", mode, "mariadb --force < script", t.cli.wall,
              statements / t.cli.wall, t.cli.cpu);
  std::printf("%-26s %-26s %9.2f %12s %10.2f\n", mode, "ratio runSqlFile/mariadb", t.runner.wall / t.cli.wall, "",
              t.runner.cpu / t.cli.cpu);
}

}  // namespace

int run(int statements) {
  TempDir dir;
  MariaDbServer server(dir.path());
  server.start();
  const std::string script = dir / "bench.sql";
  writeFile(script, makeScript(statements));
  std::printf("%d single-line INSERT statements, autocommit; ratio below 1: runSqlFile is faster\n", statements);
  std::printf("%-26s %-26s %9s %12s %10s\n", "server", "tool", "seconds", "statements/s", "client CPU");
  report("durable (flush per commit)", measure(server, script, statements), statements);
  // Without a log flush per commit the clients' own costs show.
  server.sql("SET GLOBAL innodb_flush_log_at_trx_commit=0");
  report("no flush per commit", measure(server, script, statements), statements);
  return 0;
}

// Each run: both tools in turn on a fresh table, the order alternating.
int runRaw(int statements, int runs) {
  TempDir dir;
  MariaDbServer server(dir.path());
  server.start();
  const std::string script = dir / "bench.sql";
  writeFile(script, makeScript(statements));
  const std::string client = "mariadb --no-defaults --force -uovex_znp -pmwqzrv@4817 -h127.0.0.1 "
                             "--protocol=TCP -P53306 --default-character-set=gbk ovex_znp < " +
                             shellQuote(script) + " >/dev/null";
  auto ours = [&] {
    resetTable(server);
    const Sample s = measureOnce(RUSAGE_SELF, [&] { runSqlFile(script); });
    requireRows(server, statements);
    std::printf("runSqlFile %.3f %.3f\n", s.wall, s.cpu);
  };
  auto peer = [&] {
    resetTable(server);
    const Sample s = measureOnce(RUSAGE_CHILDREN, [&] {
      if (runCommand(client).status != 0) std::exit(1);
    });
    requireRows(server, statements);
    std::printf("mariadb %.3f %.3f\n", s.wall, s.cpu);
  };
  for (int r = 0; r < runs; ++r) {
    if (r % 2 == 0) {
      ours();
      peer();
    } else {
      peer();
      ours();
    }
    std::fflush(stdout);
  }
  return 0;
}

int main(int argc, char** argv) {
  try {
    if (argc > 2) return runRaw(std::stoi(argv[1]), std::stoi(argv[2]));
    return run(argc > 1 ? std::stoi(argv[1]) : 20000);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_sqlrunner: %s\n", e.what());
    return 1;
  }
}
