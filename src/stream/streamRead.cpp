// The read tick and the read thread's pass: moving source bytes into the
// hold buffer and deciding what they are.
#include "stream.h"

#include "ContentSniff.h"
#include "streamThreads.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
// Bytes without a decoder after which the data is declared unknown.
constexpr size_t kSniffLimit = 294911;
// A smaller hold buffer asked for: how often the reader looks whether the
// decode thread has drained the fill below it.
constexpr unsigned kResizeWaitMs = 50;
// A full hold buffer: how often the reader looks whether the decode thread
// has taken bytes out.
constexpr unsigned kRoomWaitMs = 100;
} // namespace

void RadioStream::slotRead()
{
    if (readThread_->active() || !isPlaying() || stopCode_ != StopCode::None)
        return;
    std::unique_lock lock(hold_.mutex);
    // A playlist body without a header is decided once its end has arrived,
    // even when no byte came since the last sniff.
    const bool playlistEnded = endOfData_ && isPlaylistCode(hold_.contentCode);
    if (decodeThread_->active() || hold_.buffer.isEmpty() || decoders_.hasStreamModule() ||
        (hold_.buffer.fill() == hold_.lastSniffFill && !playlistEnded)) {
        lock.unlock();
        if (!afterSkippedSniff())
            return;
    } else if (!sniffAndAct(lock)) {
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
    if (!decoders_.hasStreamModule() && noMoreInput() &&
        (hold_.contentCode == ContentUnknown || hold_.contentCode == ContentNone) &&
        holdBufferFill() == hold_.lastSniffFill) {
        stopCode_ = StopCode::Decided;
        failPlaying(undecodedError());
        return false;
    }
    if (decoders_.hasStreamModule() && !decodeThread_->active() && !endOfData_)
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
    std::lock_guard lock(hold_.mutex);
    return hold_.localFd >= 0 && hold_.buffer.fill() > hold_.buffer.capacity() / 2;
}

// Sniffs the held bytes and acts on the outcome; `lock` holds the hold-buffer
// lock on entry and is released on return. False when the tick ends here.
bool RadioStream::sniffAndAct(std::unique_lock<std::mutex> &lock)
{
    hold_.lastSniffFill = hold_.buffer.fill();
    hold_.contentCode = sniff(lock);
    const ContentCode code = hold_.contentCode;
    // A plain URL list wants no more data: it is read as it stands.
    if (code == ContentUrlList)
        endOfData_ = true;
    const size_t fill = hold_.buffer.fill();
    SniffOutcome outcome = SniffOutcome::Wait;
    // A playlist is read once the whole body is here, header or not: a
    // list cut at the first block would lose its later entries.
    bool hls = false;
    if (isPlaylistCode(code) && endOfData_) {
        hls = isHlsPlaylist(QByteArrayView(hold_.buffer.data(), qsizetype(fill)));
        if (hls)
            hold_.deferredError = QCoreApplication::translate(
                "RadioStream", "stream type not supported (HTTP Live Streaming)");
        else
            postPlaylistFromBuffer(code);
        outcome = SniffOutcome::Finished;
    } else if (code != ContentIcy && !isPlaylistCode(code) && code != ContentDecoder &&
               endOfData_) {
        // A module found after all the data arrived still gets to decode it:
        // a short remote file must play, not end unheard.
        outcome = SniffOutcome::Finished;
    }
    lock.unlock();
    // An error reply's header: the entry's error is read without the
    // hold-buffer lock, which comes after the playlist lock.
    if (code == ContentIcy && (!hold_.sniffedError.isNull() || playingHasError())) {
        std::lock_guard relock(hold_.mutex);
        endOfData_ = true;
        outcome = SniffOutcome::Finished;
    } else if (code == ContentIcy && endOfData_ && fill == 0) {
        outcome = SniffOutcome::Finished; // a header and nothing after it
    }
    // Otherwise the body after a stripped header is sniffed on the next tick.
    storeSniffed();
    if (code == ContentDecoder)
        publishPlayingTags();

    // The limit counts bytes that every module was offered and refused; a
    // stripped header or a playlist still arriving waits for the next tick.
    if (outcome == SniffOutcome::Wait && (fill <= kSniffLimit || code != ContentUnknown)) {
        if (decoders_.hasStreamModule()) {
            startDecodeThread();
        }
        return true;
    }
    // Nothing playable: unknown data, an error status or a playlist body.
    {
        std::lock_guard listLock(playListMutex_);
        if (playing()) {
            // A playlist body is not an error: the receiver installs the list.
            const bool playlist = isPlaylistCode(code) && !hls;
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

// Why bytes that arrived are not played: the transfer's own failure when it
// broke off, else their format.
QString RadioStream::undecodedError()
{
    std::lock_guard lock(hold_.mutex);
    const QString deferred = std::exchange(hold_.deferredError, QString());
    return deferred.isNull() ? QCoreApplication::translate("RadioStream", "unknown file format")
                             : deferred;
}

void RadioStream::startDecodeThread()
{
    if (decodeThread_->active())
        return;
    decodeThread_->join();
    {
        std::lock_guard lock(hold_.mutex);
        hold_.decodeEnded = false;
    }
    decodeThread_->begin();
    post(StreamDecodeStartedEvent);
}

bool RadioStream::playingHasError()
{
    auto lock = lockPlaylist();
    return streamEntry() && !streamEntry()->error.isEmpty();
}

void RadioStream::publishPlayingTags()
{
    auto lock = lockPlaylist();
    if (PlayListItem *item = streamEntry())
        itemChanged(item);
}

// Marks the stream's entry failed with `error` unless it has one already.
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

ContentCode RadioStream::sniff(std::unique_lock<std::mutex> &lock)
{
    const ContentCode code = sniffHeader();
    if (code != ContentNone)
        return code;
    if (decoders_.hasStreamModule())
        return ContentUnknown;
    // Search a copy without the hold-buffer lock: a module's information
    // is written to the entry, which needs the playlist lock first.
    const QByteArray bytes(hold_.buffer.data(), qsizetype(hold_.buffer.fill()));
    lock.unlock();
    PlayListItem *item;
    {
        std::lock_guard listLock(playListMutex_);
        item = streamEntry();
    }
    DecoderModulePtr module = findDecoder(item, bytes.constData(), size_t(bytes.size()));
    if (module)
        decoders_.install(std::move(module), nullptr);
    lock.lock();
    return decoders_.hasStreamModule() ? ContentDecoder : ContentUnknown;
}

void RadioStream::readPass()
{
    readLocalSource();
    runTransfers();
    wakeDecodeLoop();
}

// Whatever this pass changed was written before the lock is taken here, so
// the decode loop either sees it or is already waiting when notified.
void RadioStream::wakeDecodeLoop()
{
    {
        std::lock_guard lock(hold_.mutex);
    }
    hold_.changed.notify_all();
}

void RadioStream::readLocalSource()
{
    QByteArray block;
    {
        std::lock_guard lock(hold_.mutex);
        // Sized by the smaller of the capacity and a pending new size, so
        // that a block read now still fits once the new size is adopted.
        const size_t capacity = std::min<size_t>(hold_.buffer.capacity(), hold_.requestedSize);
        if (hold_.localFd < 0 || endOfData_ || hold_.buffer.fill() > capacity / 2)
            return;
        block.resize(qsizetype(std::max<size_t>(capacity / 2, 1)));
        ssize_t n;
        do {
            n = ::read(hold_.localFd, block.data(), size_t(block.size()));
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            const QString error = QString::fromLocal8Bit(std::strerror(errno));
            stopCode_ = StopCode::SourceFailed;
            lockedFailLater(error);
            return;
        }
        if (n == 0) {
            endOfData_ = true;
            return;
        }
        block.resize(n);
    }
    if (!appendBlock(block.constData(), size_t(block.size()))) {
        stopCode_ = StopCode::SourceFailed;
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
    while (hold_.requestedSize < hold_.buffer.fill()) {
        lock.unlock();
        QThread::msleep(kResizeWaitMs);
        lock.lock();
        if (!isPlaying())
            return false;
    }
    if (hold_.buffer.capacity() != hold_.requestedSize)
        hold_.buffer.resize(hold_.requestedSize);
    return true;
}

bool RadioStream::waitForRoom(std::unique_lock<std::mutex> &lock, size_t n)
{
    while (hold_.buffer.room() < n) {
        // A block larger than the whole buffer would never fit.
        if (n > hold_.buffer.capacity() || !makeRoom(lock))
            return false;
        if (hold_.buffer.room() >= n)
            break;
        lock.unlock();
        QThread::msleep(kRoomWaitMs);
        lock.lock();
        if (!isPlaying())
            return false;
    }
    return true;
}

// The hold buffer is full (caller holds its lock). A reply header still at
// its front is stripped first, so that no module is offered header or
// metadata bytes. Then, while no decode thread takes bytes out, the modules
// are searched once; a module that was chosen but is not decoding, or none
// accepting, means the bytes can never be taken.
bool RadioStream::makeRoom(std::unique_lock<std::mutex> &lock)
{
    if (decodeThread_->active())
        return true;
    if (!decoders_.hasStreamModule()) {
        const size_t before = hold_.buffer.fill();
        sniffHeader();
        if (hold_.buffer.fill() < before)
            return true;
    }
    if (decoders_.hasStreamModule())
        return false;
    return searchWhileWaiting(lock);
}

// The room wait's decoder search, on the read thread. True when a module
// accepted and the decode thread was started. The lock is released while
// the modules are tried.
bool RadioStream::searchWhileWaiting(std::unique_lock<std::mutex> &lock)
{
    const QByteArray held(hold_.buffer.data(), qsizetype(hold_.buffer.fill()));
    lock.unlock();
    PlayListItem *item = nullptr;
    {
        auto listLock = lockPlaylist();
        item = streamEntry();
    }
    DecoderModulePtr module = findDecoder(item, held.constData(), size_t(held.size()));
    if (module) {
        decoders_.install(std::move(module), nullptr);
        startDecodeThread();
    }
    lock.lock();
    return decoders_.hasStreamModule() && isPlaying();
}

bool RadioStream::appendBlock(const char *data, size_t length)
{
    std::unique_lock lock(hold_.mutex);
    return appendLocalBlock(lock, data, length);
}

// Received bytes go straight into the hold buffer as far as it has room.
// The rest waits in the overflow while the transfer is paused, so that the
// read pass returns and the auxiliary fetches keep running; a buffer smaller
// than libcurl's blocks takes them in pieces.
RadioStream::Take RadioStream::takeNetworkBlock(const char *data, size_t length)
{
    std::unique_lock lock(hold_.mutex);
    if (!isPlaying())
        return Take::Refused;
    if (!hold_.overflow.isEmpty()) { // bytes libcurl still delivers after a pause
        hold_.overflow.append(data, qsizetype(length));
        return Take::Paused;
    }
    const std::optional<size_t> taken = fillHold(lock, data, length);
    if (!taken)
        return Take::Refused;
    if (*taken == length)
        return Take::Taken;
    hold_.overflow.append(data + *taken, qsizetype(length - *taken));
    return Take::Paused;
}

RadioStream::Take RadioStream::drainOverflow(std::unique_lock<std::mutex> &lock)
{
    // Only the read thread changes the overflow, so it stays put while
    // fillHold releases the lock.
    const std::optional<size_t> taken =
        fillHold(lock, hold_.overflow.constData(), size_t(hold_.overflow.size()));
    if (!taken)
        return Take::Refused;
    hold_.overflow.remove(0, qsizetype(*taken));
    return hold_.overflow.isEmpty() ? Take::Taken : Take::Paused;
}

std::optional<size_t> RadioStream::fillHold(std::unique_lock<std::mutex> &lock, const char *data,
                                            size_t length)
{
    size_t taken = 0;
    while (taken < length) {
        if (!isPlaying())
            return std::nullopt;
        if (hold_.requestedSize < hold_.buffer.fill())
            break; // a smaller size waits until the fill has dropped
        if (hold_.buffer.capacity() != hold_.requestedSize)
            hold_.buffer.resize(hold_.requestedSize);
        // De-interleaving only removes bytes, so n received bytes fit in n.
        const size_t piece = std::min(length - taken, hold_.buffer.room());
        if (piece == 0) {
            if (!makeRoom(lock))
                return std::nullopt;
            if (hold_.buffer.room() == 0)
                break;
            continue;
        }
        const size_t before = hold_.buffer.fill();
        appendNetworkBlock(data + taken, piece);
        taken += piece;
        recordAppended(lock, before); // releases the lock
        lock.lock();
    }
    return taken;
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
        const size_t piece = std::min(length, std::max<size_t>(hold_.buffer.capacity() / 2, 1));
        if (!waitForRoom(lock, piece))
            return false;
        const size_t before = hold_.buffer.fill();
        hold_.buffer.append(data, piece);
        recordAppended(lock, before); // releases the lock
        data += piece;
        length -= piece;
        if (length > 0)
            lock.lock();
    }
    return true;
}
