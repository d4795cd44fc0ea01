#pragma once
// Directory and file operations with the tool's fixed error texts.
// Paths are UTF-8; "\" and "/" both separate parts. Errors are OvexError.
#include <string>
#include <vector>

class Progress;

bool directoryExists(const std::string& path);
bool fileExists(const std::string& path);
void createDirectoryPath(const std::string& path);
void deleteDirectoryTree(const std::string& path);
void copyDirectoryTree(const std::string& source, const std::string& destination);
// The same, the bytes of the files copied reported to progress as a step of that name.
void copyDirectoryTree(const std::string& source, const std::string& destination, Progress& progress,
                       const std::string& step);
void deleteFile(const std::string& path);
// The first link to a folder found in the tree below dir (dir joined with its
// relative path), or empty. Links are never followed.
std::string firstFolderLink(const std::string& dir);
// The file's lines, decoded from the ANSI code page (CP936).
std::vector<std::string> readTextLines(const std::string& path);
