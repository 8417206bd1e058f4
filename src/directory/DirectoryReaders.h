#pragma once

#include "shoutCastStation.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The readers of the directory's answers, one per answer, fed the pieces of
// its transfer as they arrive. A source streams its format piece by piece or
// collects the body and reads it whole in finish(). Pure code; the client
// locks.

class GenreIndexReader
{
public:
    enum class Outcome {
        Accepted,    // nothing more to do, or names to append
        ListStarted, // recognised: the client starts a new list, then appends the names
        Refused,     // not an index; see refusal()
    };

    virtual ~GenreIndexReader() = default;
    // Names read from the piece are appended to `names`.
    virtual Outcome feed(QByteArrayView piece, QStringList &names) = 0;
    // The transfer ended without error.
    virtual Outcome finish(QStringList &names) = 0;
    // Why the answer was refused, one sentence for the user; empty when the
    // client's own text says it all.
    virtual QString refusal() const = 0;
};

class StationListReader
{
public:
    enum class Outcome {
        Accepted, // stations appended (the list cleared first when it was just recognised)
        Listed,   // finish() only: the whole list has just replaced `stations`
        Refused,
    };

    virtual ~StationListReader() = default;
    virtual Outcome feed(QByteArrayView piece, QList<ShoutCastStation> &stations) = 0;
    virtual Outcome finish(QList<ShoutCastStation> &stations) = 0;
    // Pieces so far were recognised as a station list.
    virtual bool listStarted() const = 0;
    virtual QString refusal() const = 0;
};
