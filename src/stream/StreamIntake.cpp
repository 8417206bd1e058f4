// The read side: received bytes into the hold buffer, the sniff of what
// they are, and the chunks the decode loop takes.
#include "StreamIntake.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <unistd.h>

namespace {
// A smaller hold buffer asked for: how often the reader looks whether the
// decode loop has drained the fill below it.
constexpr unsigned kResizeWaitMs = 50;
// A full hold buffer: how often the reader looks whether the decode loop has
// taken bytes out.
constexpr unsigned kRoomWaitMs = 100;
} // namespace

StreamIntake::StreamIntake(StreamFlags &flags, Hooks hooks)
    : flags_(flags), hooks_(std::move(hooks))
{}

StreamIntake::~StreamIntake()
{
    if (localFd_ >= 0)
        ::close(localFd_);
}

void StreamIntake::reset()
{
    std::lock_guard lock(mutex_);
    flags_.endOfData = false;
    lastSniffFill_ = 0;
    frontChecked_ = false;
    contentCode_ = ContentNone;
    // A header sniffed for a stopped stream is not the next entry's.
    sniffedHeader_ = sniffedError_ = QString();
    overflow_.clear();
    deferredError_ = QString();
    decodeEnded_ = false;
    icy_.reset();
    cutsAhead_.clear();
    frontTaken_ = 0;
    buffer_.release();
    buffer_.resize(requestedSize_);
}

void StreamIntake::release()
{
    std::lock_guard lock(mutex_);
    buffer_.release();
    overflow_ = QByteArray();
    deferredError_ = QString();
    flags_.endOfData = false;
    icy_.reset();
    if (localFd_ >= 0) {
        ::close(localFd_);
        localFd_ = -1;
    }
}

void StreamIntake::setLocalSource(int fd)
{
    std::lock_guard lock(mutex_);
    localFd_ = fd;
}

void StreamIntake::setPlaying(bool on)
{
    {
        std::lock_guard lock(mutex_);
        flags_.playing = on;
    }
    changed_.notify_all();
}

void StreamIntake::setRequestedSize(unsigned bytes)
{
    std::lock_guard lock(mutex_);
    requestedSize_ = bytes;
}

unsigned StreamIntake::requestedSize() const
{
    std::lock_guard lock(mutex_);
    return requestedSize_;
}

size_t StreamIntake::capacity() const
{
    std::lock_guard lock(mutex_);
    return buffer_.capacity();
}

size_t StreamIntake::fill() const
{
    std::lock_guard lock(mutex_);
    return buffer_.fill();
}

bool StreamIntake::lessThanHalfFull() const
{
    std::lock_guard lock(mutex_);
    return buffer_.fill() < buffer_.capacity() / 2;
}

bool StreamIntake::localSourceHeld() const
{
    std::lock_guard lock(mutex_);
    return localFd_ >= 0 && buffer_.fill() > buffer_.capacity() / 2;
}

bool StreamIntake::frontChecked() const
{
    std::lock_guard lock(mutex_);
    return frontChecked_;
}

void StreamIntake::wake()
{
    {
        std::lock_guard lock(mutex_);
    }
    changed_.notify_all();
}

void StreamIntake::decodeStarting()
{
    std::lock_guard lock(mutex_);
    decodeEnded_ = false;
}

// --- The read thread -----------------------------------------------------------

// The rest of a block that did not fit waits in the overflow while the
// transfer is paused, so that the read pass returns and the auxiliary
// fetches keep running; a buffer smaller than libcurl's blocks takes them in
// pieces.
StreamIntake::Take StreamIntake::takeNetworkBlock(const char *data, size_t length)
{
    {
        std::lock_guard lock(mutex_);
        if (!flags_.playing)
            return Take::Refused;
        if (!overflow_.isEmpty()) { // bytes libcurl still delivers after a pause
            overflow_.append(data, qsizetype(length));
            return Take::Paused;
        }
    }
    const std::optional<size_t> taken = fillHold(data, length);
    if (!taken)
        return Take::Refused;
    if (*taken == length)
        return Take::Taken;
    std::lock_guard lock(mutex_);
    overflow_.append(data + *taken, qsizetype(length - *taken));
    return Take::Paused;
}

void StreamIntake::restartForSegments()
{
    std::lock_guard lock(mutex_);
    flags_.endOfData = false;
    lastSniffFill_ = 0;
    frontChecked_ = true;
    contentCode_ = ContentNone;
    deferredError_ = QString();
    icy_.reset();
    cutsAhead_.clear();
    buffer_.takeFront(buffer_.fill());
}

std::optional<size_t> StreamIntake::takeSegmentBytes(const char *data, size_t length)
{
    return fillHold(data, length);
}

void StreamIntake::markMetadata(const QByteArray &text)
{
    std::lock_guard lock(mutex_);
    icy_.mark(text, buffer_.fill());
    if (hooks_.recording())
        cutsAhead_.emplace_back(frontTaken_ + qint64(buffer_.fill()), text);
}

std::optional<QByteArray> StreamIntake::newestMetadata() const
{
    std::lock_guard lock(mutex_);
    if (icy_.queue().empty())
        return std::nullopt;
    return icy_.queue().back().text;
}

// Only the read thread changes the overflow, so it stays put while fillHold
// releases the lock.
StreamIntake::Take StreamIntake::drainOverflow()
{
    const std::optional<size_t> taken = fillHold(overflow_.constData(), size_t(overflow_.size()));
    if (!taken)
        return Take::Refused;
    std::lock_guard lock(mutex_);
    overflow_.remove(0, qsizetype(*taken));
    return overflow_.isEmpty() ? Take::Taken : Take::Paused;
}

std::optional<size_t> StreamIntake::fillHold(const char *data, size_t length)
{
    std::unique_lock lock(mutex_);
    size_t taken = 0;
    while (taken < length) {
        if (!flags_.playing)
            return std::nullopt;
        if (requestedSize_ < buffer_.fill())
            break; // a smaller size waits until the fill has dropped
        if (buffer_.capacity() != requestedSize_)
            buffer_.resize(requestedSize_);
        // De-interleaving only removes bytes, so n received bytes fit in n.
        const size_t piece = std::min(length - taken, buffer_.room());
        if (piece == 0) {
            QByteArray held;
            const Room room = makeRoom(held);
            if (room == Room::Never)
                return std::nullopt;
            if (room == Room::Search) {
                lock.unlock();
                const bool found = searchFor(held);
                lock.lock();
                if (!found || !hooks_.hasModule() || !flags_.playing)
                    return std::nullopt;
            }
            if (buffer_.room() == 0)
                break;
            continue;
        }
        const size_t before = buffer_.fill();
        if (hooks_.received)
            hooks_.received();
        const bool recording = hooks_.recording();
        icy_.collectInto(recording ? &queuedNow_ : nullptr);
        icy_.append(buffer_, data + taken, piece);
        icy_.collectInto(nullptr);
        keepCuts();
        taken += piece;
        if (copyForRecord(before, recording)) {
            lock.unlock();
            recordCopied();
            lock.lock();
        }
    }
    return taken;
}

StreamIntake::LocalRead StreamIntake::readLocal(QByteArray &block, int &error)
{
    std::lock_guard lock(mutex_);
    // Sized by the smaller of the capacity and a pending new size, so that a
    // block read now still fits once the new size is adopted.
    const size_t capacity = std::min<size_t>(buffer_.capacity(), requestedSize_);
    if (localFd_ < 0 || flags_.endOfData || buffer_.fill() > capacity / 2)
        return LocalRead::Idle;
    block.resize(qsizetype(std::max<size_t>(capacity / 2, 1)));
    ssize_t n;
    do {
        n = ::read(localFd_, block.data(), size_t(block.size()));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        error = errno;
        return LocalRead::Failed;
    }
    if (n == 0) {
        flags_.endOfData = true;
        return LocalRead::Ended;
    }
    block.resize(n);
    return LocalRead::Block;
}

// A local block was sized by the capacity when it was read; the size may
// have been lowered since, so it goes in pieces that fit the buffer in use
// rather than being refused after its bytes were consumed from the file.
bool StreamIntake::appendLocalBlock(const char *data, size_t length)
{
    std::unique_lock lock(mutex_);
    while (length > 0) {
        if (!flags_.playing)
            return false;
        while (requestedSize_ < buffer_.fill()) {
            lock.unlock();
            QThread::msleep(kResizeWaitMs);
            lock.lock();
            if (!flags_.playing)
                return false;
        }
        if (buffer_.capacity() != requestedSize_)
            buffer_.resize(requestedSize_);
        const size_t piece = std::min(length, std::max<size_t>(buffer_.capacity() / 2, 1));
        while (buffer_.room() < piece) {
            // A block larger than the whole buffer would never fit.
            QByteArray held;
            const Room room = piece > buffer_.capacity() ? Room::Never : makeRoom(held);
            if (room == Room::Never)
                return false;
            if (room == Room::Search) {
                lock.unlock();
                const bool found = searchFor(held);
                lock.lock();
                if (!found || !hooks_.hasModule() || !flags_.playing)
                    return false;
            }
            if (buffer_.room() >= piece)
                break;
            lock.unlock();
            QThread::msleep(kRoomWaitMs);
            lock.lock();
            if (!flags_.playing)
                return false;
        }
        const size_t before = buffer_.fill();
        buffer_.append(data, piece);
        data += piece;
        length -= piece;
        if (copyForRecord(before, hooks_.recording())) {
            lock.unlock();
            recordCopied();
            lock.lock();
        }
    }
    return true;
}

// The hold buffer is full (under the lock). A reply header still at its
// front is stripped first, so that no module is offered header or metadata
// bytes. Then, while nothing decodes, the modules are searched once on a
// copy of the held bytes; a module that was chosen but is not decoding
// means the bytes can never be taken.
StreamIntake::Room StreamIntake::makeRoom(QByteArray &held)
{
    if (hooks_.decoding())
        return Room::Made;
    if (!hooks_.hasModule()) {
        const size_t before = buffer_.fill();
        sniffHeader();
        if (buffer_.fill() < before)
            return Room::Made;
    }
    if (hooks_.hasModule())
        return Room::Never;
    held = QByteArray(buffer_.data(), qsizetype(buffer_.fill()));
    return Room::Search;
}

// Without the lock: a module's information is written to the entry.
bool StreamIntake::searchFor(const QByteArray &held)
{
    if (!hooks_.findModule(held))
        return false;
    hooks_.startDecoding();
    return true;
}

void StreamIntake::keepCuts()
{
    for (IcyDeinterleaver::MetaMark &mark : queuedNow_)
        cutsAhead_.emplace_back(frontTaken_ + mark.position, std::move(mark.text));
    queuedNow_.clear();
}

// Under the lock: copies the bytes appended from `from` on for the
// recording, with the cut points inside them, so that no file write
// happens under the lock. A text at the very end waits for the bytes after it.
bool StreamIntake::copyForRecord(size_t from, bool recording)
{
    if (!recording) {
        cutsAhead_.clear();
        return false;
    }
    if (buffer_.fill() <= from)
        return false;
    recordScratch_.assign(buffer_.data() + from, buffer_.data() + buffer_.fill());
    const qint64 start = frontTaken_ + qint64(from);
    const qint64 end = frontTaken_ + qint64(buffer_.fill());
    recordCuts_.clear();
    while (!cutsAhead_.empty() && cutsAhead_.front().first < end) {
        auto &[at, text] = cutsAhead_.front();
        if (at >= start)
            recordCuts_.push_back({size_t(at - start), std::move(text)});
        cutsAhead_.pop_front();
    }
    return true;
}

void StreamIntake::recordCopied()
{
    hooks_.record(recordScratch_.data(), recordScratch_.size(), recordCuts_);
}

// --- The read tick -----------------------------------------------------------------

bool StreamIntake::sniffDue(bool decoding)
{
    std::lock_guard lock(mutex_);
    // A playlist body without a header is decided once its end has arrived,
    // even when no byte came since the last sniff.
    const bool playlistEnded = flags_.endOfData && isPlaylistCode(contentCode_);
    return !(decoding || buffer_.isEmpty() || hooks_.hasModule() ||
             (buffer_.fill() == lastSniffFill_ && !playlistEnded));
}

StreamIntake::Sniffed StreamIntake::sniff()
{
    std::unique_lock lock(mutex_);
    lastSniffFill_ = buffer_.fill();
    ContentCode code = sniffHeader();
    if (code == ContentNone && hooks_.hasModule()) {
        code = ContentUnknown;
    } else if (code == ContentNone) {
        const QByteArray held(buffer_.data(), qsizetype(buffer_.fill()));
        lock.unlock();
        hooks_.findModule(held);
        lock.lock();
        code = hooks_.hasModule() ? ContentDecoder : ContentUnknown;
    }
    contentCode_ = code;
    // A plain URL list wants no more data: it is read as it stands.
    if (code == ContentUrlList)
        flags_.endOfData = true;
    Sniffed s;
    s.code = code;
    s.fill = buffer_.fill();
    s.errorStatus = !sniffedError_.isNull();
    // A playlist is read once the whole body is here, header or not: a list
    // cut at the first block would lose its later entries.
    if (isPlaylistCode(code) && flags_.endOfData) {
        const QByteArrayView body(buffer_.data(), qsizetype(s.fill));
        s.hls = isHlsPlaylist(body);
        s.playlist = body.toByteArray();
    }
    return s;
}

// Under the lock.
ContentCode StreamIntake::sniffHeader()
{
    const SniffResult r = sniffContent(QByteArrayView(buffer_.data(), qsizetype(buffer_.fill())));
    // The fill drops below the last sniff's, so the body is sniffed at the
    // next tick even when no further byte arrives.
    if (r.stripLength > 0)
        icy_.stripHeader(buffer_, r.stripLength, r.metaint);
    // ContentUnknown without a decoder search: a header may still be arriving.
    if (r.stripLength > 0 || r.searchDecoder || r.code != ContentUnknown)
        frontChecked_ = true;
    if (!r.header.isNull())
        sniffedHeader_ = r.header;
    if (!r.error.isNull())
        sniffedError_ = r.error;
    if (r.searchDecoder)
        return ContentNone;
    return r.code;
}

bool StreamIntake::undecidedSinceSniff() const
{
    std::lock_guard lock(mutex_);
    return (contentCode_ == ContentUnknown || contentCode_ == ContentNone) &&
           buffer_.fill() == lastSniffFill_;
}

std::pair<QString, QString> StreamIntake::takeSniffedHeader()
{
    std::lock_guard lock(mutex_);
    return {std::exchange(sniffedHeader_, QString()), std::exchange(sniffedError_, QString())};
}

bool StreamIntake::deferError(const QString &text, bool decoding)
{
    std::lock_guard lock(mutex_);
    flags_.endOfData = true;
    const bool later = !decodeEnded_ && (decoding || !buffer_.isEmpty());
    if (later)
        deferredError_ = text;
    return later;
}

QString StreamIntake::takeDeferredError()
{
    std::lock_guard lock(mutex_);
    return std::exchange(deferredError_, QString());
}

// --- The decode loop ---------------------------------------------------------------

StreamIntake::Chunk StreamIntake::takeChunk(size_t maxBytes, const std::function<bool()> &held)
{
    std::lock_guard lock(mutex_);
    Chunk c;
    if (!flags_.playing)
        return c;
    if (!hooks_.hasModule() || buffer_.isEmpty()) {
        if (!flags_.endOfData) {
            c.kind = Chunk::Empty;
            return c;
        }
        decodeEnded_ = true;
        c.kind = Chunk::Ended;
        c.error = std::exchange(deferredError_, QString());
        return c;
    }
    if (held()) {
        c.kind = Chunk::Held;
        return c;
    }
    const size_t size = std::min(buffer_.fill(), maxBytes);
    c.kind = Chunk::Bytes;
    c.metadata = icy_.advance(size);
    c.bytes = buffer_.takeFront(size);
    frontTaken_ += qint64(size);
    return c;
}

void StreamIntake::waitForWork(std::chrono::milliseconds bound)
{
    std::unique_lock lock(mutex_);
    const auto work = [this] {
        return !flags_.playing || flags_.endOfData || flags_.buffering ||
               (hooks_.hasModule() && !buffer_.isEmpty());
    };
    if (!work())
        changed_.wait_for(lock, bound, work);
}

void StreamIntake::waitForFill(size_t bytes, std::chrono::milliseconds bound)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [&] { return !flags_.playing || buffer_.fill() >= bytes; });
}
