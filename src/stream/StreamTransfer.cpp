// The stream's transfer and the auxiliary fetches on one multi handle.
#include "StreamTransfer.h"

#include "IcyTags.h"

#include <cstdio>

struct StreamTransfer::Fetch
{
    Fetch(StreamTransfer *owner, unsigned fetchId) : transfer(owner), id(fetchId) {}
    StreamTransfer *transfer;
    const unsigned id;
    CurlEasy handle;
    StallGuard guard;
    std::atomic<bool> cancelled{false};
    bool added = false;               // on the multi handle
    char error[CURL_ERROR_SIZE] = {}; // libcurl's own text of a failure
};

namespace {
std::atomic<unsigned> nextFetchId{1};
} // namespace

StreamTransfer::StreamTransfer(FetchSink sink) : sink_(std::move(sink))
{}

CURLM *StreamTransfer::multiHandle()
{
    if (!multi_)
        multi_ = std::make_unique<CurlMulti>();
    return multi_->get();
}

StreamTransfer::~StreamTransfer()
{
    std::lock_guard lock(mutex_);
    removeStream();
    for (auto &fetch : fetches_)
        if (fetch->added)
            curl::multi_remove_handle(multiHandle(), fetch->handle.get());
    fetches_.clear();
    queued_.clear();
}

bool StreamTransfer::openStream(CurlTransferOptions options, long connectTimeout)
{
    std::lock_guard lock(mutex_);
    removeStream();
    stream_ = CurlEasy();
    CURL *easy = stream_.get();
    if (!easy || !multiHandle())
        return false;
    if (!headers_.get() && !headers_.append("Icy-MetaData: 1"))
        return false;
    streamGuard_.setLimit(std::chrono::seconds(std::max(1L, connectTimeout)));
    streamGuard_.restart();
    options.connectTimeout = connectTimeout;
    options.isStream = true;
    options.headers = headers_.get();
    options.stallGuard = &streamGuard_;
    options.errorBuffer = streamError_;
    streamError_[0] = '\0';
    applyCurlOptions(easy, options, icyStderrLine);
    queued_.push_back(easy);
    pending = true;
    return true;
}

void StreamTransfer::removeStream()
{
    std::lock_guard lock(mutex_);
    CURL *easy = stream_.get();
    if (!easy)
        return;
    std::erase(queued_, easy);
    if (streamAdded_)
        curl::multi_remove_handle(multiHandle(), easy);
    streamAdded_ = false;
    stream_.reset();
    streamPaused_ = false;
}

// While the engine cannot take data, a silent server is not stalled.
void StreamTransfer::pauseStream()
{
    if (streamPaused_.exchange(true))
        return;
    streamGuard_.setWaitingForRoom(true);
    curl::easy_pause(stream_.get(), CURLPAUSE_RECV);
}

void StreamTransfer::resumeStream()
{
    if (!streamPaused_.exchange(false))
        return;
    streamGuard_.setWaitingForRoom(false);
    curl::easy_pause(stream_.get(), CURLPAUSE_CONT);
}

QString StreamTransfer::streamErrorText(CURLcode code) const
{
    return transferErrorText(code, &streamGuard_, streamError_);
}

// Nothing may unwind into libcurl: a subscriber that throws ends the fetch.
size_t StreamTransfer::fetchWrite(char *data, size_t size, size_t count, void *user) noexcept
{
    try {
        auto *fetch = static_cast<Fetch *>(user);
        const size_t length = size * count;
        if (fetch->cancelled)
            return length;
        StreamTransfer *self = fetch->transfer;
        std::lock_guard lock(self->mutex_);
        self->pending = false;
        // Handed out without a copy: subscribers copy what they keep.
        const QByteArray chunk = QByteArray::fromRawData(data, qsizetype(length));
        self->sink_(fetch->id, &chunk);
        return length;
    } catch (...) {
        return 0;
    }
}

unsigned StreamTransfer::startFetch(CurlTransferOptions options, long connectTimeout)
{
    std::lock_guard lock(mutex_);
    auto fetch = std::make_unique<Fetch>(this, nextFetchId++);
    fetch->guard.setLimit(std::chrono::seconds(std::max(1L, connectTimeout)));
    fetch->guard.restart();
    options.connectTimeout = connectTimeout;
    options.writeFunction = &StreamTransfer::fetchWrite;
    options.writeData = fetch.get();
    options.stallGuard = &fetch->guard;
    options.errorBuffer = fetch->error;
    const unsigned id = fetch->id;
    if (fetch->handle && multiHandle()) {
        applyCurlOptions(fetch->handle.get(), options, icyStderrLine);
        queued_.push_back(fetch->handle.get());
    } else {
        // No libcurl (or no memory): the fetch ends with an error at the
        // next read pass, as a refused connection would, once the
        // subscriber knows its id.
        fetchErrors_.emplace_back(id, QString::fromUtf8(curl::easy_strerror(CURLE_FAILED_INIT)));
        unstarted_.push_back(id);
    }
    std::fprintf(stderr, "FETCH INIT id=%u\n", id);
    fetches_.push_back(std::move(fetch));
    pending = true;
    return id;
}

bool StreamTransfer::cancelFetch(unsigned id)
{
    std::lock_guard lock(mutex_);
    for (auto &fetch : fetches_) {
        if (fetch->id == id) {
            std::fprintf(stderr, "FETCH CANCEL id=%u\n", id);
            fetch->cancelled = true;
            return true;
        }
    }
    return false;
}

QString StreamTransfer::takeFetchError(unsigned id)
{
    std::lock_guard lock(mutex_);
    QString text;
    for (auto it = fetchErrors_.begin(); it != fetchErrors_.end(); ++it) {
        if (it->first == id) {
            text = it->second;
            fetchErrors_.erase(it);
            break;
        }
    }
    cancelFetch(id);
    return text;
}

unsigned StreamTransfer::fetchCount() const
{
    std::lock_guard lock(mutex_);
    return unsigned(fetches_.size());
}

bool StreamTransfer::removeCancelledFetches()
{
    std::lock_guard lock(mutex_);
    for (auto it = fetches_.begin(); it != fetches_.end();) {
        Fetch &fetch = **it;
        if (!fetch.cancelled) {
            ++it;
            continue;
        }
        std::fprintf(stderr, "FETCH REMOVE id=%u\n", fetch.id);
        std::erase(queued_, fetch.handle.get());
        if (fetch.added)
            curl::multi_remove_handle(multiHandle(), fetch.handle.get());
        it = fetches_.erase(it);
    }
    return !fetches_.empty();
}

void StreamTransfer::addQueuedHandles()
{
    std::lock_guard lock(mutex_);
    for (CURL *easy : queued_) {
        curl::multi_add_handle(multiHandle(), easy);
        if (easy == stream_.get())
            streamAdded_ = true;
        for (auto &fetch : fetches_)
            if (fetch->handle.get() == easy)
                fetch->added = true;
    }
    queued_.clear();
}

void StreamTransfer::perform(const std::function<void(CURLcode)> &streamDone,
                             const std::function<bool()> &idle)
{
    endUnstartedFetches();
    addQueuedHandles();
    CURLM *multi = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!multi_)
            return; // nothing was ever started
        multi = multi_->get();
    }
    for (;;) {
        int running = 0;
        const CURLMcode rc = curl::multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg *msg = curl::multi_info_read(multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            if (idle() && fetchCount() == 0)
                return;
            if (msg->easy_handle == stream_.get())
                streamDone(msg->data.result);
            else
                fetchDone(msg->easy_handle, msg->data.result);
        }
        if (rc != CURLM_CALL_MULTI_PERFORM || !pending)
            return;
    }
}

void StreamTransfer::endUnstartedFetches()
{
    std::lock_guard lock(mutex_);
    for (const unsigned id : unstarted_)
        for (auto &fetch : fetches_)
            if (fetch->id == id && !fetch->cancelled)
                sink_(id, nullptr);
    unstarted_.clear();
}

void StreamTransfer::fetchDone(CURL *handle, CURLcode code)
{
    std::lock_guard lock(mutex_);
    for (auto &fetch : fetches_) {
        if (fetch->handle.get() != handle)
            continue;
        if (code != CURLE_OK)
            fetchErrors_.emplace_back(fetch->id,
                                      transferErrorText(code, &fetch->guard, fetch->error));
        sink_(fetch->id, nullptr);
        return;
    }
}
