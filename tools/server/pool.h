#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dravik::server {

// A fixed number of threads and a bounded queue of jobs: a job that finds
// the queue full is refused at once (the client hears 503), so memory never
// grows with the load. A job is told which of the threads runs it (0 to
// Size() - 1), so that each thread can keep what it alone uses.
class Pool {
public:
    Pool(std::size_t threads, std::size_t queue) : most_(queue)
    {
        for (std::size_t i = 0; i < threads; ++i) {
            threads_.emplace_back([this, i] { Work(i); });
        }
    }
    ~Pool() { Stop(); }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    // Queues the job; false when the queue is full or the pool stopped.
    bool TryPost(std::function<void(std::size_t)> job)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_ || jobs_.size() >= most_) {
                return false;
            }
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
        return true;
    }

    std::size_t Size() const { return threads_.size(); }

    // Ends the threads once the jobs under way are done; queued ones are dropped.
    void Stop()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            jobs_.clear();
        }
        wake_.notify_all();
        for (std::thread& thread : threads_) {
            if (thread.joinable()) {
                thread.join();
            }
        }
    }

private:
    void Work(std::size_t index)
    {
        for (;;) {
            std::function<void(std::size_t)> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (stopping_) {
                    return;
                }
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job(index);
        }
    }

    std::size_t most_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void(std::size_t)>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace dravik::server
