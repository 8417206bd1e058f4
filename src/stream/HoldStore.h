#pragma once

#include "ContentSniff.h"
#include "HoldBuffer.h"
#include "IcyDeinterleaver.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>

// What the stream's received bytes pass through between the source and the
// decode thread, all under the hold-buffer lock (`mutex`). In the engine's
// lock order it comes right after the playlist lock: the read path, the read
// tick and the decode loop release it before they take the playlist lock to
// write an entry, and take the decoder, fetch, record and audio locks only
// after it.
struct HoldStore
{
    mutable std::mutex mutex;
    // Signalled, with `mutex` taken and released first, after every read
    // pass and when the stream stops: the decode loop waits on it while
    // there is nothing to decode.
    std::condition_variable changed;

    HoldBuffer buffer;
    // The size asked for; the capacity follows at the next block received.
    unsigned requestedSize = 262144;
    // ICY metadata cut out of the received bytes, with its positions.
    IcyDeinterleaver icy;
    // Received bytes that did not fit yet; the transfer is paused meanwhile.
    QByteArray overflow;
    // A local source (-1 when none); it is read under the lock too.
    int localFd = -1;

    // The read tick's sniffs: the fill at the last one and what it found.
    size_t lastSniffFill = 0;
    // A sniff has seen the front of the received bytes: a reply header there
    // was stripped, or they cannot start with one. Until then the held
    // bytes may be header bytes, which a recording must not take.
    bool frontChecked = false;
    ContentCode contentCode = ContentNone;
    // A reply header or an error status the last sniff found, to be stored
    // in the entry once the lock is released.
    QString sniffedHeader;
    QString sniffedError;

    // The transfer failed after audio arrived: posted once that audio played.
    QString deferredError;
    // The decode loop has decided to end (after that, errors are posted at once).
    bool decodeEnded = false;
};
