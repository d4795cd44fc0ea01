#pragma once
// Applying the entries of an update package: a database entry through a
// working copy of the database (TupdateOp-db.cpp), any other by copying its
// files over the target (TupdateOp.cpp).
#include <string>

#include "util/Progress.h"

class TUpdateFile;

namespace TupdateOp {
// The database copy and the scripts of a database entry are reported to progress.
void updateOp(const TUpdateFile& uf, const std::string& ovexZNPDir, Progress& progress = noProgress());
void updateCommonFile(const TUpdateFile& uf, const std::string& ovexZNPDir);
void updateDbFile(const TUpdateFile& uf, const std::string& ovexZNPDir, Progress& progress = noProgress());
}  // namespace TupdateOp
