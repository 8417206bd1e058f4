#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// The genre-index parser: bytes of the directory's genre index in pieces of
// any size, genre names out. Pure code; the caller locks.
//
// Until the index is recognised, the pieces are collected: the text so far
// must begin with "<?xml " and hold "<genrelist>". More than 256 bytes
// without it refuse the index. Once recognised, every name="…" gives a
// genre name (duplicates are kept), read as xmlAttributeText. Text that ends
// inside a name waits for the next piece.
//
// Linear in the size of the body: text without a marker is dropped but for
// the few bytes that could begin one, and an open name is searched for its
// closing quote only from where the last search stopped.
class GenreIndexParser
{
public:
    enum class Outcome { Accepted, HeaderFound, Refused };

    // Bytes without the header beyond which an index is refused.
    static constexpr qint64 kHeaderLimit = 256;
    // A name longer than this refuses the index (it never ends).
    static constexpr qsizetype kMaxPending = 1 << 20;

    // One piece; names parsed from it are appended to `names`. HeaderFound
    // (the piece was accepted and completed the header) comes once per index.
    Outcome feed(QByteArrayView piece, QStringList &names);

    void reset() { *this = GenreIndexParser(); }
    void clearPending();

    bool headerFound() const { return headerFound_; }
    qint64 received() const { return received_; }
    qsizetype pendingSize() const { return pending_.size(); }

private:
    void parseNames(QStringList &names);

    bool headerFound_ = false;
    QByteArray pending_;
    qsizetype quoteFrom_ = 0; // an open name has no quote before this offset
    qint64 received_ = 0;     // bytes received while the header was not found
};
