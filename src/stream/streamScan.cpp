// Scan mode: each entry plays for the scan interval of real decoding.
#include "stream.h"

#include "DecodeLoop.h"

namespace {
// The scan counts whole seconds of decoding.
constexpr int kScanTickMs = 1000;
} // namespace

void RadioStream::setScan(bool on, int seconds)
{
    scanTimer_.stop();
    if (on) {
        scanInterval_ = seconds;
        scanTimer_.start(kScanTickMs);
    } else {
        scanCount_ = 0;
    }
}

void RadioStream::slotScanTimer()
{
    // Connecting, the initial wait, refilling and pauses do not count.
    if (decodeLoop_->active() && !flags_.buffering && !flags_.paused &&
        ++scanCount_ >= scanInterval_) {
        scanCount_ = 0;
        post(StreamScanNextEvent);
    }
    scanTimer_.start(kScanTickMs);
}
