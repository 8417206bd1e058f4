#pragma once

#include "PlayListFormat.h"

#include <QByteArrayView>
#include <QString>

#include <vector>

// The playlist readers as pure functions: bytes in, what to add out. No file
// or list is touched; RadioPlayList applies the result.

struct ParsedEntry
{
    enum class Kind {
        Entry,    // add `location` with `title` (null title: none given)
        Location, // classify `location` like a typed location (URL, file, nested playlist)
    };
    Kind kind = Kind::Entry;
    QString location;
    QString title;
};

// Length of a case-insensitive match of "^<key>[0-9]*[ ]*=[ ]*" at the start
// of a simplified line, or -1. `key` is lower-case ASCII ("file", "title", ...).
qsizetype matchPlsKey(const QString &line, QLatin1StringView key);

// Length of a case-insensitive match of "^#EXTINF:[-0-9]*," or -1.
qsizetype matchExtinf(const QString &line);

// Everything a playlist text asks for, in order.
std::vector<ParsedEntry> parsePlayList(QByteArrayView text, PlayListFormat format);
