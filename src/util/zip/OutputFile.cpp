#include "util/zip/OutputFile.h"

#include <cstring>

#include "base/OvexError.h"
#include "platform/Files.h"

namespace zipio {
namespace {
constexpr std::size_t kBufferSize = 1 << 20;
}

OutputFile::OutputFile(const std::string& path) : path_(path) {
  file_ = platform::openDataFile(path, "wb");
  if (!file_) throw OvexError("无法创建文件 " + path);
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
}

void OutputFile::fail() const { throw OvexError("写入文件失败（磁盘已满？）：" + path_); }

void OutputFile::write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  offset_ += size;
  while (size > 0) {
    const std::size_t room = kBufferSize - buffer_.size();
    const std::size_t n = size < room ? size : room;
    buffer_.append(p, n);
    p += n;
    size -= n;
    if (buffer_.size() == kBufferSize) flush();
  }
}

void OutputFile::flush() {
  if (buffer_.empty()) return;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) fail();
  bufferStart_ += buffer_.size();
  buffer_.clear();
  if (blockWritten_) blockWritten_();
}

void OutputFile::patch(std::uint64_t offset, std::string_view bytes) {
  if (offset >= bufferStart_) {
    std::memcpy(buffer_.data() + (offset - bufferStart_), bytes.data(), bytes.size());
    return;
  }
  // Bytes already on disk: write them there and return to the end.
  flush();
  if (!platform::seekDataFile(file_, offset) ||
      std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
      !platform::seekDataFile(file_, bufferStart_))
    fail();
}

void OutputFile::close() {
  if (!file_) return;
  flush();
  const bool ok = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!ok || !closed) fail();
}

}  // namespace zipio
