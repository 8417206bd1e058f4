#pragma once

#include "shoutCastStation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The station-list parser of one genre: bytes of the directory's answer in
// pieces of any size, stations out. Pure code; the caller locks.
//
// Until the list's header is recognised, the pieces are collected: the text
// so far must begin with "<?xml " and hold a tunein element
// (<tunein base="…" …/>). More than 512 bytes without it refuse the list.
// Once recognised, the tune-in base is taken from the first tunein element
// and each "<station …/>" element becomes a station. Text that ends inside an
// element waits for the next piece.
//
// Linear in the size of the body: the text left over is searched only from
// where the last search stopped, and is compacted once per piece.
class StationListParser
{
public:
    enum class Outcome { Accepted, Refused };

    // Bytes without the header beyond which a list is refused.
    static constexpr qint64 kHeaderLimit = 512;
    // Left-over text beyond which a list is refused (an element that never
    // ends must not take all memory).
    static constexpr qsizetype kMaxPending = 1 << 20;

    // One piece. When the header is recognised, `stations` is cleared first;
    // stations parsed from the piece are appended, their url built from
    // `root` and the tune-in base.
    Outcome feed(QByteArrayView piece, QList<ShoutCastStation> &stations, const QString &root);

    // Back to the start of a list (a new fetch).
    void reset() { *this = StationListParser(); }
    // Forgets the text waiting for the next piece (the end of a transfer).
    void clearPending();

    bool headerFound() const { return headerFound_; }
    QString tuneInBase() const { return tuneInBase_; }
    qint64 received() const { return received_; }
    qsizetype pendingSize() const { return pending_.size(); }

    // True when the first tunein element of `text` is whole: <tunein base="…"
    // and later attributes, up to the first "/" outside quotes, which must
    // begin "/>".
    static bool hasTuneInElement(QByteArrayView text);

private:
    bool recognise() const;
    void takeTuneInBase();
    void parseStations(QList<ShoutCastStation> &stations, const QString &root);

    bool headerFound_ = false;
    bool tuneInTaken_ = false;
    QString tuneInBase_;
    QByteArray pending_;
    qsizetype slashFrom_ = 0; // "/>" is not in pending_ before this offset
    qint64 received_ = 0;     // bytes received while the header was not found
};
