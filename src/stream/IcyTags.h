#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class PlayListItem;

// Receives one diagnostic line at a time, without its newline.
using IcyLineSink = std::function<void(const QString &line)>;

// The sink the engine uses: the line and a newline on standard error.
void icyStderrLine(const QString &line);

// Text received from a server: UTF-8 when the bytes are valid UTF-8,
// otherwise Latin-1. Servers send both.
QString icyText(QByteArrayView bytes);

// One Key='value' pair of a metadata text; line is what "ICY HEADER: " shows.
struct IcyPair
{
    QString key;
    QString value;
    QString line;
};

// Splits a metadata text into its pairs. A value ends at the first "';"
// that is followed by the end of the text (trailing blanks allowed) or by
// another Key=' ; so quotes and semicolons inside a title survive. A text
// that is not a run of such pairs is split at ';' instead, each non-empty
// part a pair whose key is StreamTitle or StreamUrl when the part contains
// "StreamTitle='" or "StreamUrl='" (value: what follows, less its last
// character), else empty.
QList<IcyPair> splitIcyMeta(const QString &meta);

// The StreamTitle of a metadata text, trimmed; empty when it names none.
QString icyStreamTitle(QByteArrayView text);

// The metadata interval named by a header line "icy-metaint: N", if the
// header has one: N when it is a non-negative decimal number, else 0.
std::optional<int> icyHeaderMetaint(const QString &header);

// What one parse found.
struct IcyParseResult
{
    bool found = false;         // a tag or the interval was read
    std::optional<int> metaint; // from an icy-metaint header line
};

// Parses the entry's icyMeta and then its icyHeader into its tags and
// clears both (to null): StreamTitle (non-empty) → title, StreamUrl →
// icyUrl; icy-url → icyUrl, icy-genre → genre, icy-name → title and
// streamTitle; icy-metaint → result.metaint, which the engine applies to
// its de-interleaver. Writes the "ICY HEADER: ", "ICY-METAINT: " and, when
// anything was found, the "TITLE: " … "ICYURL: " lines to sink.
// The caller holds playListMutex when item belongs to the active playlist.
IcyParseResult parseIcyTags(PlayListItem &item, const IcyLineSink &sink);
