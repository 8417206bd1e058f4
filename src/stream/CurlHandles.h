#pragma once

#include "ProxyRule.h"

#include "CurlLibrary.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

// Owners of libcurl handles: each frees its handle once, in its destructor.
// Move-only. A null handle (failed init) is allowed and owns nothing.

class CurlEasy
{
public:
    CurlEasy() : handle_(curl::easy_init()) {}
    // Owns nothing yet; libcurl is not asked for anything.
    explicit CurlEasy(std::nullptr_t) : handle_(nullptr) {}
    ~CurlEasy() { reset(); }
    CurlEasy(CurlEasy &&other) noexcept : handle_(other.release()) {}
    CurlEasy &operator=(CurlEasy &&other) noexcept;
    CurlEasy(const CurlEasy &) = delete;
    CurlEasy &operator=(const CurlEasy &) = delete;

    CURL *get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    CURL *release();
    // Cleans the handle up. It must no longer be on a multi handle.
    void reset();

private:
    CURL *handle_;
};

class CurlMulti
{
public:
    CurlMulti() : handle_(curl::multi_init()) {}
    // Remove every easy handle before this runs.
    ~CurlMulti();
    CurlMulti(const CurlMulti &) = delete;
    CurlMulti &operator=(const CurlMulti &) = delete;

    CURLM *get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURLM *handle_;
};

class CurlSlist
{
public:
    CurlSlist() = default;
    ~CurlSlist() { curl::slist_free_all(list_); }
    CurlSlist(const CurlSlist &) = delete;
    CurlSlist &operator=(const CurlSlist &) = delete;

    // Appends a copy of line; false when out of memory (the list is kept).
    bool append(const char *line);
    curl_slist *get() const { return list_; }

private:
    curl_slist *list_ = nullptr;
};

// Ends a transfer that has received nothing for `limit` while the engine was
// able to take data. libcurl calls check() through stallGuardProgress (set
// as CURLOPT_XFERINFOFUNCTION by applyCurlOptions) at least once a second
// while it runs the transfer.
//
// The engine tells the guard when it is not able to take data: the write
// callback calls setWaitingForRoom(true) before it waits for room in the
// hold buffer and setWaitingForRoom(false) when the wait is over; the
// silence clock stands still during the wait and starts afresh after it.
// Time between read passes counts, as the engine could take data then.
//
// Threads: restart() before the handle is added (GUI thread); everything
// else on the read thread. Fields are atomic so that the GUI thread may read
// fired() too.
class StallGuard
{
public:
    using Clock = std::chrono::steady_clock;

    explicit StallGuard(std::chrono::milliseconds limit = std::chrono::seconds(180));

    void setLimit(std::chrono::milliseconds limit) { limitMs_ = limit.count(); }
    std::chrono::milliseconds limit() const { return std::chrono::milliseconds(limitMs_.load()); }

    // A new transfer starts: no bytes yet, the clock starts now, not fired.
    void restart(Clock::time_point now = Clock::now());
    void setWaitingForRoom(bool waiting, Clock::time_point now = Clock::now());
    // received: body bytes so far. True when the transfer is to end now.
    bool check(long long received, Clock::time_point now = Clock::now());
    // check() has ended the transfer.
    bool fired() const { return fired_; }
    // The text for the entry's error when fired.
    QString errorText() const;

private:
    static long long ticks(Clock::time_point t);

    std::atomic<long long> limitMs_;
    std::atomic<long long> lastActivity_{0}; // Clock ticks
    std::atomic<long long> received_{0};
    std::atomic<bool> waiting_{false};
    std::atomic<bool> fired_{false};
};

// CURLOPT_XFERINFOFUNCTION for a StallGuard passed as CURLOPT_XFERINFODATA.
int stallGuardProgress(void *guard, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                       curl_off_t ulnow) noexcept;

// The entry's error text for a finished transfer's result: the guard's text
// when it ended the transfer, else the transfer's own error buffer (which
// names the status, host or byte count), else libcurl's description of the
// code. A refused block keeps the description: the buffer's text would only
// repeat it less clearly.
QString transferErrorText(CURLcode code, const StallGuard *guard,
                          const char *errorBuffer = nullptr);

// Everything addCurlHandle sets on an easy handle.
struct CurlTransferOptions
{
    QString url;
    long verbosity = 0;
    long connectTimeout = 180; // seconds
    // The stream's own handle: its reply header reaches writeFunction too
    // (HEADERDATA = writeData, no header function) and headers are sent.
    bool isStream = false;
    curl_write_callback writeFunction = nullptr; // set when not null
    void *writeData = nullptr;
    curl_slist *headers = nullptr; // stream only: "Icy-MetaData: 1"
    ProxySettings proxy;
    StallGuard *stallGuard = nullptr; // not owned; outlives the transfer
    char *errorBuffer = nullptr;      // CURL_ERROR_SIZE bytes, outlives the transfer
    QByteArray userAgent;             // sent when not empty, through a proxy too
};

// Applies the options of addCurlHandle in their order, writing its lines
// ("addCurlHandle(): URL='…'", "Using proxy …") to log. Credentials of the
// URL never go to another host on a redirect; replies without a status line
// ("ICY 200 OK") are taken, their status line arriving as body bytes; a
// proxy's CONNECT answer is not passed on. Returns the first setopt failure,
// else CURLE_OK. The caller then adds the handle to the multi handle.
CURLcode applyCurlOptions(CURL *handle, const CurlTransferOptions &options,
                          const std::function<void(const QString &)> &log);
