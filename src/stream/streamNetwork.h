#pragma once

#include "CurlHandles.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

class RadioStream;

// One auxiliary download on the engine's multi handle.
struct RadioStreamFetch {
    RadioStreamFetch(RadioStream *owner, unsigned fetchId) : stream(owner), id(fetchId) {}
    RadioStream *stream;
    const unsigned id;
    CurlEasy handle;
    StallGuard guard;
    std::atomic<bool> cancelled{false};
    char error[CURL_ERROR_SIZE] = {}; // libcurl's own text of a failure
    bool added = false; // on the multi handle (fetchMutex)
};

// The engine's libcurl state. Guarded by the engine's fetchMutex, except
// the multi handle itself (see RadioStream::net_).
struct StreamNetwork {
    CurlMulti multi;
    CurlSlist headers; // "Icy-MetaData: 1"
    CurlEasy streamHandle;
    bool streamAdded = false;
    StallGuard streamGuard;
    char streamError[CURL_ERROR_SIZE] = {};
    std::vector<CURL *> queued; // waiting to be added by the read thread
    std::vector<std::unique_ptr<RadioStreamFetch>> fetches;
    std::vector<std::pair<unsigned, QString>> fetchErrors;
};
