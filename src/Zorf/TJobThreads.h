// Threads kept between jobs, each job run on some of them and on the caller's thread at once:
// waking a kept thread costs far less than starting one, and recall and training run one job
// after another.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TJobThreads {
  public:
    // Starts `extra` threads, or as many as the system allows.
    explicit TJobThreads(std::size_t extra);
    ~TJobThreads();
    TJobThreads(const TJobThreads&) = delete;
    TJobThreads& operator=(const TJobThreads&) = delete;

    // The caller's thread and the kept ones.
    std::size_t Size() const { return workers.size() + 1; }

    // Calls job(k) for k from 0 to threads - 1 (at most Size()) at once, job(0) on the caller's
    // thread, and returns once all have returned. The job must not raise. Not to be called from
    // two threads at once.
    void Run(std::size_t threads, const std::function<void(std::size_t)>& job);

  private:
    std::mutex lock;
    std::condition_variable jobReady;
    std::condition_variable jobDone;
    const std::function<void(std::size_t)>* current = nullptr;
    std::uint64_t generation = 0;
    std::size_t jobThreads = 0;
    std::size_t working = 0;
    bool stopping = false;
    // Worker k runs job(k + 1).
    std::vector<std::thread> workers;

    void Work(std::size_t thread);
};
