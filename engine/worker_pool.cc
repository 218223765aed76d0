#include "engine/worker_pool.h"

#include <cstdlib>

#include "platform/processors.h"

namespace kvt::engine {

WorkerPool::WorkerPool(int threads) {
  for (int k = 1; k < threads; ++k) workers_.emplace_back([this] { WorkerLoop(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : workers_) t.join();
}

int WorkerPool::DefaultThreads() {
  if (const char* text = std::getenv("KVT_THREADS")) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && value >= 1) return static_cast<int>(value > 64 ? 64 : value);
  }
  const int cores = platform::UsableProcessors();
  return cores > 64 ? 64 : cores;
}

void WorkerPool::Start(int64_t count, Task task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = std::move(task);
    count_ = count;
    next_.store(0);
    ++generation_;
    busy_ = static_cast<int>(workers_.size());
  }
  if (!workers_.empty()) wake_.notify_all();
}

void WorkerPool::Wait() {
  Drain();
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return busy_ == 0; });
  task_ = nullptr;
}

void WorkerPool::Drain() {
  for (;;) {
    int64_t piece = next_.fetch_add(1);
    if (piece >= count_) return;
    task_(piece);
  }
}

void WorkerPool::WorkerLoop() {
  uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
      if (stop_) return;
      seen = generation_;
    }
    Drain();
    std::lock_guard<std::mutex> lock(mutex_);
    if (--busy_ == 0) idle_.notify_all();
  }
}

}  // namespace kvt::engine
