// The stream's network transfer on the shared libcurl multi handle.
#include "stream.h"

#include "ContentSniff.h"
#include "IcyTags.h"
#include "streamNetwork.h"
#include "streamThreads.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// libcurl's write function for the stream: capacity, room, append. Nothing
// may unwind into libcurl.
size_t streamWrite(char *data, size_t size, size_t count, void *user) noexcept
{
    try {
        const size_t length = size * count;
        auto *stream = static_cast<RadioStream *>(user);
        switch (stream->takeNetworkBlock(data, length)) {
        case RadioStream::Take::Taken:
            return length;
        case RadioStream::Take::Paused:
            stream->pauseTransfer();
            return length;
        case RadioStream::Take::Refused:
            break;
        }
    } catch (...) {
    }
    return 0;
}

} // namespace

void RadioStream::initNetwork()
{
    net_ = std::make_unique<StreamNetwork>();
    net_->headers.append("Icy-MetaData: 1");
}

void RadioStream::cleanupNetwork()
{
    std::lock_guard lock(fetchMutex_);
    removeStreamHandle();
    for (auto &fetch : net_->fetches)
        if (fetch->added)
            curl_multi_remove_handle(net_->multi.get(), fetch->handle.get());
    net_->fetches.clear();
    net_->queued.clear();
}

// Read thread, inside the write callback: the block was kept, but no more
// is read from the server until the hold buffer has room (resumeTransfer).
// While the engine cannot take data, a silent server is not stalled.
void RadioStream::pauseTransfer()
{
    if (transferPaused_.exchange(true))
        return;
    net_->streamGuard.setWaitingForRoom(true);
    curl_easy_pause(net_->streamHandle.get(), CURLPAUSE_RECV);
}

void RadioStream::resumeTransfer()
{
    if (!transferPaused_)
        return;
    Take taken;
    {
        std::unique_lock lock(holdBufferMutex_);
        taken = drainOverflow(lock);
    }
    if (taken == Take::Paused)
        return;
    if (taken == Take::Refused) {
        // As libcurl ends a transfer whose block was refused.
        if (isPlaying() && stopCode_ == StopCode::None) {
            stopCode_ = StopCode::TransferFailed;
            endOfData_ = true;
            failPlaying(QString::fromUtf8(curl_easy_strerror(CURLE_WRITE_ERROR)));
        }
        return;
    }
    transferPaused_ = false;
    net_->streamGuard.setWaitingForRoom(false);
    // Data libcurl held back is written from inside this call.
    curl_easy_pause(net_->streamHandle.get(), CURLPAUSE_CONT);
}

// The caller holds playListMutex_ (initStream).
bool RadioStream::openRemoteSource(PlayListItem *item)
{
    std::lock_guard lock(fetchMutex_);
    removeStreamHandle();
    net_->streamHandle = CurlEasy();
    CURL *easy = net_->streamHandle.get();
    if (!easy)
        return false;
    net_->streamGuard.setLimit(std::chrono::seconds(std::max(1L, connectTimeout_)));
    net_->streamGuard.restart();
    CurlTransferOptions options;
    options.url = item->url;
    options.verbosity = verbosity_;
    options.connectTimeout = connectTimeout_;
    options.isStream = true;
    options.writeFunction = streamWrite;
    options.writeData = this;
    options.headers = net_->headers.get();
    options.proxy = {proxy_, proxyType_, proxyUsername_, proxyPassword_, allowedProxyPorts_};
    options.stallGuard = &net_->streamGuard;
    options.errorBuffer = net_->streamError;
    net_->streamError[0] = '\0';
    applyCurlOptions(easy, options, icyStderrLine);
    net_->queued.push_back(easy);
    return true;
}

// GUI thread, with the read thread joined (stop sequence, destructor).
void RadioStream::removeStreamHandle()
{
    std::lock_guard lock(fetchMutex_);
    CURL *easy = net_->streamHandle.get();
    if (!easy)
        return;
    std::erase(net_->queued, easy);
    if (net_->streamAdded)
        curl_multi_remove_handle(net_->multi.get(), easy);
    net_->streamAdded = false;
    net_->streamHandle.reset();
    transferPaused_ = false;
}

void RadioStream::addQueuedHandles()
{
    std::lock_guard lock(fetchMutex_);
    for (CURL *easy : net_->queued) {
        curl_multi_add_handle(net_->multi.get(), easy);
        if (easy == net_->streamHandle.get())
            net_->streamAdded = true;
        for (auto &fetch : net_->fetches)
            if (fetch->handle.get() == easy)
                fetch->added = true;
    }
    net_->queued.clear();
}

void RadioStream::runTransfers()
{
    if (net_->streamAdded)
        resumeTransfer();
    addQueuedHandles();
    CURLM *multi = net_->multi.get();
    for (;;) {
        int running = 0;
        const CURLMcode rc = curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            if (!isPlaying() && fetchCount() == 0)
                return;
            transferDone(msg->easy_handle, msg->data.result);
        }
        if (rc != CURLM_CALL_MULTI_PERFORM || !fetchPending_)
            return;
    }
}

void RadioStream::transferDone(void *handle, int result)
{
    const CURLcode code = CURLcode(result);
    if (handle == net_->streamHandle.get()) {
        // A transfer the user's stop cut short is no failure.
        if (!isPlaying())
            return;
        if (code == CURLE_OK) {
            endOfData_ = true;
            return;
        }
        const QString text = transferErrorText(code, &net_->streamGuard, net_->streamError);
        bool later;
        {
            // Bytes that arrived are decoded first (the read tick may still
            // have to find their module); the error follows the last audio.
            std::lock_guard lock(holdBufferMutex_);
            endOfData_ = true;
            later = !decodeEnded_ && (decodeThread_->active() || !holdBuffer_.isEmpty());
            if (later)
                deferredError_ = text;
        }
        if (later)
            return;
        // The read tick does nothing more for this stream: one failure,
        // one StreamErrorEvent (the receiver retries once per event).
        stopCode_ = StopCode::TransferFailed;
        failPlaying(text);
        return;
    }
    std::lock_guard lock(fetchMutex_);
    for (auto &fetch : net_->fetches) {
        if (fetch->handle.get() != handle)
            continue;
        if (code != CURLE_OK)
            net_->fetchErrors.emplace_back(fetch->id,
                                           transferErrorText(code, &fetch->guard, fetch->error));
        emit streamFetch(fetch->id, nullptr);
        return;
    }
}

ContentCode RadioStream::sniffHeader()
{
    const SniffResult r =
        sniffContent(QByteArrayView(holdBuffer_.data(), qsizetype(holdBuffer_.fill())));
    // The fill drops below the last sniff's, so the body is sniffed at the
    // next tick even when no further byte arrives.
    if (r.stripLength > 0)
        icy_.stripHeader(holdBuffer_, r.stripLength, r.metaint);
    if (!r.header.isNull())
        sniffedHeader_ = r.header;
    if (!r.error.isNull())
        sniffedError_ = r.error;
    if (r.searchDecoder)
        return ContentNone;
    return ContentCode(r.code);
}

// Stores the header or the error status the last sniff found.
bool RadioStream::storeSniffed()
{
    QString header, error;
    {
        std::lock_guard lock(holdBufferMutex_);
        header = std::exchange(sniffedHeader_, QString());
        error = std::exchange(sniffedError_, QString());
    }
    if (header.isNull() && error.isNull())
        return false;
    std::lock_guard lock(playListMutex_);
    PlayListItem *item = streamEntry();
    if (!item)
        return false;
    if (!header.isNull())
        item->icyHeader = header;
    if (!error.isNull())
        item->error = error;
    return true;
}

void RadioStream::postPlaylistFromBuffer(ContentCode code)
{
    auto list = std::make_unique<RadioPlayList>();
    const PlayListFormat format = code == ContentUrlList ? PlayListFormat::PlainList
                                  : code <= ContentPlsWithHeader ? PlayListFormat::Pls
                                              : PlayListFormat::M3u;
    list->openBuffer(holdBuffer_.data(), qsizetype(holdBuffer_.fill()), format);
    if (receiver_)
        postToReceiver(new StreamPlaylistEventData(std::move(list)));
}

void RadioStream::parseIcyTags(PlayListItem &item)
{
    ::parseIcyTags(item, icyStderrLine);
}
