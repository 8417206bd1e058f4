#pragma once

#include <QString>
#include <QtGlobal>

// One station of a directory station list. Numbers that were not numbers
// in the list are 0. From the community station service: url is the stream
// itself, mimeType comes from the codec, listeners is the click count, id is
// 0 and uuid names the station for the click call.
struct ShoutCastStation
{
    QString name;                // attribute name
    QString genre;               // attribute genre
    QString mimeType;            // attribute mt: the stream's content type
    QString currentTrack;        // attribute ct: playing when the list was made
    QString url;                 // tune-in URL: root + tune-in base + "?id=" + id
    QString uuid;                // the service's station id; empty from the XML directory
    qint32 id = 0;               // attribute id
    quint32 bitrate = 0;         // attribute br, kbit/s
    unsigned long listeners = 0; // attribute lc
};
