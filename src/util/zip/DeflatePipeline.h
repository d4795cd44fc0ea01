#pragma once
// Files deflated by worker threads and handed back, block by block, in the
// order given. Only the thread that made the pipeline takes results; while
// it waits it calls idle (the window's pending messages). Buffered
// compressed data is bounded by a fixed budget, whatever the file sizes.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Files.h"

namespace zipio {

struct DeflatedBlock {
  std::vector<unsigned char> data;
  std::uint32_t crc = 0;    // of the uncompressed block
  std::uint64_t size = 0;   // uncompressed bytes
};

// Compressed data that may wait for the writer (besides one block in the
// hands of each worker).
constexpr std::size_t kPipelineBudget = std::size_t{16} << 20;

class DeflatePipeline {
 public:
  DeflatePipeline(std::vector<std::string> paths, unsigned workers, std::function<void()> idle);
  // Stops the workers, waits for them and closes every file.
  ~DeflatePipeline();
  DeflatePipeline(const DeflatePipeline&) = delete;
  DeflatePipeline& operator=(const DeflatePipeline&) = delete;

  // Waits until file i is opened; false when it could not be. Files are
  // taken in increasing i.
  bool open(std::size_t i, platform::DataFileInfo& info);
  // The next block of file i into block; false after the last. Raises
  // the error met reading or compressing the file.
  bool next(std::size_t i, DeflatedBlock& block);

  // The worker count for this machine: one per processor.
  static unsigned defaultWorkers();

 private:
  struct Job;
  void work();
  void shutdown();
  bool mayStart() const;
  static bool openJob(Job& job, platform::DataFileInfo& info);
  static std::size_t readBlock(Job& job, std::vector<unsigned char>& input, std::vector<unsigned char>& dictionary,
                               bool& last);
  template <class Ready>
  void waitFor(std::unique_lock<std::mutex>& lock, Ready ready);

  std::vector<Job> jobs_;
  std::function<void()> idle_;
  unsigned workers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t cursor_ = 0;    // the job whose blocks are read next
  std::size_t head_ = 0;      // the job the writer takes
  std::size_t buffered_ = 0;  // memory of compressed blocks held (or reserved)
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace zipio
