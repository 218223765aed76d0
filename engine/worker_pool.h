// The engine's helper threads. The sort, the gather of sorted records and the merges hand their
// pieces to the pool and wait until every piece is done before the run goes on, so nothing runs
// beside the writing of a status record, a log line or a trace block, and the result does not
// depend on how many threads did the work.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kvt::engine {

class WorkerPool {
 public:
  using Task = std::function<void(int64_t)>;

  // threads: how many threads may work at once, the calling thread included (at least 1).
  explicit WorkerPool(int threads);
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;
  ~WorkerPool();

  // One per processor, or KVT_THREADS when it is set to a number from 1 up.
  static int DefaultThreads();

  int threads() const { return static_cast<int>(workers_.size()) + 1; }

  // Hands pieces 0 .. count-1 of task to the helper threads and returns at once; the caller may
  // do other work and must call Wait before the next Start. With one thread nothing runs until
  // Wait.
  void Start(int64_t count, Task task);
  // Works on the remaining pieces and returns when all of them are done.
  void Wait();
  // Start and Wait; a single piece runs on the calling thread without waking anyone.
  void Run(int64_t count, const Task& task) {
    if (count <= 1) {
      if (count == 1) task(0);
      return;
    }
    Start(count, task);
    Wait();
  }

 private:
  void WorkerLoop();
  // Runs pieces until none is left.
  void Drain();

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  Task task_;
  int64_t count_ = 0;
  std::atomic<int64_t> next_{0};
  uint64_t generation_ = 0;
  int busy_ = 0;  // helper threads inside the current batch
  bool stop_ = false;
};

}  // namespace kvt::engine
