#include "util/DataFileStream.h"

#include "platform/Files.h"

namespace {
constexpr std::size_t kBlockSize = 64 * 1024;
}

DataFileBuffer::~DataFileBuffer() {
  if (file_) std::fclose(file_);
}

bool DataFileBuffer::open(const std::string& path) {
  file_ = platform::openDataFile(path, "rb");
  block_.resize(kBlockSize);
  setg(block_.data(), block_.data(), block_.data());
  return file_ != nullptr;
}

DataFileBuffer::int_type DataFileBuffer::underflow() {
  if (!file_) return traits_type::eof();
  blockStart_ += egptr() - eback();
  const std::size_t got = std::fread(block_.data(), 1, block_.size(), file_);
  setg(block_.data(), block_.data(), block_.data() + got);
  return got ? traits_type::to_int_type(block_[0]) : traits_type::eof();
}

DataFileBuffer::pos_type DataFileBuffer::seekoff(off_type off, std::ios_base::seekdir dir,
                                                 std::ios_base::openmode which) {
  if (!file_ || !(which & std::ios_base::in)) return pos_type(off_type(-1));
  off_type base = blockStart_ + (gptr() - eback());
  if (dir == std::ios_base::beg) base = 0;
  if (dir == std::ios_base::end) {
    const auto size = platform::dataFileSize(file_);
    if (!size) return pos_type(off_type(-1));
    base = static_cast<off_type>(*size);
  }
  return seekpos(pos_type(base + off), which);
}

DataFileBuffer::pos_type DataFileBuffer::seekpos(pos_type pos, std::ios_base::openmode which) {
  const off_type target = pos;
  if (!file_ || !(which & std::ios_base::in) || target < 0) return pos_type(off_type(-1));
  if (target >= blockStart_ && target <= blockStart_ + (egptr() - eback())) {  // inside the block read
    setg(eback(), eback() + (target - blockStart_), egptr());
    return pos;
  }
  if (!platform::seekDataFile(file_, static_cast<std::uint64_t>(target))) return pos_type(off_type(-1));
  blockStart_ = target;
  setg(block_.data(), block_.data(), block_.data());
  return pos;
}

DataFileStream::DataFileStream(const std::string& path) : std::istream(nullptr) {
  rdbuf(&buffer_);
  if (!buffer_.open(path)) setstate(std::ios_base::failbit);
}
