#include "RadioStreamWorker.h"

RadioStreamWorker::~RadioStreamWorker()
{
    join();
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void RadioStreamWorker::begin()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ && !busy_; });
    active_.store(true, std::memory_order_release);
    pending_ = true;
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this] { run(); });
        threadId_.store(thread_.get_id());
        return;
    }
    lock.unlock();
    changed_.notify_all();
}

void RadioStreamWorker::join()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_ && !busy_; });
}

void RadioStreamWorker::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || quit_; });
        if (!pending_)
            break;
        pending_ = false;
        busy_ = true;
        lock.unlock();
        work_();
        active_.store(false, std::memory_order_release);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}
