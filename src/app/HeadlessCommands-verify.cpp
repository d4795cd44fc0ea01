// UpdateOvexZNP --verify ARCHIVE: is a backup archive whole?
#include "app/HeadlessCommands.h"
#include "app/ScratchFolder.h"
#include "app/Screen.h"
#include "backup/BackupCheck.h"

void printBackupContents(const std::string& archive, const BackupContents& backup) {
  screen::showMessage("archive: " + archive + " (" + megabytes(backup.archiveBytes) + ")");
  if (!backup.createdAt.empty()) {
    screen::showMessage("version: " + (backup.version.empty() ? std::string("(none recorded)") : backup.version));
    screen::showMessage("made: " + backup.createdAt);
  }
  if (backup.dataFiles > 0)
    screen::showMessage("data: " + std::to_string(backup.dataFiles) + " files, " + megabytes(backup.dataBytes));
  for (const std::string& problem : backup.problems) screen::showMessage("problem: " + problem);
  if (backup.problems.empty()) screen::showMessage("the archive is whole: cc matches data.zip, every entry reads completely");
}

bool verifyCommand(const std::string& archive) {
  ScratchFolder scratch(commandScratchFolder("verify"));
  const BackupContents backup = checkBackupArchive(archive, scratch.path(), screen::progress());
  printBackupContents(archive, backup);
  return backup.problems.empty();
}
