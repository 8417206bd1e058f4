// The read tick and the read thread's local pass: deciding what the
// received bytes are, and acting on it for the playing entry.
#include "stream.h"

#include "DecodeLoop.h"
#include "DecoderRegistry.h"
#include "RadioStreamWorker.h"
#include "StreamIntake.h"

#include <QCoreApplication>

#include <cstring>

namespace {
// Bytes without a decoder after which the data is declared unknown.
constexpr size_t kSniffLimit = 294911;
} // namespace

void RadioStream::slotRead()
{
    if (readThread_->active() || !isPlaying() || stopCode_ != StopCode::None)
        return;
    // A session's segment fetches are cleared away by the fetch tick.
    if (hls_ && !fetchTimer_.isActive())
        fetchTimer_.start(settings_.readInterval);
    if (!intake_->sniffDue(decodeLoop_->active())) {
        if (!afterSkippedSniff())
            return;
    } else if (!sniffAndAct()) {
        return;
    }
    readThread_->begin();
    if (holdBufferFill() > 0)
        post(StreamProgressEvent);
}

// The tick without a sniff (nothing new to look at). False when the tick
// ends here.
bool RadioStream::afterSkippedSniff()
{
    // The read thread may have stripped a reply header to make room.
    if (storeSniffed())
        publishPlayingTags();
    // The held bytes are all the sniff will ever see when the data ended, or
    // a local file is read no further because more than half the buffer is
    // held and nothing takes bytes out (a file no module accepts would
    // otherwise wait for ever).
    const bool noMoreInput = flags_.endOfData || intake_->localSourceHeld();
    if (!decoders_->hasStreamModule() && noMoreInput && intake_->undecidedSinceSniff()) {
        stopCode_ = StopCode::Decided;
        failPlaying(undecodedError());
        return false;
    }
    if (decoders_->hasStreamModule() && !decodeLoop_->active() && !flags_.endOfData)
        startDecodeThread();
    return true;
}

// Sniffs the held bytes and acts on the outcome. False when the tick ends
// here.
bool RadioStream::sniffAndAct()
{
    const StreamIntake::Sniffed s = intake_->sniff();
    if (s.hls) {
        storeSniffed();
        startHls(s.playlist);
        return true;
    }
    bool finished = false;
    if (isPlaylistCode(s.code) && flags_.endOfData) {
        if (receiver_) {
            auto list = std::make_unique<RadioPlayList>();
            const PlayListFormat format = s.code == ContentUrlList ? PlayListFormat::PlainList
                                          : s.code <= ContentPlsWithHeader ? PlayListFormat::Pls
                                                                           : PlayListFormat::M3u;
            list->openBuffer(s.playlist.constData(), s.playlist.size(), format);
            postTo(receiver_, new StreamPlaylistEventData(std::move(list)));
        }
        finished = true;
    } else if (s.code != ContentIcy && !isPlaylistCode(s.code) && s.code != ContentDecoder &&
               flags_.endOfData) {
        // A module found after all the data arrived still gets to decode it:
        // a short remote file must play, not end unheard.
        finished = true;
    }
    const auto entryHasError = [this] {
        auto lock = lockPlaylist();
        return streamEntry() && !streamEntry()->error.isEmpty();
    };
    if (s.code == ContentIcy && (s.errorStatus || entryHasError())) {
        flags_.endOfData = true; // an error reply's header
        finished = true;
    } else if (s.code == ContentIcy && flags_.endOfData && s.fill == 0) {
        finished = true; // a header and nothing after it
    }
    // Otherwise the body after a stripped header is sniffed on the next tick.
    storeSniffed();
    if (s.code == ContentDecoder)
        publishPlayingTags();

    // The limit counts bytes that every module was offered and refused; a
    // stripped header or a playlist still arriving waits for the next tick.
    if (!finished && (s.fill <= kSniffLimit || s.code != ContentUnknown)) {
        if (decoders_->hasStreamModule())
            startDecodeThread();
        return true;
    }
    // Nothing playable: unknown data, an error status or a playlist body.
    {
        std::lock_guard listLock(playListMutex_);
        if (playing()) {
            // A playlist body is not an error: the receiver installs the list.
            const bool playlist = isPlaylistCode(s.code);
            if (playing()->error.isEmpty() && !playlist)
                playing()->error = undecodedError();
            playing()->played = true;
            playing()->bad = true;
        }
    }
    // Decided: later ticks would hand out the same list or error again.
    stopCode_ = StopCode::Decided;
    post(StreamErrorEvent);
    return false;
}

QString RadioStream::undecodedError()
{
    const QString deferred = intake_->takeDeferredError();
    return deferred.isNull() ? QCoreApplication::translate("RadioStream", "unknown file format")
                             : deferred;
}

void RadioStream::startDecodeThread()
{
    if (decodeLoop_->active())
        return;
    decodeLoop_->join();
    intake_->decodeStarting();
    decodeLoop_->begin();
    post(StreamDecodeStartedEvent);
}

void RadioStream::publishPlayingTags()
{
    auto lock = lockPlaylist();
    if (PlayListItem *item = streamEntry())
        itemChanged(item);
}

void RadioStream::failPlaying(const QString &error)
{
    {
        auto lock = lockPlaylist();
        if (PlayListItem *item = streamEntry()) {
            if (item->error.isEmpty())
                item->error = error;
            item->played = true;
            item->bad = true;
        }
    }
    post(StreamErrorEvent);
}

bool RadioStream::storeSniffed()
{
    const auto [header, error] = intake_->takeSniffedHeader();
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

void RadioStream::readLocalSource()
{
    QByteArray block;
    int error = 0;
    switch (intake_->readLocal(block, error)) {
    case StreamIntake::LocalRead::Idle:
    case StreamIntake::LocalRead::Ended: return;
    case StreamIntake::LocalRead::Failed:
        stopCode_ = StopCode::SourceFailed;
        failPlaying(QString::fromLocal8Bit(std::strerror(error)));
        return;
    case StreamIntake::LocalRead::Block: break;
    }
    if (!intake_->appendLocalBlock(block.constData(), size_t(block.size()))) {
        stopCode_ = StopCode::SourceFailed;
        if (isPlaying())
            failPlaying(QCoreApplication::translate("RadioStream", "hold buffer too small"));
    }
}
