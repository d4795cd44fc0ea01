#pragma once
// The commands that only the headless front end offers, before and after an
// upgrade. Each prints what it found or did, one message a line, and returns
// true when it succeeded, false when it found problems (printed too); other
// failures are raised as OvexError.
#include <string>

struct BackupContents;

// What an upgrade with the package would do, and what is wrong with it;
// package "" takes the update folder's package as the Upgrade command does.
// Stops nothing and writes nothing into the client.
bool checkCommand(const std::string& package);
// Whether a backup archive is whole: its name, cc, data.zip and its entries.
bool verifyCommand(const std::string& archive);
// Puts the data of a backup archive in the place of the client's data
// directory: that of the running server, or clientFolder's when none runs.
bool restoreCommand(const std::string& archive, const std::string& clientFolder);

// Prints what the check of a backup archive found: version, time, sizes and
// every problem.
void printBackupContents(const std::string& archive, const BackupContents& backup);
