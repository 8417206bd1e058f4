// The stream's network transfer on the shared libcurl multi handle.
#include "stream.h"

#include "DecodeLoop.h"
#include "IcyTags.h"
#include "StreamIntake.h"
#include "StreamTransfer.h"

#include <QCoreApplication>

// libcurl's write function for the stream. Paused: the block was kept, but
// no more is read from the server until the hold buffer has room
// (runTransfers). Nothing may unwind into libcurl.
size_t streamWrite(char *data, size_t size, size_t count, void *user) noexcept
{
    try {
        const size_t length = size * count;
        auto *stream = static_cast<RadioStream *>(user);
        switch (stream->intake_->takeNetworkBlock(data, length)) {
        case StreamIntake::Take::Taken: return length;
        case StreamIntake::Take::Paused: stream->transfer_->pauseStream(); return length;
        case StreamIntake::Take::Refused: break;
        }
    } catch (...) {}
    return 0;
}

// The caller holds playListMutex_ (initStream).
bool RadioStream::openRemoteSource(PlayListItem *item)
{
    CurlTransferOptions options;
    options.url = item->url;
    options.verbosity = verbosity_;
    options.writeFunction = streamWrite;
    options.writeData = this;
    options.proxy = {settings_.proxy, settings_.proxyType, settings_.proxyUsername,
                     settings_.proxyPassword, settings_.allowedProxyPorts};
    if (transfer_->openStream(options, settings_.connectTimeout))
        return true;
    // Without libcurl the transfer would never start nor end.
    return failOpen(item, QString::fromUtf8(curl::easy_strerror(CURLE_FAILED_INIT)));
}

void RadioStream::runTransfers()
{
    if (transfer_->streamAdded() && transfer_->streamPaused()) {
        const StreamIntake::Take taken = intake_->drainOverflow();
        if (taken == StreamIntake::Take::Taken) {
            transfer_->resumeStream();
        } else if (taken == StreamIntake::Take::Refused && isPlaying() &&
                   stopCode_ == StopCode::None) {
            // As libcurl ends a transfer whose block was refused.
            stopCode_ = StopCode::TransferFailed;
            flags_.endOfData = true;
            failPlaying(QString::fromUtf8(curl::easy_strerror(CURLE_WRITE_ERROR)));
        }
    }
    transfer_->perform([this](CURLcode code) { streamTransferDone(code); },
                       [this] { return !isPlaying(); });
}

void RadioStream::streamTransferDone(int result)
{
    // A transfer the user's stop cut short is no failure.
    if (!isPlaying())
        return;
    const auto code = CURLcode(result);
    if (code == CURLE_OK) {
        flags_.endOfData = true;
        return;
    }
    sourceFailed(transfer_->streamErrorText(code));
}

void RadioStream::sourceFailed(const QString &text)
{
    // Bytes that arrived are decoded first (the read tick may still have to
    // find their module); the error follows the last audio.
    if (intake_->deferError(text, decodeLoop_->active()))
        return;
    // The read tick does nothing more for this stream: one failure, one
    // StreamErrorEvent (the receiver retries once per event).
    stopCode_ = StopCode::TransferFailed;
    failPlaying(text);
}
