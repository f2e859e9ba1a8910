// One thread that decodes pictures for the window, one job at a time: the
// picture being opened goes first, a decode ahead of the user waits behind
// it. Each job can be cancelled (its decoder stops at its next check) and
// waited for; when one finishes, its `done` runs on the decoding thread,
// which is where the window posts the result to its own thread.
#pragma once

#include "viewer/PictureJob.h"
#include "viewer/StartDecode.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vx {

class DecodeQueue {
public:
    class Job {
    public:
        const OpenRequest& request() const { return request_; }
        // Asks the decoder to stop; a job not yet started never starts.
        void cancel() { cancel_.store(true, std::memory_order_relaxed); }
        bool cancelled() const { return cancel_.load(std::memory_order_relaxed); }
        // Only after the job finished (DecodeQueue::finished or wait).
        const OpenedPicture& result() const { return result_; }

    private:
        friend class DecodeQueue;
        OpenRequest request_;
        std::atomic<bool> cancel_{false};
        bool finished_ = false;
        OpenedPicture result_;
        std::function<void(const std::shared_ptr<Job>&)> done_;
        std::shared_ptr<StartDecode> start_;
    };
    using JobPtr = std::shared_ptr<Job>;

    DecodeQueue() = default;
    // Cancels every job and waits for the thread.
    ~DecodeQueue();
    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;

    // Queues a decode; urgent jobs go before the waiting ones. A start
    // decode made for the request's file is taken instead of decoding again.
    JobPtr submit(OpenRequest request, bool urgent, std::function<void(const JobPtr&)> done,
                  std::shared_ptr<StartDecode> start = nullptr);
    bool finished(const JobPtr& job) const;
    // Blocks until the job has finished (a cancelled one finishes quickly).
    void wait(const JobPtr& job);

private:
    void run();
    // Lets go of the retired start decodes that have ended.
    void releaseRetired();

    mutable std::mutex mutex_;
    std::condition_variable wake_, finished_;
    std::deque<JobPtr> queue_;
    JobPtr running_;
    bool stopping_ = false;
    // Start decodes given up while still running: each stops at its next
    // check and is let go here once it has, or when the queue ends.
    std::vector<std::shared_ptr<StartDecode>> retired_;
    std::thread thread_;
};

}  // namespace vx
