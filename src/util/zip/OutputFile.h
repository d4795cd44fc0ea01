#pragma once
// The archive being written: large buffered writes, a running offset, and
// in-place patches of bytes already written (the local headers).
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace zipio {

// Where compressed bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void write(const void* data, std::size_t size) = 0;
};

class OutputFile : public ByteSink {
 public:
  // Creates (truncates) path; raises OvexError when it cannot.
  explicit OutputFile(const std::string& path);
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(const void* data, std::size_t size) override;
  void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
  // Overwrites bytes at an earlier offset.
  void patch(std::uint64_t offset, std::string_view bytes);
  std::uint64_t offset() const { return offset_; }
  // Called after each block handed on to the system.
  void onBlockWritten(std::function<void()> callback) { blockWritten_ = std::move(callback); }
  // Flushes and closes; raises OvexError when the data did not all reach the file.
  void close();

 private:
  void flush();
  void fail() const;

  std::string path_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::uint64_t offset_ = 0;
  std::function<void()> blockWritten_;
};

}  // namespace zipio
