// Auxiliary fetches: small downloads on the stream's multi handle.
#include "stream.h"

#include "IcyTags.h"
#include "streamNetwork.h"
#include "streamThreads.h"

#include <QThread>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<unsigned> nextFetchId{1};

// Nothing may unwind into libcurl: a subscriber that throws ends the fetch.
size_t fetchWrite(char *data, size_t size, size_t count, void *user) noexcept
{
    try {
        auto *fetch = static_cast<RadioStreamFetch *>(user);
        const size_t length = size * count;
        if (!fetch->cancelled)
            fetch->stream->deliverFetchChunk(fetch->id, data, length);
        return length;
    } catch (...) {
        return 0;
    }
}

} // namespace

void RadioStream::deliverFetchChunk(unsigned id, const char *data, size_t length)
{
    std::lock_guard lock(fetchMutex_);
    fetchPending_ = false;
    // Handed out without a copy: subscribers copy what they keep.
    const QByteArray chunk = QByteArray::fromRawData(data, qsizetype(length));
    emit streamFetch(id, &chunk);
}

unsigned RadioStream::startFetch(const QString &url)
{
    std::lock_guard lock(fetchMutex_);
    auto fetch = std::make_unique<RadioStreamFetch>(this, nextFetchId++);
    fetch->guard.setLimit(std::chrono::seconds(std::max(1L, connectTimeout_)));
    fetch->guard.restart();
    CurlTransferOptions options;
    options.url = url;
    options.verbosity = verbosity_;
    options.connectTimeout = connectTimeout_;
    options.writeFunction = fetchWrite;
    options.writeData = fetch.get();
    options.proxy = {proxy_, proxyType_, proxyUsername_, proxyPassword_, allowedProxyPorts_};
    options.stallGuard = &fetch->guard;
    options.errorBuffer = fetch->error;
    if (fetch->handle)
        applyCurlOptions(fetch->handle.get(), options, icyStderrLine);
    std::fprintf(stderr, "FETCH INIT id=%u\n", fetch->id);
    const unsigned id = fetch->id;
    if (fetch->handle)
        net_->queued.push_back(fetch->handle.get());
    net_->fetches.push_back(std::move(fetch));
    fetchPending_ = true;
    // The timer lives on the GUI thread; a subscriber may start a fetch
    // from the read thread.
    QMetaObject::invokeMethod(this, [this] {
        if (!fetchTimer_.isActive())
            fetchTimer_.start(readInterval_);
    }, QThread::currentThread() == thread() ? Qt::DirectConnection : Qt::QueuedConnection);
    return id;
}

bool RadioStream::cancelFetch(unsigned id)
{
    std::lock_guard lock(fetchMutex_);
    for (auto &fetch : net_->fetches) {
        if (fetch->id == id) {
            std::fprintf(stderr, "FETCH CANCEL id=%u\n", id);
            fetch->cancelled = true;
            return true;
        }
    }
    return false;
}

QString RadioStream::takeFetchError(unsigned id)
{
    std::lock_guard lock(fetchMutex_);
    QString text;
    auto &errors = net_->fetchErrors;
    for (auto it = errors.begin(); it != errors.end(); ++it) {
        if (it->first == id) {
            text = it->second;
            errors.erase(it);
            break;
        }
    }
    cancelFetch(id);
    return text;
}

unsigned RadioStream::fetchCount()
{
    std::lock_guard lock(fetchMutex_);
    return unsigned(net_->fetches.size());
}

void RadioStream::removeCancelledFetches()
{
    auto &fetches = net_->fetches;
    for (auto it = fetches.begin(); it != fetches.end();) {
        RadioStreamFetch &fetch = **it;
        if (!fetch.cancelled) {
            ++it;
            continue;
        }
        std::fprintf(stderr, "FETCH REMOVE id=%u\n", fetch.id);
        std::erase(net_->queued, fetch.handle.get());
        if (fetch.added)
            curl_multi_remove_handle(net_->multi.get(), fetch.handle.get());
        it = fetches.erase(it);
    }
}

void RadioStream::slotFetch()
{
    if (readThread_->active())
        return;
    readThread_->join();
    fetchPending_ = false;
    std::lock_guard lock(fetchMutex_);
    removeCancelledFetches();
    if (!net_->fetches.empty())
        readThread_->begin();
    else
        fetchTimer_.stop();
}
