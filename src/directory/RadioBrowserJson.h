#pragma once

#include "shoutCastStation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The community station service's answers, read whole with Qt's JSON
// classes. Pure code. A failed read gives false and one sentence for the
// user in `error` (translated, context "ShoutCast"): a body cut off, a web
// page where data was expected, or anything else that is not a JSON array.
namespace radiobrowser {

// The largest body read: a few hundred stations take well under a
// megabyte; a body past this is no answer of the service.
constexpr qsizetype kMaxBody = 8 << 20;

// Collects a body up to a cap.
class BodyCollector
{
public:
    explicit BodyCollector(qsizetype cap = kMaxBody) : cap_(cap) {}
    // False (and nothing kept) once the body grows past the cap.
    bool append(QByteArrayView piece);
    bool overflowed() const { return overflowed_; }
    const QByteArray &body() const { return body_; }
    // The sentence for a body past the cap.
    QString overflowText() const;

private:
    qsizetype cap_;
    QByteArray body_;
    bool overflowed_ = false;
};

// /json/tags: an array of objects with "name". Each name, spaces collapsed,
// once (the first time it appears); empty names are skipped.
bool readTags(QByteArrayView body, QStringList &names, QString &error);

// /json/stations/...: an array of station objects. A station becomes an
// entry when it has a stream address (url_resolved, else url) of http or
// https; the first of several with the same address or the same id is kept.
// name (the address when empty), tags as the genre, codec as the MIME type,
// bitrate, clickcount as listeners, stationuuid as uuid; fields missing or of
// the wrong type are empty or 0.
bool readStations(QByteArrayView body, QList<ShoutCastStation> &stations, QString &error);

// The MIME type of a codec name of the service ("MP3", "AAC+", "OGG"…);
// empty when unknown.
QString codecMimeType(const QString &codec);

} // namespace radiobrowser
