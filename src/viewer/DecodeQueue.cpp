#include "viewer/DecodeQueue.h"

#include "platform/VectorState.h"

#include <pthread.h>

namespace vx {

DecodeQueue::~DecodeQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const JobPtr& job : queue_)
            job->cancel();
        if (running_)
            running_->cancel();
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

DecodeQueue::JobPtr DecodeQueue::submit(OpenRequest request, bool urgent, std::function<void(const JobPtr&)> done,
                                        std::shared_ptr<StartDecode> start)
{
    auto job = std::make_shared<Job>();
    job->request_ = std::move(request);
    job->done_ = std::move(done);
    job->start_ = std::move(start);
    {
        std::lock_guard lock(mutex_);
        if (urgent)
            queue_.push_front(job);
        else
            queue_.push_back(job);
        if (!thread_.joinable())
            thread_ = std::thread([this] {
                pthread_setname_np(pthread_self(), "vx-decode");
                run();
            });
    }
    wake_.notify_one();
    return job;
}

bool DecodeQueue::finished(const JobPtr& job) const
{
    std::lock_guard lock(mutex_);
    return job->finished_;
}

void DecodeQueue::wait(const JobPtr& job)
{
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return job->finished_; });
}

void DecodeQueue::releaseRetired()
{
    std::vector<std::shared_ptr<StartDecode>> ended;
    {
        std::lock_guard lock(mutex_);
        for (auto it = retired_.begin(); it != retired_.end();) {
            if ((*it)->finished()) {
                ended.push_back(std::move(*it));
                it = retired_.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Destroyed here, outside the lock: their threads have ended.
}

void DecodeQueue::run()
{
    for (;;) {
        JobPtr job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                for (const JobPtr& waiting : queue_) {
                    waiting->result_.cancelled = true;
                    waiting->finished_ = true;
                }
                queue_.clear();
                finished_.notify_all();
                return;
            }
            job = queue_.front();
            queue_.pop_front();
            running_ = job;
        }
        releaseRetired();
        OpenedPicture result;
        if (job->cancelled()) {
            result.cancelled = true;
        } else {
            // Scaling the last picture may have left the AVX upper halves in use.
            clearUpperVectorState();
            std::optional<LoadedPicture> loaded;
            if (job->start_)
                loaded = job->start_->take(job->request_.path, job->request_.type, &job->cancel_);
            result = loaded ? openPicture(job->request_, std::move(*loaded), &job->cancel_)
                            : openPicture(job->request_, &job->cancel_);
        }
        // The start decode's thread ends here, not on the window's thread,
        // and the next job need not wait for a file it gave up to stop.
        if (job->start_ && !job->start_->finished()) {
            std::lock_guard lock(mutex_);
            retired_.push_back(std::move(job->start_));
        }
        job->start_.reset();
        {
            std::lock_guard lock(mutex_);
            job->result_ = std::move(result);
            job->finished_ = true;
            running_.reset();
        }
        finished_.notify_all();
        if (job->done_ && !job->cancelled())
            job->done_(job);
        job->done_ = nullptr;
    }
}

}  // namespace vx
