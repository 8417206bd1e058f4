// The stream's network transfer on the shared libcurl multi handle.
#include "stream.h"

#include "ContentSniff.h"
#include "IcyTags.h"
#include "streamNetwork.h"
#include "streamThreads.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

// libcurl's write function for the stream: capacity, room, append.
size_t streamWrite(char *data, size_t size, size_t count, void *user)
{
    const size_t length = size * count;
    return static_cast<RadioStream *>(user)->takeNetworkBlock(data, length) ? length : 0;
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

bool RadioStream::takeNetworkBlock(const char *data, size_t length)
{
    return appendBlock(data, length, true);
}

void RadioStream::setWaitingForRoom(bool waiting)
{
    net_->streamGuard.setWaitingForRoom(waiting);
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
        endOfData_ = true;
        if (code != CURLE_OK) {
            // The read tick does nothing more for this stream: one failure,
            // one StreamErrorEvent (the receiver retries once per event).
            stopCode_ = 2;
            failPlaying(transferErrorText(code, &net_->streamGuard));
        }
        return;
    }
    std::lock_guard lock(fetchMutex_);
    for (auto &fetch : net_->fetches) {
        if (fetch->handle.get() != handle)
            continue;
        if (code != CURLE_OK)
            net_->fetchErrors.emplace_back(fetch->id, transferErrorText(code, &fetch->guard));
        emit streamFetch(fetch->id, nullptr);
        return;
    }
}

int RadioStream::sniffHeader()
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
        return 0;
    return r.code;
}

// Stores the header or the error status the last sniff found.
void RadioStream::storeSniffed()
{
    QString header, error;
    {
        std::lock_guard lock(holdBufferMutex_);
        header = std::exchange(sniffedHeader_, QString());
        error = std::exchange(sniffedError_, QString());
    }
    if (header.isNull() && error.isNull())
        return;
    std::lock_guard lock(playListMutex_);
    if (!playingItem_)
        return;
    if (!header.isNull())
        playingItem_->icyHeader = header;
    if (!error.isNull())
        playingItem_->error = error;
}

void RadioStream::postPlaylistFromBuffer(int code)
{
    auto list = std::make_unique<RadioPlayList>();
    const PlayListFormat format = code == 2   ? PlayListFormat::PlainList
                                  : code <= 4 ? PlayListFormat::Pls
                                              : PlayListFormat::M3u;
    list->openBuffer(holdBuffer_.data(), qsizetype(holdBuffer_.fill()), format);
    if (receiver_)
        postToReceiver(new StreamPlaylistEventData(std::move(list)));
}

void RadioStream::parseIcyTags(PlayListItem &item)
{
    ::parseIcyTags(item, icyStderrLine);
}
