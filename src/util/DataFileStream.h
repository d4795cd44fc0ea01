#pragma once
// A read-only stream over a file opened through the platform layer, so that
// a UTF-8 path reaches the system's wide-character calls on Windows.
#include <cstdio>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

class DataFileBuffer : public std::streambuf {
 public:
  DataFileBuffer() = default;
  ~DataFileBuffer() override;
  DataFileBuffer(const DataFileBuffer&) = delete;
  DataFileBuffer& operator=(const DataFileBuffer&) = delete;
  bool open(const std::string& path);
  bool isOpen() const { return file_ != nullptr; }

 protected:
  int_type underflow() override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

 private:
  std::FILE* file_ = nullptr;
  std::vector<char> block_;
  off_type blockStart_ = 0;  // file offset of block_[0]
};

// Opens the file for reading; check with !stream or isOpen().
class DataFileStream : public std::istream {
 public:
  explicit DataFileStream(const std::string& path);
  bool isOpen() const { return buffer_.isOpen(); }

 private:
  DataFileBuffer buffer_;
};
