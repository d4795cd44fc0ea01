#pragma once
// Decompression of one entry's data from the archive into a sink:
// stored, deflate, and where the libraries are present bzip2 and LZMA.
#include <cstdint>
#include <cstdio>

#include "util/zip/CentralDirectory.h"
#include "util/zip/OutputFile.h"

namespace zipio {

bool methodSupported(std::uint16_t method);

// Reads entry.compressedSize bytes from in (positioned at the entry's data)
// and writes the decompressed bytes to out. Returns the CRC-32 of what was
// written; raises OvexError on damaged data or a size that does not match.
std::uint32_t inflateEntry(std::FILE* in, const CentralEntry& entry, ByteSink& out);

}  // namespace zipio
