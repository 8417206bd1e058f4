#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A worker of the engine: runs its work once per begin(). The thread is
// started by the first begin() and then waits for the next one, so that a
// pass every read tick costs a wake-up, not a new thread with its own event
// dispatcher. `active()` is true from begin() until the work has returned;
// whoever joins sees everything the pass did (the hand-over goes through
// `mutex_`). A plain thread, joined to its very end: a QThread's wait()
// returns before the thread has released Qt's per-thread data, which a
// process ending at once then reports as leaked.
class RadioStreamWorker
{
public:
    explicit RadioStreamWorker(std::function<void()> work) : work_(std::move(work)) {}
    RadioStreamWorker(const RadioStreamWorker &) = delete;
    RadioStreamWorker &operator=(const RadioStreamWorker &) = delete;
    // Joins the current pass, then ends the waiting thread.
    virtual ~RadioStreamWorker();
    // Starts a new pass once the previous one has ended. Never called by
    // the worker on itself.
    void begin();
    bool active() const { return active_.load(std::memory_order_acquire); }
    // Waits until no pass is asked for or running; no time-out.
    void join();
    // True on the worker's own thread.
    bool isCurrentThread() const { return std::this_thread::get_id() == threadId_.load(); }

private:
    void run();

    const std::function<void()> work_;
    std::atomic<bool> active_{false};
    std::thread thread_;
    std::atomic<std::thread::id> threadId_{};

    std::mutex mutex_; // guards the four below; taken after every engine lock
    std::condition_variable changed_;
    bool pending_ = false; // begin() asked for a pass the thread has not taken yet
    bool busy_ = false;    // a pass is running
    bool quit_ = false;    // the thread is to end
    bool started_ = false; // the thread has been started
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
