// The decode thread: from the hold buffer through the decoder module to the
// sound device.
#include "DecodeLoop.h"

#include "AudioDevice.h"
#include "DecoderRegistry.h"
#include "RadioStreamWorker.h"
#include "StreamIntake.h"
#include "streamEvents.h"

#include <QThread>

#include <limits>
#include <thread>

using namespace std::chrono_literals;

namespace {
// The longest the decode loop sleeps on an empty hold buffer between read
// passes: it also sees a change that came without one.
constexpr auto kIdleWaitBound = 1s;
// The initial wait looks at its deadline, the skip request and the event
// sound this often (and says it is buffering each time); a read pass that
// brings the buffer to its target ends the wait at once.
constexpr unsigned kInitialWaitPollMs = 500;
} // namespace

DecodeLoop::DecodeLoop(StreamFlags &flags, StreamIntake &intake, DecoderRegistry &decoders,
                       AudioDevice &device, Hooks hooks)
    : flags_(flags), intake_(intake), decoders_(decoders), device_(device),
      hooks_(std::move(hooks)),
      thread_(std::make_unique<RadioStreamDecodeThread>([this] { run(); }))
{}

DecodeLoop::~DecodeLoop() = default;

void DecodeLoop::setTimings(int decodeIntervalMs, int decodeWaitSeconds, bool fillOnEmpty)
{
    decodeInterval_ = decodeIntervalMs;
    decodeWait_ = decodeWaitSeconds;
    fillOnEmpty_ = fillOnEmpty;
}

void DecodeLoop::begin()
{
    thread_->begin();
}

bool DecodeLoop::active() const
{
    return thread_->active();
}

void DecodeLoop::join()
{
    thread_->join();
}

void DecodeLoop::run()
{
    hooks_.post(StreamProgressEvent);
    if (!flags_.paused && hooks_.soundPlaying() == 0)
        device_.flush(true);
    initialWait();
    const auto held = [this] { return flags_.buffering || hooks_.soundPlaying() != 0; };
    for (;;) {
        const StreamIntake::Chunk c = intake_.takeChunk(decoders_.outBufSize(), held);
        switch (c.kind) {
        case StreamIntake::Chunk::Stopped: return;
        case StreamIntake::Chunk::Ended:
            if (c.error.isNull())
                hooks_.post(StreamEndedEvent);
            else
                hooks_.fail(c.error); // the transfer failed after this audio
            return;
        case StreamIntake::Chunk::Empty:
            if (flags_.buffering && decoders_.hasStreamModule() && !decodeStep({}))
                flags_.endOfData = true;
            break;
        case StreamIntake::Chunk::Held:
            if (flags_.buffering && !decodeStep({}))
                flags_.endOfData = true;
            break;
        case StreamIntake::Chunk::Bytes:
            if (c.metadata)
                hooks_.showMetadata(*c.metadata);
            if (decodeStep(c.bytes))
                hooks_.post(StreamProgressEvent);
            else
                flags_.endOfData = true;
            break;
        }
        refillRule();
        pauseBetweenPasses();
    }
}

// The loop's pause of decodeInterval. When the next pass would find nothing
// to decode, the loop sleeps on past it until a read pass has run, the data
// has ended or the stream has stopped, rather than waking every
// decodeInterval to find the hold buffer still empty. The bound only covers
// a change that comes without a read pass.
void DecodeLoop::pauseBetweenPasses()
{
    const auto pause = std::chrono::milliseconds(std::max(0, decodeInterval_.load()));
    const auto end = std::chrono::steady_clock::now() + pause;
    intake_.waitForWork(std::max<std::chrono::milliseconds>(pause, kIdleWaitBound));
    std::this_thread::sleep_until(end);
}

// Waits for decodeWait seconds of a remote stream, or while an event sound
// plays. The wait ends early once the hold buffer holds that much audio at
// the stream's bit rate: a server that bursts has sent it already, and
// waiting longer would only add silence.
void DecodeLoop::initialWait()
{
    const bool remote = hooks_.remote();
    const int wait = decodeWait_;
    if (!(remote && wait > 0) && hooks_.soundPlaying() == 0)
        return;
    flags_.buffering = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(wait);
    for (;;) {
        const bool timerActive = remote && std::chrono::steady_clock::now() < until;
        if (!flags_.playing)
            break;
        const size_t target = remote ? bufferTarget(wait) : 0;
        const bool buffered = target > 0 && intake_.fill() >= target;
        if (hooks_.soundPlaying() == 0 && (!timerActive || flags_.skipWait || buffered))
            break;
        if (remote)
            hooks_.bufferEmpty(timerActive && !flags_.skipWait);
        intake_.waitForFill(target > 0 ? target : std::numeric_limits<size_t>::max(),
                            std::chrono::milliseconds(kInitialWaitPollMs));
    }
    flags_.buffering = false;
}

// The bytes of `seconds` of audio at the entry's bit rate; 0 when the rate
// is not known. A full hold buffer holds all there is room for.
size_t DecodeLoop::bufferTarget(int seconds) const
{
    const int kbps = hooks_.bitrate();
    if (kbps <= 0 || seconds <= 0)
        return 0;
    return std::min(size_t(seconds) * size_t(kbps) * 125, intake_.capacity());
}

void DecodeLoop::refillRule()
{
    if (flags_.endOfData || intake_.fill() != 0 || !fillOnEmpty_ || !hooks_.remote())
        return;
    flags_.skipWait = false;
    flags_.buffering = true;
    hooks_.bufferEmpty(true);
}

// Waits while an event sound plays, the stream is paused or refilling.
// False when the stream stopped meanwhile.
bool DecodeLoop::waitWhileHeld()
{
    while (hooks_.soundPlaying() != 0 || flags_.paused || flags_.buffering) {
        if (!flags_.playing)
            return false;
        hooks_.post(StreamProgressEvent);
        if (flags_.buffering) {
            if (intake_.lessThanHalfFull() && !flags_.endOfData && !flags_.skipWait) {
                if (!flags_.paused)
                    hooks_.bufferEmpty(true);
            } else {
                flags_.skipWait = false;
                flags_.buffering = false;
                hooks_.bufferEmpty(false);
                if (!flags_.paused && hooks_.soundPlaying() == 0)
                    break;
            }
        }
        QThread::msleep(unsigned(std::max(0, decodeInterval_.load())));
    }
    return true;
}

bool DecodeLoop::decodeStep(const QByteArray &chunk)
{
    bool fresh = !chunk.isEmpty();
    int result = 0;
    int length = 0;
    do {
        if (!waitWhileHeld())
            return false;
        const unsigned char *pcm = nullptr;
        length = 0;
        if (fresh) {
            fresh = false;
            if (decoders_.feedStream(chunk) != 0)
                return false;
        }
        result = decoders_.decodeStreamFrame(&pcm, &length);
        if (result == -1)
            return false;
        if (result == 1)
            hooks_.infoChanged();
        if (length > 0 && pcm) {
            if (!writeFrame(reinterpret_cast<const char *>(pcm), size_t(length)))
                return false;
        } else if (length <= 0 && result == 0 && !flags_.paused) {
            device_.flush(true);
            flags_.endOfData = true;
        }
    } while (result != 2 && result != -1 && !(result == 0 && length <= 0) && flags_.playing);
    return true;
}

// Writes one decoded frame. A pause closes the device under the audio lock,
// so the device's state is read under it too; a frame that meets a pause is
// kept and written once the device is open with its format again. False
// when the device took less, or the stream stopped meanwhile.
bool DecodeLoop::writeFrame(const char *pcm, size_t length)
{
    for (;;) {
        ssize_t written = 0;
        if (device_.writeUnlessHeld(pcm, length, flags_.paused, written))
            return written >= ssize_t(length);
        if (!waitWhileHeld())
            return false;
        if (!flags_.paused) // un-pausing: the device is being opened again
            QThread::msleep(unsigned(std::max(1, decodeInterval_.load())));
    }
}
