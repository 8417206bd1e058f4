// The read tick and the read thread's pass: moving source bytes into the
// hold buffer and deciding what they are.
#include "stream.h"

#include "streamThreads.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
// Bytes without a decoder after which the data is declared unknown.
constexpr size_t kSniffLimit = 294911;
} // namespace

void RadioStream::slotRead()
{
    if (readThread_->active() || !isPlaying() || stopCode_ != 0)
        return;
    std::unique_lock lock(holdBufferMutex_);
    // A playlist body without a header is decided once its end has arrived,
    // even when no byte came since the last sniff.
    const bool playlistEnded = endOfData_ && contentCode_ >= 2 && contentCode_ <= 6;
    if (decodeThread_->active() || holdBuffer_.isEmpty() || hasDecoder_ ||
        (holdBuffer_.fill() == lastSniffFill_ && !playlistEnded)) {
        lock.unlock();
        if (!afterSkippedSniff())
            return;
    } else if (!sniffAndAct(lock)) {
        return;
    }
    {
        std::lock_guard fetchLock(fetchMutex_);
        readThread_->begin();
    }
    if (holdBufferFill() > 0)
        post(StreamProgressEvent);
}

// Step 5 of the tick: no sniff this time. False when the tick ends here.
bool RadioStream::afterSkippedSniff()
{
    if (!hasDecoder_ && noMoreInput() && (contentCode_ == 9 || contentCode_ == 0) &&
        holdBufferFill() == lastSniffFill_) {
        stopCode_ = 3;
        failPlaying(QCoreApplication::translate("RadioStream", "unknown file format"));
        return false;
    }
    if (hasDecoder_ && !decodeThread_->active() && !endOfData_)
        startDecodeThread();
    return true;
}

// True when the held bytes are all the sniff will ever see: the data ended,
// or a local file is read no further because more than half the buffer is
// held and nothing takes bytes out (a file no module accepts would otherwise
// wait for ever).
bool RadioStream::noMoreInput()
{
    if (endOfData_)
        return true;
    std::lock_guard lock(holdBufferMutex_);
    return localFd_ >= 0 && holdBuffer_.fill() > holdBuffer_.capacity() / 2;
}

// Sniffs the held bytes and acts on the outcome; `lock` holds the hold-buffer
// lock on entry and is released on return. False when the tick ends here.
bool RadioStream::sniffAndAct(std::unique_lock<std::mutex> &lock)
{
    lastSniffFill_ = holdBuffer_.fill();
    contentCode_ = sniff(lock);
    const int code = contentCode_;
    const size_t fill = holdBuffer_.fill();
    SniffOutcome outcome = SniffOutcome::Wait;
    // A playlist is read once the whole body is here, header or not: a
    // list cut at the first block would lose its later entries.
    if (code >= 2 && code <= 6 && endOfData_) {
        postPlaylistFromBuffer(code);
        endOfData_ = true;
        outcome = SniffOutcome::Finished;
    } else if (code != 7 && (code < 2 || code > 6) && code != 8 && endOfData_) {
        // A module found after all the data arrived still gets to decode it:
        // a short remote file must play, not end unheard.
        outcome = SniffOutcome::Finished;
    }
    lock.unlock();
    // An error reply's header: the entry's error is read without the
    // hold-buffer lock, which comes after the playlist lock.
    if (code == 7 && (!sniffedError_.isNull() || playingHasError())) {
        std::lock_guard relock(holdBufferMutex_);
        endOfData_ = true;
        outcome = SniffOutcome::Finished;
    } else if (code == 7 && endOfData_ && fill == 0) {
        outcome = SniffOutcome::Finished; // a header and nothing after it
    }
    // Otherwise the body after a stripped header is sniffed on the next tick.
    storeSniffed();
    if (code == 8)
        publishPlayingTags();

    if (outcome == SniffOutcome::Wait && (fill <= kSniffLimit || code == 8)) {
        if (hasDecoder_) {
            startDecodeThread();
        }
        return true;
    }
    // Nothing playable: unknown data, an error status or a playlist body.
    {
        std::lock_guard listLock(playListMutex_);
        if (playingItem_) {
            // A playlist body is not an error: the receiver installs the list.
            const bool playlist = code >= 2 && code <= 6;
            if (playingItem_->error.isEmpty() && !playlist)
                playingItem_->error = QCoreApplication::translate("RadioStream", "unknown file format");
            playingItem_->played = true;
            playingItem_->bad = true;
        }
    }
    // Decided: later ticks would hand out the same list or error again.
    stopCode_ = 3;
    post(StreamErrorEvent);
    return false;
}

void RadioStream::startDecodeThread()
{
    if (decodeThread_->active())
        return;
    decodeThread_->join();
    decodeThread_->begin();
    post(StreamDecodeStartedEvent);
}

bool RadioStream::playingHasError()
{
    auto lock = lockPlaylist();
    return lock.owns_lock() && playingItem_ && !playingItem_->error.isEmpty();
}

void RadioStream::publishPlayingTags()
{
    auto lock = lockPlaylist();
    if (lock.owns_lock() && playingItem_)
        itemChanged(playingItem_);
}

// Marks the playing entry failed with `error` unless it has one already.
void RadioStream::failPlaying(const QString &error)
{
    {
        auto lock = lockPlaylist();
        if (lock.owns_lock() && playingItem_) {
            if (playingItem_->error.isEmpty())
                playingItem_->error = error;
            playingItem_->played = true;
            playingItem_->bad = true;
        }
    }
    post(StreamErrorEvent);
}

int RadioStream::sniff(std::unique_lock<std::mutex> &lock)
{
    const int code = sniffHeader();
    if (code != 0)
        return code;
    if (hasDecoder_)
        return 9;
    // Search a copy without the hold-buffer lock: a module's information
    // is written to the entry, which needs the playlist lock first.
    const QByteArray bytes(holdBuffer_.data(), qsizetype(holdBuffer_.fill()));
    lock.unlock();
    PlayListItem *item;
    {
        std::lock_guard listLock(playListMutex_);
        item = playingItem_;
    }
    DecoderModulePtr module = findDecoder(item, bytes.constData(), size_t(bytes.size()));
    lock.lock();
    if (!module)
        return 9;
    std::lock_guard decoderLock(decoderMutex_);
    decoder_ = std::move(module);
    hasDecoder_ = true;
    return 8;
}

void RadioStream::readPass()
{
    readLocalSource();
    runTransfers();
}

void RadioStream::readLocalSource()
{
    QByteArray block;
    {
        std::lock_guard lock(holdBufferMutex_);
        // Sized by the smaller of the capacity and a pending new size, so
        // that a block read now still fits once the new size is adopted.
        const size_t capacity = std::min<size_t>(holdBuffer_.capacity(), requestedInBufSize_);
        if (localFd_ < 0 || endOfData_ || holdBuffer_.fill() > capacity / 2)
            return;
        block.resize(qsizetype(std::max<size_t>(capacity / 2, 1)));
        ssize_t n;
        do {
            n = ::read(localFd_, block.data(), size_t(block.size()));
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            const QString error = QString::fromLocal8Bit(std::strerror(errno));
            stopCode_ = 4;
            lockedFailLater(error);
            return;
        }
        if (n == 0) {
            endOfData_ = true;
            return;
        }
        block.resize(n);
    }
    if (!appendBlock(block.constData(), size_t(block.size()), false)) {
        stopCode_ = 4;
        if (isPlaying())
            failPlaying(QCoreApplication::translate("RadioStream", "hold buffer too small"));
    }
}

// A read error found under the hold-buffer lock: reported once the lock is
// released, from the GUI thread's event loop.
void RadioStream::lockedFailLater(const QString &error)
{
    QMetaObject::invokeMethod(
        this, [this, error] { failPlaying(error); }, Qt::QueuedConnection);
}

bool RadioStream::adoptRequestedCapacity(std::unique_lock<std::mutex> &lock)
{
    while (requestedInBufSize_ < holdBuffer_.fill()) {
        lock.unlock();
        QThread::msleep(50);
        lock.lock();
        if (!isPlaying())
            return false;
    }
    if (holdBuffer_.capacity() != requestedInBufSize_)
        holdBuffer_.resize(requestedInBufSize_);
    return true;
}

bool RadioStream::waitForRoom(std::unique_lock<std::mutex> &lock, size_t n)
{
    while (holdBuffer_.room() < n) {
        // A block larger than the whole buffer would never fit.
        if (n > holdBuffer_.capacity())
            return false;
        const QByteArray held(holdBuffer_.data(), qsizetype(holdBuffer_.fill()));
        lock.unlock();
        QThread::msleep(100);
        if (!isPlaying()) {
            lock.lock();
            return false;
        }
        if (!decodeThread_->active()) {
            if (hasDecoder_ || !searchWhileWaiting(held)) {
                lock.lock();
                return false;
            }
        }
        lock.lock();
    }
    return true;
}

// The room wait's decoder search, on the read thread. True when a module
// accepted and the decode thread was started.
bool RadioStream::searchWhileWaiting(const QByteArray &held)
{
    PlayListItem *item = nullptr;
    {
        auto lock = lockPlaylist();
        if (!lock.owns_lock())
            return false;
        item = playingItem_;
    }
    DecoderModulePtr module = findDecoder(item, held.constData(), size_t(held.size()));
    if (!module)
        return false;
    {
        std::lock_guard decoderLock(decoderMutex_);
        decoder_ = std::move(module);
        hasDecoder_ = true;
    }
    startDecodeThread();
    return true;
}

bool RadioStream::appendBlock(const char *data, size_t length, bool network)
{
    std::unique_lock lock(holdBufferMutex_);
    if (!network)
        return appendLocalBlock(lock, data, length);
    // While the engine cannot take data, a silent server is not stalled.
    setWaitingForRoom(true);
    const bool room = isPlaying() && adoptRequestedCapacity(lock) && waitForRoom(lock, length);
    setWaitingForRoom(false);
    if (!room)
        return false;
    const size_t before = holdBuffer_.fill();
    appendNetworkBlock(data, length);
    recordAppended(lock, before);
    return true;
}

// A local block was sized by the capacity when it was read; the size may
// have been lowered since, so it goes in pieces that fit the buffer in use
// rather than being refused after its bytes were consumed from the file.
bool RadioStream::appendLocalBlock(std::unique_lock<std::mutex> &lock, const char *data,
                                   size_t length)
{
    while (length > 0) {
        if (!isPlaying() || !adoptRequestedCapacity(lock))
            return false;
        const size_t piece = std::min(length, std::max<size_t>(holdBuffer_.capacity() / 2, 1));
        if (!waitForRoom(lock, piece))
            return false;
        const size_t before = holdBuffer_.fill();
        holdBuffer_.append(data, piece);
        recordAppended(lock, before); // releases the lock
        data += piece;
        length -= piece;
        if (length > 0)
            lock.lock();
    }
    return true;
}
