#pragma once
// Writes the data of one large file on a second thread while the caller
// produces the next blocks (inflating, on a machine with a core to spare).
// write copies the block; the file's data is all written, in order, when
// finish returns true.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "util/zip/OutputFile.h"

namespace zipio {

class BackgroundWriter : public ByteSink {
 public:
  BackgroundWriter();
  // Waits for the thread; a file still being written is left to its owner.
  ~BackgroundWriter() override;
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // The file the next blocks go to (the caller opens and closes it).
  void start(std::FILE* file);
  // Queues a copy of the block; raises OvexError once a write has failed.
  void write(const void* data, std::size_t size) override;
  // Waits until every queued block is written; false when one was not.
  bool finish();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<char>> queued_;
  std::vector<std::vector<char>> spare_;
  std::FILE* file_ = nullptr;
  bool writing_ = false;  // the thread holds a block
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace zipio
