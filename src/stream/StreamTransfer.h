#pragma once

#include "CurlHandles.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// The engine's libcurl side: one multi handle that carries the stream's
// transfer and the auxiliary fetches of the directory client.
//
// Threads: the multi handle is driven by the read thread (perform), or by
// the GUI thread while no read pass runs (opening and removing the stream's
// transfer, removing fetches). New handles are queued under the fetch lock,
// which this part owns, and added by the read thread. The fetch lock comes
// after the playlist, hold-buffer and decoder locks in the engine's order.
class StreamTransfer
{
public:
    // Receives each fetch's chunks, then a null chunk when it ended; called
    // on the read thread under the fetch lock.
    using FetchSink = std::function<void(unsigned id, const QByteArray *chunk)>;

    explicit StreamTransfer(FetchSink sink);
    // Removes every handle from the multi handle (no read pass may run).
    ~StreamTransfer();

    // --- The stream's transfer --------------------------------------------
    // Queues a transfer with `options` ("Icy-MetaData: 1", the stall guard and
    // the error buffer are this part's). GUI thread, no read pass running
    // with the old transfer. False when libcurl has no handle for it.
    bool openStream(CurlTransferOptions options, long connectTimeout);
    void removeStream();
    bool streamAdded() const { return streamAdded_; }
    // Read thread, in the stream's write callback: no more is read from the
    // server until resumeStream().
    void pauseStream();
    bool streamPaused() const { return streamPaused_; }
    // Read thread: libcurl writes what it held back from inside this call.
    void resumeStream();
    // The entry's error text for the stream transfer's result.
    QString streamErrorText(CURLcode code) const;

    // --- Auxiliary fetches -----------------------------------------------------
    // Ids are consecutive for the process, from 1.
    unsigned startFetch(CurlTransferOptions options, long connectTimeout);
    bool cancelFetch(unsigned id);
    QString takeFetchError(unsigned id);
    unsigned fetchCount() const;
    // Read thread idle: forgets the cancelled fetches. True when some remain.
    bool removeCancelledFetches();

    // --- The read pass -----------------------------------------------------------
    // Set when a transfer starts or a fetch is added; cleared when data
    // arrives and by the fetch tick. While set, perform() calls libcurl
    // again at once when it asks for it.
    std::atomic<bool> pending{false};
    // Adds the queued handles and drives libcurl. `streamDone` gets the
    // stream transfer's result; `idle` tells when a finished transfer is
    // no longer anyone's business (stopped, with no fetch).
    void perform(const std::function<void(CURLcode)> &streamDone,
                 const std::function<bool()> &idle);

private:
    struct Fetch;
    static size_t fetchWrite(char *data, size_t size, size_t count, void *user) noexcept;
    void addQueuedHandles();
    void endUnstartedFetches();
    void fetchDone(CURL *handle, CURLcode code);
    // Made with the first transfer, so that libcurl is loaded only then.
    // Under the fetch lock.
    CURLM *multiHandle();

    FetchSink sink_;
    mutable std::recursive_mutex mutex_; // the fetch lock: the lists and handles below
    std::unique_ptr<CurlMulti> multi_;
    CurlSlist headers_; // "Icy-MetaData: 1", with the first stream
    CurlEasy stream_{nullptr};
    bool streamAdded_ = false;
    std::atomic<bool> streamPaused_{false};
    StallGuard streamGuard_;
    char streamError_[CURL_ERROR_SIZE] = {};
    std::vector<CURL *> queued_;      // waiting to be added by the read thread
    std::vector<unsigned> unstarted_; // fetches without a handle, ended by the read thread
    std::vector<std::unique_ptr<Fetch>> fetches_;
    std::vector<std::pair<unsigned, QString>> fetchErrors_;
};
