#pragma once

#include <atomic>

// The stream's state flags that every thread of the engine reads without a
// lock. `playing` and `endOfData` are written under the read side's lock
// where a waiter must not miss the change.
struct StreamFlags
{
    std::atomic<bool> playing{false};
    std::atomic<bool> endOfData{false};
    std::atomic<bool> paused{false};
    // The decode loop waits for the hold buffer to fill (initial wait or
    // refill) before it decodes again.
    std::atomic<bool> buffering{false};
    // The user asked to play what is held without waiting longer.
    std::atomic<bool> skipWait{false};
};
