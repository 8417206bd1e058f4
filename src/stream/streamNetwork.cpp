// The stream's network transfer on the shared libcurl multi handle.
#include "stream.h"

#include "ContentSniff.h"
#include "IcyTags.h"
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
        case RadioStream::Take::Taken: return length;
        case RadioStream::Take::Paused: stream->pauseTransfer(); return length;
        case RadioStream::Take::Refused: break;
        }
    } catch (...) {}
    return 0;
}

} // namespace

// Read thread, inside the write callback: the block was kept, but no more
// is read from the server until the hold buffer has room (resumeTransfer).
void RadioStream::pauseTransfer()
{
    transfer_.pauseStream();
}

void RadioStream::resumeTransfer()
{
    if (!transfer_.streamPaused())
        return;
    Take taken;
    {
        std::unique_lock lock(hold_.mutex);
        taken = drainOverflow(lock);
    }
    if (taken == Take::Paused)
        return;
    if (taken == Take::Refused) {
        // As libcurl ends a transfer whose block was refused.
        if (isPlaying() && stopCode_ == StopCode::None) {
            stopCode_ = StopCode::TransferFailed;
            endOfData_ = true;
            failPlaying(QString::fromUtf8(curl::easy_strerror(CURLE_WRITE_ERROR)));
        }
        return;
    }
    transfer_.resumeStream();
}

// The caller holds playListMutex_ (initStream).
bool RadioStream::openRemoteSource(PlayListItem *item)
{
    CurlTransferOptions options;
    options.url = item->url;
    options.verbosity = verbosity_;
    options.writeFunction = streamWrite;
    options.writeData = this;
    options.proxy = {proxy_, proxyType_, proxyUsername_, proxyPassword_, allowedProxyPorts_};
    if (transfer_.openStream(options, connectTimeout_))
        return true;
    // Without libcurl the transfer would never start nor end.
    return failOpen(item, QString::fromUtf8(curl::easy_strerror(CURLE_FAILED_INIT)));
}

// Read thread: resumes the stream when there is room, then drives libcurl.
void RadioStream::runTransfers()
{
    if (transfer_.streamAdded())
        resumeTransfer();
    transfer_.perform([this](CURLcode code) { streamTransferDone(code); },
                      [this] { return !isPlaying(); });
}

void RadioStream::streamTransferDone(CURLcode code)
{
    // A transfer the user's stop cut short is no failure.
    if (!isPlaying())
        return;
    if (code == CURLE_OK) {
        endOfData_ = true;
        return;
    }
    const QString text = transfer_.streamErrorText(code);
    bool later;
    {
        // Bytes that arrived are decoded first (the read tick may still
        // have to find their module); the error follows the last audio.
        std::lock_guard lock(hold_.mutex);
        endOfData_ = true;
        later = !hold_.decodeEnded && (decodeThread_->active() || !hold_.buffer.isEmpty());
        if (later)
            hold_.deferredError = text;
    }
    if (later)
        return;
    // The read tick does nothing more for this stream: one failure,
    // one StreamErrorEvent (the receiver retries once per event).
    stopCode_ = StopCode::TransferFailed;
    failPlaying(text);
}

ContentCode RadioStream::sniffHeader()
{
    const SniffResult r =
        sniffContent(QByteArrayView(hold_.buffer.data(), qsizetype(hold_.buffer.fill())));
    // The fill drops below the last sniff's, so the body is sniffed at the
    // next tick even when no further byte arrives.
    if (r.stripLength > 0)
        hold_.icy.stripHeader(hold_.buffer, r.stripLength, r.metaint);
    // ContentUnknown without a decoder search: a header may still be arriving.
    if (r.stripLength > 0 || r.searchDecoder || r.code != ContentUnknown)
        hold_.frontChecked = true;
    if (!r.header.isNull())
        hold_.sniffedHeader = r.header;
    if (!r.error.isNull())
        hold_.sniffedError = r.error;
    if (r.searchDecoder)
        return ContentNone;
    return r.code;
}

// Stores the header or the error status the last sniff found.
bool RadioStream::storeSniffed()
{
    QString header, error;
    {
        std::lock_guard lock(hold_.mutex);
        header = std::exchange(hold_.sniffedHeader, QString());
        error = std::exchange(hold_.sniffedError, QString());
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
    const PlayListFormat format = code == ContentUrlList         ? PlayListFormat::PlainList
                                  : code <= ContentPlsWithHeader ? PlayListFormat::Pls
                                                                 : PlayListFormat::M3u;
    list->openBuffer(hold_.buffer.data(), qsizetype(hold_.buffer.fill()), format);
    if (receiver_)
        postToReceiver(new StreamPlaylistEventData(std::move(list)));
}

void RadioStream::parseIcyTags(PlayListItem &item)
{
    ::parseIcyTags(item, icyStderrLine);
}
