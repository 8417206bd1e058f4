#include "PulseBackend.h"

#include "ProbeLists.h"

#include "PulseLibrary.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>

namespace wavelark {

namespace {

constexpr const char *kName = "Wavelark";
// Queue asked of the server: long enough to ride out a decode interval,
// short enough that a stop is heard at once (as for ALSA).
constexpr pa_usec_t kLatency = 500000;

// Runs `body` with the main loop locked.
class LoopLock
{
public:
    explicit LoopLock(pa_threaded_mainloop *loop) : loop_(loop)
    {
        pulse::api().pa_threaded_mainloop_lock(loop_);
    }
    ~LoopLock() { pulse::api().pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *loop_;
};

void wake(void *loop)
{
    pulse::api().pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
}
void contextChanged(pa_context *, void *loop)
{
    wake(loop);
}
void streamChanged(pa_stream *, void *loop)
{
    wake(loop);
}
void streamWritable(pa_stream *, size_t, void *loop)
{
    wake(loop);
}
void operationDone(pa_stream *, int, void *loop)
{
    wake(loop);
}

pa_sample_format_t pulseFormat(int afmt)
{
    SampleLayout layout{};
    sampleLayout(afmt, layout);
    return layout.out == LinearFormat::U8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
}

struct ProplistFree
{
    void operator()(pa_proplist *p) const { pulse::api().pa_proplist_free(p); }
};
using Proplist = std::unique_ptr<pa_proplist, ProplistFree>;

Proplist clientProperties()
{
    Proplist p(pulse::api().pa_proplist_new());
    pulse::api().pa_proplist_sets(p.get(), PA_PROP_APPLICATION_NAME, kName);
    pulse::api().pa_proplist_sets(p.get(), PA_PROP_APPLICATION_ID, "wavelark");
    pulse::api().pa_proplist_sets(p.get(), PA_PROP_APPLICATION_ICON_NAME, "wavelark");
    return p;
}

} // namespace

PulseBackend::PulseBackend(std::string server) : server_(std::move(server))
{}

PulseBackend::~PulseBackend()
{
    close();
}

void PulseBackend::report(const char *what) const
{
    const int err = context_ ? pulse::api().pa_context_errno(context_) : PA_ERR_INTERNAL;
    std::fprintf(stderr, "pulse: %s: %s\n", what, pulse::api().pa_strerror(err));
}

bool PulseBackend::connectContext()
{
    context_ = pulse::api().pa_context_new_with_proplist(
        pulse::api().pa_threaded_mainloop_get_api(loop_), kName, clientProperties().get());
    if (!context_)
        return false;
    pulse::api().pa_context_set_state_callback(context_, contextChanged, loop_);
    if (pulse::api().pa_context_connect(context_, server_.empty() ? nullptr : server_.c_str(),
                                        PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    for (;;) {
        const pa_context_state_t state = pulse::api().pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY)
            return true;
        if (!PA_CONTEXT_IS_GOOD(state))
            return false;
        pulse::api().pa_threaded_mainloop_wait(loop_);
    }
}

int PulseBackend::open()
{
    if (loop_)
        return 0;
    if (!pulse::load())
        return ENOSYS;
    loop_ = pulse::api().pa_threaded_mainloop_new();
    if (!loop_ || pulse::api().pa_threaded_mainloop_start(loop_) < 0) {
        std::fprintf(stderr, "pulse: the client could not start\n");
        close();
        return EIO;
    }
    bool up = false;
    {
        LoopLock lock(loop_);
        up = connectContext();
        if (!up)
            report(server_.empty() ? "the sound server" : server_.c_str());
    }
    if (!up) {
        close();
        return ECONNREFUSED;
    }
    LoopLock lock(loop_);
    openStream(); // a stream writes before its decoder reports a format
    return 0;
}

bool PulseBackend::openStream()
{
    const pa_sample_spec sampleFormat{pulseFormat(format_.afmt),
                                      static_cast<uint32_t>(format_.rate),
                                      static_cast<uint8_t>(format_.channels)};
    Proplist props(pulse::api().pa_proplist_new());
    pulse::api().pa_proplist_sets(props.get(), PA_PROP_MEDIA_ROLE, "music");
    if (!title_.empty())
        pulse::api().pa_proplist_sets(props.get(), PA_PROP_MEDIA_TITLE, title_.c_str());
    stream_ = pulse::api().pa_stream_new_with_proplist(context_, kName, &sampleFormat, nullptr,
                                                       props.get());
    if (!stream_) {
        report("stream");
        return false;
    }
    pulse::api().pa_stream_set_state_callback(stream_, streamChanged, loop_);
    pulse::api().pa_stream_set_write_callback(stream_, streamWritable, loop_);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pulse::api().pa_usec_to_bytes(kLatency, &sampleFormat));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    if (pulse::api().pa_stream_connect_playback(stream_, nullptr, &attr, PA_STREAM_ADJUST_LATENCY,
                                                nullptr, nullptr) < 0) {
        report("stream");
        closeStream(false);
        return false;
    }
    for (;;) {
        const pa_stream_state_t state = pulse::api().pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY)
            return true;
        if (!PA_STREAM_IS_GOOD(state)) {
            report("stream");
            closeStream(false);
            return false;
        }
        pulse::api().pa_threaded_mainloop_wait(loop_);
    }
}

void PulseBackend::finish(pa_operation *op)
{
    if (!op)
        return;
    while (pulse::api().pa_operation_get_state(op) == PA_OPERATION_RUNNING && streamReady())
        pulse::api().pa_threaded_mainloop_wait(loop_);
    pulse::api().pa_operation_unref(op);
}

bool PulseBackend::streamReady() const
{
    return stream_ && pulse::api().pa_context_get_state(context_) == PA_CONTEXT_READY &&
           pulse::api().pa_stream_get_state(stream_) == PA_STREAM_READY;
}

void PulseBackend::closeStream(bool drain)
{
    if (!stream_)
        return;
    if (drain && streamReady())
        finish(pulse::api().pa_stream_drain(stream_, operationDone, loop_));
    pulse::api().pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pulse::api().pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pulse::api().pa_stream_disconnect(stream_);
    pulse::api().pa_stream_unref(stream_);
    stream_ = nullptr;
}

int PulseBackend::close()
{
    if (!loop_)
        return -1;
    {
        LoopLock lock(loop_);
        closeStream(false);
        if (context_) {
            pulse::api().pa_context_set_state_callback(context_, nullptr, nullptr);
            pulse::api().pa_context_disconnect(context_);
            pulse::api().pa_context_unref(context_);
            context_ = nullptr;
        }
    }
    pulse::api().pa_threaded_mainloop_stop(loop_);
    pulse::api().pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    return 0;
}

int PulseBackend::setVolume(int level)
{
    gain_.setLevel(level);
    return 0;
}

int PulseBackend::getVolume()
{
    return gain_.level();
}

int PulseBackend::setFormat(int channels, int rate, int format)
{
    const PcmFormat wanted{channels, rate, format};
    if (!loop_ || !wanted.valid() || (wanted == format_ && stream_))
        return 0;
    LoopLock lock(loop_);
    closeStream(true); // let the old format finish before the switch
    format_ = wanted;
    openStream();
    return 0;
}

int PulseBackend::flush(bool wait)
{
    if (!loop_) {
        errno = EBADF;
        return -1;
    }
    LoopLock lock(loop_);
    if (!streamReady()) {
        errno = EIO;
        return -1;
    }
    // Without waiting: start what is queued even below the server's prebuffer.
    finish(wait ? pulse::api().pa_stream_drain(stream_, operationDone, loop_)
                : pulse::api().pa_stream_trigger(stream_, operationDone, loop_));
    return 0;
}

int PulseBackend::enumerate(AudioFormatEntry *table, int maxRows)
{
    // The server converts whatever it is given to its sink's format.
    return loop_ ? fillEveryProbeRow(table, maxRows) : 0;
}

std::span<const uint8_t> PulseBackend::prepare(std::span<const uint8_t> in)
{
    return gain_.apply(format_.afmt, in);
}

ssize_t PulseBackend::writeSome(const uint8_t *data, size_t count)
{
    if (!loop_) {
        errno = EBADF;
        return -1;
    }
    const size_t frameBytes = static_cast<size_t>(format_.outFrameBytes());
    if (count < frameBytes)
        return static_cast<ssize_t>(count); // a partial frame cannot be played: dropped
    LoopLock lock(loop_);
    for (;;) {
        if (!streamReady()) {
            errno = EIO;
            return -1;
        }
        const size_t room = pulse::api().pa_stream_writable_size(stream_);
        if (room == static_cast<size_t>(-1)) {
            errno = EIO;
            return -1;
        }
        const size_t n = std::min(room, count) / frameBytes * frameBytes;
        if (n > 0) {
            if (pulse::api().pa_stream_write(stream_, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                errno = EIO;
                return -1;
            }
            return static_cast<ssize_t>(n);
        }
        pulse::api().pa_threaded_mainloop_wait(
            loop_); // the server asks for more, or the stream ends
    }
}

void PulseBackend::setTitle(const std::string &title)
{
    if (title == title_)
        return;
    title_ = title;
    if (!loop_)
        return;
    LoopLock lock(loop_);
    if (!streamReady())
        return;
    Proplist props(pulse::api().pa_proplist_new());
    pulse::api().pa_proplist_sets(props.get(), PA_PROP_MEDIA_TITLE, title_.c_str());
    // Not waited for: the title changes while the stream plays on.
    if (pa_operation *op = pulse::api().pa_stream_proplist_update(stream_, PA_UPDATE_REPLACE,
                                                                  props.get(), nullptr, nullptr))
        pulse::api().pa_operation_unref(op);
}

bool pulseServerAnswers()
{
    if (!pulse::load())
        return false;
    pa_mainloop *loop = pulse::api().pa_mainloop_new();
    if (!loop)
        return false;
    pa_context *context =
        pulse::api().pa_context_new(pulse::api().pa_mainloop_get_api(loop), kName);
    bool ready = false;
    if (context &&
        pulse::api().pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        for (;;) {
            const pa_context_state_t state = pulse::api().pa_context_get_state(context);
            ready = state == PA_CONTEXT_READY;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline - std::chrono::steady_clock::now());
            if (ready || !PA_CONTEXT_IS_GOOD(state) || left.count() <= 0)
                break;
            if (pulse::api().pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 ||
                pulse::api().pa_mainloop_poll(loop) < 0 ||
                pulse::api().pa_mainloop_dispatch(loop) < 0)
                break;
        }
        pulse::api().pa_context_disconnect(context);
    }
    if (context)
        pulse::api().pa_context_unref(context);
    pulse::api().pa_mainloop_free(loop);
    return ready;
}

} // namespace wavelark
