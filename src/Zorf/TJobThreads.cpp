#include "Zorf/TJobThreads.h"

#include <system_error>

TJobThreads::TJobThreads(std::size_t extra) {
    for (std::size_t k = 1; k <= extra; ++k) {
        try {
            workers.emplace_back([this, k] { Work(k); });
        } catch (const std::system_error&) {
            // The threads started so far do the work.
            break;
        }
    }
}

TJobThreads::~TJobThreads() {
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    jobReady.notify_all();
    for (std::thread& worker : workers) {
        worker.join();
    }
}

void TJobThreads::Run(std::size_t threads, const std::function<void(std::size_t)>& job) {
    if (threads > 1) {
        {
            const std::lock_guard<std::mutex> guard(lock);
            current = &job;
            working = threads - 1;
            jobThreads = threads;
            ++generation;
        }
        jobReady.notify_all();
    }
    job(0);
    if (threads > 1) {
        std::unique_lock<std::mutex> guard(lock);
        jobDone.wait(guard, [this] { return working == 0; });
    }
}

void TJobThreads::Work(std::size_t thread) {
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(std::size_t)>* job = nullptr;
        {
            std::unique_lock<std::mutex> guard(lock);
            jobReady.wait(guard, [&] { return stopping || generation != seen; });
            if (stopping) {
                return;
            }
            seen = generation;
            // A worker without a share must not touch the job: the caller may already be
            // setting up the next one.
            if (thread >= jobThreads) {
                continue;
            }
            job = current;
        }
        (*job)(thread);
        bool last = false;
        {
            const std::lock_guard<std::mutex> guard(lock);
            last = --working == 0;
        }
        if (last) {
            jobDone.notify_one();
        }
    }
}
