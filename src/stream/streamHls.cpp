// HTTP Live Streaming: a sniffed playlist becomes a session whose segments
// feed the hold buffer as the network path does.
#include "stream.h"

#include "DecodeLoop.h"
#include "DecoderRegistry.h"
#include "HlsSession.h"
#include "StreamIntake.h"
#include "StreamTransfer.h"

#include <cstdio>

// The read tick, no read pass running (GUI thread). The stream's own
// transfer has ended with the playlist's body.
void RadioStream::startHls(const QByteArray &playlist)
{
    QString url;
    {
        auto lock = lockPlaylist();
        if (PlayListItem *item = streamEntry())
            url = item->url;
    }
    transfer_->removeStream();
    intake_->restartForSegments();
    HlsSession::Io io;
    io.fetch = [this](const QString &address) { return queueFetch(address); };
    io.finish = [this](unsigned id) { return transfer_->takeFetchError(id); };
    io.deliver = [this](const char *data, size_t length) { return deliverHls(data, length); };
    io.title = [this](const QString &title) {
        intake_->markMetadata("StreamTitle='" + title.toUtf8() + "';");
    };
    io.ended = [this] { flags_.endOfData = true; };
    io.held = [this] { return intake_->fill(); };
    io.reprobe = [this](const QByteArray &head, uint64_t at) { return reprobeHls(head, at); };
    io.fail = [this](const QString &error) {
        if (isPlaying() && stopCode_ == StopCode::None)
            sourceFailed(error);
    };
    const qint64 limit = qint64(settings_.hlsBandwidthLimit) * 1000;
    std::fprintf(stderr, "HLS: %s\n", qPrintable(url));
    hls_ = std::make_unique<HlsSession>(url, limit, std::move(io));
    hls_->start(playlist);
}

// The read thread, after the transfers ran.
void RadioStream::pumpHls()
{
    if (hls_ && isPlaying())
        hls_->pump();
}

std::optional<size_t> RadioStream::deliverHls(const char *data, size_t length)
{
    const std::optional<size_t> taken = intake_->takeSegmentBytes(data, length);
    if (!taken && isPlaying() && stopCode_ == StopCode::None) {
        // As a refused block ends a stream's transfer.
        stopCode_ = StopCode::TransferFailed;
        flags_.endOfData = true;
        failPlaying(undecodedError());
    }
    return taken;
}

// The read thread, at a change of codec: the module that takes the new audio
// decodes from where it begins.
bool RadioStream::reprobeHls(const QByteArray &head, uint64_t at)
{
    DecoderRegistry::Found found =
        decoders_->find(head.constData(), size_t(head.size()), false, nullptr);
    if (found.module) {
        decoders_->followStreamAt(at, std::move(found.module));
        return true;
    }
    if (isPlaying() && stopCode_ == StopCode::None)
        sourceFailed(undecodedError());
    return false;
}
