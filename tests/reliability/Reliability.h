#pragma once
// What the reliability tests share: starting the tool and killing it at a
// chosen moment, checking the backup archives, and doing what an operator
// does after an interruption (start the client and its server again).
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "Sandbox.h"

namespace reliability {

// Starts "UpdateOvexZNP <option>" in workDir, kills it with SIGKILL after
// delayMs (unless it ended before) and returns whether it was killed.
bool runAndKill(const std::string& workDir, const std::string& option, int delayMs);
bool runAndKill(const std::string& workDir, const std::vector<std::string>& arguments, int delayMs);
// Runs the command to its end and returns how long it took, in ms; output
// is what it printed but its progress lines. watch, when given, is called
// every few ms with the time so far.
int timedRun(const std::string& workDir, const std::string& option, int* status, std::string* output,
             const std::function<void(int ms)>& watch = {});
int timedRun(const std::string& workDir, const std::vector<std::string>& arguments, int* status,
             std::string* output, const std::function<void(int ms)>& watch = {});

// The backup archives under a final name (ovex_znp_data_*.zip) in a folder.
std::vector<std::string> finalArchives(const std::string& folder);
// Empty when the archive is complete: unzip -t passes on it and on the
// data.zip inside, and it holds exactly cc and data.zip. Otherwise why not.
std::string archiveProblem(const std::string& archive);

// Relative path -> size of every regular file below a folder.
std::map<std::string, long long> fileSizes(const std::string& folder);
std::vector<std::string> fileNames(const std::string& folder);

// Ends the server stand-ins started from below root, waits until the port is free.
void stopServers(const std::string& root);
// The operator's restart: no stray server, the client and its server
// running from the client folder, the database taking logins.
void restartClientAndServer(const testsupport::Sandbox& box);

// The tool acts on the first client and server it finds by name: waits
// until every client and server process on the machine is the sandbox's
// own (other tests may run theirs). False when that did not happen in time.
bool waitUntilSoleInstallation(const testsupport::Sandbox& box, int timeoutMs = 300000);

// Watches, on its own thread, for client or server processes of another
// installation (another test on this machine) while it lives; the tool and
// the checks would then talk to the wrong server, so that the step proves
// nothing.
class ForeignWatch {
 public:
  explicit ForeignWatch(const testsupport::Sandbox& box);
  ~ForeignWatch();
  bool seen() const { return seen_; }

 private:
  std::atomic<bool> seen_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Writes an upgrade package for version into work/update (the only one).
void makePackage(const testsupport::Sandbox& box, const std::string& version);
void makePackageIn(const std::string& updateFolder, const std::string& version);

// A tmpfs of a given size mounted on a new folder, unmounted with the
// object. mounted() is false when the system refused (not root, no rights).
class SmallDisk {
 public:
  SmallDisk(const std::string& folder, long long bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }
  const std::string& path() const { return folder_; }
  bool resize(long long bytes);
  long long used() const;

 private:
  std::string folder_;
  bool mounted_ = false;
};

}  // namespace reliability
