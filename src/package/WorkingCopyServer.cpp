#include "package/WorkingCopyServer.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <vector>

#include "base/ClientLayout.h"
#include "base/OvexError.h"
#include "base/TextCodec.h"
#include "dbclient/TDbConnection.h"
#include "dbclient/TDbQuery.h"
#include "dbclient/TDbUtils.h"
#include "platform/CodePages.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "util/AsciiCase.h"
#include "util/Paths.h"
#include "util/TUpdateUtils.h"

namespace workingcopyserver {
namespace {

constexpr int kServerStartWaitMs = 3000;
// A server on a copy of a killed server's files may run crash recovery
// before it listens; a server that was ended may take a moment to go.
constexpr int kServerBoundMs = 60000;
constexpr int kPollMs = 200;

// Polls until the condition holds or the bound has passed; progress idles
// between the polls.
bool waitUntil(const std::function<bool()>& condition, int boundMs, Progress& progress) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    progress.idle();
    platform::sleepMs(kPollMs);
  }
}

// Ends every server of that name and waits until none is left.
bool endServers(Progress& progress) {
  TUpdateUtils::killProcess(clientlayout::kServerName, progress);
  const auto serverGone = [&progress] { return TUpdateUtils::findProcess(clientlayout::kServerName, progress) < 0; };
  return waitUntil(serverGone, kServerBoundMs, progress);
}

std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The data directory of the server that takes the login; nullopt when
// none does. A server that takes it but will not say raises. The server
// hands over the path's bytes as its file system holds them, unconverted:
// UTF-8 when they are, else the ANSI code page.
std::optional<std::string> answeringDataDirectory() {
  auto connection = TDbUtils::getOvexZnpConnection();
  try {
    connection->Connect();
  } catch (const std::exception&) {
    return std::nullopt;
  }
  TDbQuery query(*connection, "SELECT HEX(@@datadir) AS datadir");
  query.Open();
  query.First();
  const std::string bytes = fromHex(query.FieldByName("datadir").AsString());
  const std::string dir = isValidUtf8(bytes) ? bytes : platform::ansiToUtf8(bytes);
  query.Close();
  connection->Disconnect();
  return dir;
}

std::vector<std::string> names(const std::string& path) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (end > start) out.push_back(foldAscii(path.substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

bool sameLastNames(const std::string& a, const std::string& b, size_t count) {
  const auto x = names(a), y = names(b);
  return x.size() >= count && y.size() >= count && std::equal(x.end() - count, x.end(), y.end() - count);
}

}  // namespace

// The server may name its folder in a form of its own (its system's
// separators and code page, a path relative to its base): the working
// copy's own two names at the end are what tells it from the live db.
bool namesFolder(const std::string& reported, const std::string& folder) {
  if (platform::sameEntry(reported, folder)) return true;
  return sameLastNames(reported, paths::absolutePath(folder), 2);
}

void requireServing(const std::string& dataDirectory, Progress& progress) {
  std::optional<std::string> reported;
  if (!waitUntil([&reported] { return (reported = answeringDataDirectory()).has_value(); }, kServerBoundMs, progress))
    return;
  if (!namesFolder(*reported, dataDirectory))
    throw OvexError("The database server at 127.0.0.1:53306 serves \"" + *reported + "\", not the working copy \"" +
                    dataDirectory + "\"; no script was run");
}

void runWithServer(const std::string& workingCopy, bool wantReady, const std::function<void()>& work,
                   Progress& progress) {
  TUpdateUtils::startExeProcess(workingCopy + clientlayout::kCopiedServerProgram, progress);
  try {
    platform::sleepMs(kServerStartWaitMs);
    if (wantReady) requireServing(workingCopy + "/data", progress);
    work();
  } catch (...) {
    // Left running it would go on serving the working copy to a client
    // started again, and what is entered then would be lost.
    try {
      endServers(progress);
    } catch (...) {
    }
    throw;
  }
  if (!endServers(progress))
    throw OvexError("The database server of the working copy did not end; the database folder was not replaced");
}

}  // namespace workingcopyserver
