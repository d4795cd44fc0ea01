#include "util/zip/DeflatePipeline.h"

#include <zlib.h>

#include <chrono>
#include <cstdio>

#include "base/OvexError.h"
#include "util/zip/BlockDeflater.h"

namespace zipio {
namespace {
// How far ahead of the writer the workers may open files.
constexpr std::size_t kWindow = 1024;
constexpr auto kIdleInterval = std::chrono::milliseconds(50);
}  // namespace

struct DeflatePipeline::Job {
  enum State { kWaiting, kOpen, kRead, kFailed };
  std::string path;
  State state = kWaiting;
  std::FILE* file = nullptr;
  platform::DataFileInfo info{0, 0};
  std::vector<unsigned char> tail;  // the last bytes read, the next block's dictionary
  int carry = -1;                   // a byte read ahead to find the end, or -1
  bool busy = false;  // a worker is reading it
  std::size_t blocksRead = 0;
  std::size_t blocksTaken = 0;
  std::size_t blockCount = 0;  // known once the last block is read
  std::map<std::size_t, DeflatedBlock> done;
  std::exception_ptr error;

  explicit Job(std::string p) : path(std::move(p)) {}
  void close() {
    if (file) std::fclose(file);
    file = nullptr;
  }
};

unsigned DeflatePipeline::defaultWorkers() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}

DeflatePipeline::DeflatePipeline(std::vector<std::string> paths, unsigned workers, std::function<void()> idle)
    : idle_(std::move(idle)), workers_(workers == 0 ? 1 : workers) {
  jobs_.reserve(paths.size());
  for (std::string& p : paths) jobs_.emplace_back(std::move(p));
  try {
    for (unsigned i = 0; i < workers_; ++i) threads_.emplace_back([this] { work(); });
  } catch (...) {
    shutdown();
    throw;
  }
}

DeflatePipeline::~DeflatePipeline() { shutdown(); }

void DeflatePipeline::shutdown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
  threads_.clear();
  for (Job& job : jobs_) job.close();
}

// A worker starts another block while the budget allows. The writer's own
// file may always go on by one block per worker beyond it, so that blocks
// of later files that wait for it never stall it.
bool DeflatePipeline::mayStart() const {
  if (cursor_ >= jobs_.size() || cursor_ >= head_ + kWindow) return false;
  if (buffered_ < kPipelineBudget) return true;
  return cursor_ == head_ && buffered_ < kPipelineBudget + 2 * workers_ * kBlockBound;
}

// The reading side of a job (its file, tail, carry and block count) is
// used only by the one worker that holds it busy, outside the lock; what
// the writer looks at is set under the lock.
bool DeflatePipeline::openJob(Job& job, platform::DataFileInfo& info) {
  job.file = platform::openDataFile(job.path, "rb");
  if (!job.file) return false;
  std::setvbuf(job.file, nullptr, _IONBF, 0);
  info = platform::dataFileInfo(job.file).value_or(platform::DataFileInfo{0, 0});
  return true;
}

// Reads the next block of job into input (kBlockSize + 1 bytes long) and
// gives its length; one byte is read ahead to tell the last block.
std::size_t DeflatePipeline::readBlock(Job& job, std::vector<unsigned char>& input,
                                       std::vector<unsigned char>& dictionary, bool& last) {
  dictionary.swap(job.tail);
  std::size_t have = 0;
  if (job.carry >= 0) input[have++] = static_cast<unsigned char>(job.carry);
  have += std::fread(input.data() + have, 1, input.size() - have, job.file);
  if (std::ferror(job.file)) throw OvexError("读取文件失败");
  last = have <= kBlockSize;
  job.carry = last ? -1 : input[kBlockSize];
  const std::size_t length = last ? have : kBlockSize;
  const std::size_t keep = length < kDictionarySize ? length : kDictionarySize;
  job.tail.assign(input.begin() + static_cast<std::ptrdiff_t>(length - keep),
                  input.begin() + static_cast<std::ptrdiff_t>(length));
  ++job.blocksRead;
  if (last) job.close();
  return length;
}

void DeflatePipeline::work() {
  std::unique_ptr<BlockDeflater> deflater;
  std::vector<unsigned char> input(kBlockSize + 1), dictionary;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || cursor_ >= jobs_.size() || (!jobs_[cursor_].busy && mayStart()); });
    if (stop_ || cursor_ >= jobs_.size()) return;
    Job& job = jobs_[cursor_];
    job.busy = true;
    buffered_ += kBlockBound;
    const bool opening = job.state == Job::kWaiting;
    lock.unlock();

    platform::DataFileInfo info{0, 0};
    bool opened = true, last = false;
    std::size_t length = 0;
    const std::size_t index = job.blocksRead;
    std::exception_ptr error;
    try {
      if (opening) opened = openJob(job, info);
      if (opened) length = readBlock(job, input, dictionary, last);
    } catch (...) {
      error = std::current_exception();
      job.close();
    }

    lock.lock();
    job.busy = false;
    if (opening) {
      job.state = opened ? Job::kOpen : Job::kFailed;
      job.info = info;
    }
    if (!opened || error || last) ++cursor_;
    if (last) {
      job.blockCount = job.blocksRead;
      job.state = Job::kRead;
    }
    if (error) job.error = error;
    changed_.notify_all();
    if (!opened || error) {
      buffered_ -= kBlockBound;
      continue;
    }
    lock.unlock();

    DeflatedBlock block;
    try {
      if (!deflater) deflater = std::make_unique<BlockDeflater>();
      deflater->compress(dictionary, input.data(), length, last, block.data);
      block.crc = static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), input.data(), length));
      block.size = length;
    } catch (...) {
      error = std::current_exception();
    }

    lock.lock();
    buffered_ -= kBlockBound;
    if (error) {
      job.error = error;
    } else {
      buffered_ += block.data.capacity();
      job.done.emplace(index, std::move(block));
    }
    changed_.notify_all();
  }
}

template <class Ready>
void DeflatePipeline::waitFor(std::unique_lock<std::mutex>& lock, Ready ready) {
  while (!changed_.wait_for(lock, kIdleInterval, ready)) {
    if (!idle_) continue;
    lock.unlock();
    idle_();
    lock.lock();
  }
}

bool DeflatePipeline::open(std::size_t i, platform::DataFileInfo& info) {
  std::unique_lock<std::mutex> lock(mutex_);
  head_ = i;
  changed_.notify_all();
  Job& job = jobs_[i];
  waitFor(lock, [&] { return job.state != Job::kWaiting || job.error; });
  if (job.error) std::rethrow_exception(job.error);
  info = job.info;
  return job.state != Job::kFailed;
}

bool DeflatePipeline::next(std::size_t i, DeflatedBlock& block) {
  std::unique_lock<std::mutex> lock(mutex_);
  Job& job = jobs_[i];
  const std::size_t index = job.blocksTaken;
  waitFor(lock, [&] {
    return job.error || job.done.count(index) || (job.state == Job::kRead && index == job.blockCount);
  });
  if (job.error) std::rethrow_exception(job.error);
  const auto found = job.done.find(index);
  if (found == job.done.end()) return false;
  block = std::move(found->second);
  job.done.erase(found);
  ++job.blocksTaken;
  buffered_ -= block.data.capacity();
  changed_.notify_all();
  return true;
}

}  // namespace zipio
