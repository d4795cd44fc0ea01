#pragma once
// Builds one archive file from collected files and, when an archive is
// being updated, the entries of the old one.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "util/zip/CentralDirectory.h"
#include "util/zip/CountingSink.h"
#include "util/zip/FileTree.h"

namespace zipio {

struct OldArchive {
  std::FILE* file = nullptr;
  std::vector<CentralEntry> entries;
};

// Writes path; on any failure the partly written file is deleted and the
// error (OvexError) passed on. Files are compressed by one worker thread
// per processor; the archive's bytes are the same for any worker count.
// read is told the uncompressed bytes of the new files read so far; idle is
// called on the calling thread between pieces of the work.
void buildArchive(const std::string& path, const std::vector<FoundFile>& files, const OldArchive* old,
                  const BytesRead& read = {}, const std::function<void()>& idle = {});
// The same with a given number of compressing threads (at least one).
void buildArchive(const std::string& path, const std::vector<FoundFile>& files, const OldArchive* old,
                  unsigned workers, const BytesRead& read = {}, const std::function<void()>& idle = {});

}  // namespace zipio
