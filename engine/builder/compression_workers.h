// Threads that compress the data blocks of a cabinet, each with its own compressor. Blocks
// come back through futures, so the caller writes them in the order it gave them, however the
// threads happen to run.
#pragma once

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace builder {

class CompressionWorkers {
 public:
  explicit CompressionWorkers(unsigned threads);
  ~CompressionWorkers();
  CompressionWorkers(const CompressionWorkers&) = delete;
  CompressionWorkers& operator=(const CompressionWorkers&) = delete;

  // The CFDATA record of a block (mszip_block.h), once a thread has compressed it.
  std::future<std::string> Compress(std::string block);

 private:
  struct Job {
    std::string block;
    std::promise<std::string> record;
  };
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace builder
