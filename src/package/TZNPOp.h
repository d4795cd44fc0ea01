#pragma once
// Applying the entries of an update package, and running SQL script files.
#include <string>
#include <vector>

class TUpdateFile;

namespace TupdateOp {
void updateOp(const TUpdateFile& uf, const std::string& ovexZNPDir);
void updateCommonFile(const TUpdateFile& uf, const std::string& ovexZNPDir);
void updateDbFile(const TUpdateFile& uf, const std::string& ovexZNPDir);
}  // namespace TupdateOp

// Runs one SQL script file statement by statement on the client database.
void runSqlFile(const std::string& path);
