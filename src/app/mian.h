#pragma once
// The main window's logic (Form1), kept free of any toolkit: the busy state,
// the progress label, both commands and the state they share.
#include <string>

// ---- process-wide state ----
extern std::string busyFlag;       // "1" busy, anything else idle
extern std::string clientExePath;  // set by checkAndStopClient
extern std::string clientDir;

// ---- texts of the window ----
namespace form1 {
extern const char* const kCaption;
extern const char* const kInstructions;  // the seven lines, "\n" between them
extern const char* const kLabelInitial;
extern const char* const kLabelWait;
extern const char* const kLabelPatience;
extern const char* const kBusyMessage;
extern const char* const kNotRunning;
extern const char* const kUpgradeDone;
extern const char* const kBackupDone;
extern const char* const kBackupFailed;
extern const char* const kConfirmUpgrade;
}  // namespace form1

// ---- busy state and progress label ----
void showBusy();
// Ends the busy state and lets other copies of the tool run commands again.
void hideBusy();
void tmr1Timer();
// The busy test both commands make first: shows the busy message when busy,
// or when another copy of the tool runs a command; otherwise takes the
// command lock, which hideBusy (or the end of the process) gives back.
bool refuseWhenBusy();

// ---- the commands ----
void updatBtnClick();
void bfBtnClick();

// Runs a command as the message loop would: an error that escapes it goes
// to the default error report.
void runWithErrorReport(void (*command)());

// The application title: the executable's name up to its first ".", every
// character after the first in lower case.
std::string applicationTitle(const std::string& executablePath);

// ---- the update run ----
class TUpdateThread {
 public:
  void Execute();
};

// Client detection and shutdown.
bool checkAndStopClient();
// The executable path of the running taxpayer client ("OvexZNP.exe" first),
// stopping nothing; empty when none runs or its path cannot be read.
std::string runningClientPath();

// The executable path of the running database server; empty when none runs or its
// path cannot be read.
std::string runningServerPath();
// The data directory of a server: two levels up from its executable, then "/data".
std::string dataDirectoryOf(const std::string& serverExePath);
