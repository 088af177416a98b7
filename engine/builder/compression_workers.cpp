#include "compression_workers.h"

#include "mszip_block.h"

namespace builder {

CompressionWorkers::CompressionWorkers(unsigned threads) {
  for (unsigned i = 0; i < (threads ? threads : 1); ++i) threads_.emplace_back([this] { Run(); });
}

CompressionWorkers::~CompressionWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

std::future<std::string> CompressionWorkers::Compress(std::string block) {
  Job job{std::move(block), {}};
  std::future<std::string> record = job.record.get_future();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
  return record;
}

void CompressionWorkers::Run() {
  MszipBlockCompressor compressor;
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // stopping, with nothing left to do
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    try {
      job.record.set_value(compressor.DataRecord(job.block));
    } catch (...) {
      job.record.set_exception(std::current_exception());
    }
  }
}

}  // namespace builder
