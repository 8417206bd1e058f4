// The engine's worker threads restarted pass after pass.
#include "RadioStreamWorker.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>

namespace {

// A read tick restarts the pass as soon as the previous one is no longer
// active, which can be before its thread is waiting again; every restart must
// run a pass, or the worker looks busy for ever.
TEST(Worker, RestartedAsSoonAsInactiveRunsEveryPass)
{
    std::atomic<int> passes{0};
    RadioStreamWorker worker([&passes] { ++passes; });
    constexpr int kPasses = 2000;
    for (int i = 0; i < kPasses; ++i) {
        worker.begin();
        QDeadlineTimer deadline(5000);
        while (worker.active() && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        ASSERT_FALSE(worker.active()) << "stuck after " << i << " restarts";
    }
    worker.join();
    EXPECT_EQ(passes.load(), kPasses);
}

} // namespace
