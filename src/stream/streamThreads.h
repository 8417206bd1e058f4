#pragma once

#include <QThread>

#include <atomic>
#include <functional>

// A worker of the engine: runs its work once per begin(). `active()` is
// true from begin() until the work has returned; run() publishes its end
// with release order, and whoever joins with wait() sees everything the
// thread did.
class RadioStreamWorker : public QThread
{
public:
    explicit RadioStreamWorker(std::function<void()> work) : work_(std::move(work)) {}
    // Starts a new pass. The previous pass may have cleared `active` without
    // its QThread having finished yet; start() would then do nothing and the
    // flag would stay set for good, so the previous pass is joined first.
    // Never called by the worker on itself.
    void begin()
    {
        wait();
        active_.store(true, std::memory_order_release);
        start();
    }
    bool active() const { return active_.load(std::memory_order_acquire); }
    // Joins the thread; no time-out.
    void join()
    {
        wait();
        active_.load(std::memory_order_acquire);
    }

protected:
    void run() final
    {
        work_();
        active_.store(false, std::memory_order_release);
    }

private:
    const std::function<void()> work_;
    std::atomic<bool> active_{false};
};

// The decode loop, one run per stream start.
class RadioStreamDecodeThread : public RadioStreamWorker
{
public:
    using RadioStreamWorker::RadioStreamWorker;
};

// One pass of the transfer: a local read or one round of libcurl.
class RadioStreamReadThread : public RadioStreamWorker
{
public:
    using RadioStreamWorker::RadioStreamWorker;
};

// One flush of the record buffer to the record file.
class RadioStreamRecordThread : public RadioStreamWorker
{
public:
    using RadioStreamWorker::RadioStreamWorker;
};

// Probes one local playlist entry's file with the decoder modules.
class RadioStreamScanThread : public RadioStreamWorker
{
public:
    using RadioStreamWorker::RadioStreamWorker;
};
