#include "util/zip/BackgroundWriter.h"

#include <cstring>

#include "base/OvexError.h"

namespace zipio {
namespace {
// Blocks that may wait for the thread: enough to cover one slow write.
constexpr std::size_t kQueuedBlocks = 4;
}  // namespace

BackgroundWriter::BackgroundWriter() : thread_([this] { run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::start(std::FILE* file) {
  std::lock_guard<std::mutex> lock(mutex_);
  file_ = file;
  failed_ = false;
}

void BackgroundWriter::write(const void* data, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return failed_ || queued_.size() < kQueuedBlocks; });
  if (failed_) throw OvexError("写入文件失败");
  std::vector<char> block;
  if (!spare_.empty()) {
    block.swap(spare_.back());
    spare_.pop_back();
  }
  lock.unlock();
  block.resize(size);
  std::memcpy(block.data(), data, size);
  lock.lock();
  queued_.push_back(std::move(block));
  changed_.notify_all();
}

bool BackgroundWriter::finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queued_.empty() && !writing_; });
  file_ = nullptr;
  return !failed_;
}

void BackgroundWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || !queued_.empty(); });
    if (queued_.empty()) return;  // stopping
    std::vector<char> block = std::move(queued_.front());
    queued_.pop_front();
    writing_ = true;
    std::FILE* file = file_;
    const bool skip = failed_;
    lock.unlock();
    const bool ok = skip || std::fwrite(block.data(), 1, block.size(), file) == block.size();
    lock.lock();
    writing_ = false;
    if (!ok) failed_ = true;
    if (spare_.size() < kQueuedBlocks) spare_.push_back(std::move(block));
    changed_.notify_all();
  }
}

}  // namespace zipio
