#pragma once

#include <QString>
#include <QtGlobal>

// One station of a directory station list. Numbers that were not numbers
// in the list are 0.
struct ShoutCastStation
{
    QString name;                // attribute name
    QString genre;               // attribute genre
    QString mimeType;            // attribute mt: the stream's content type
    QString currentTrack;        // attribute ct: playing when the list was made
    QString url;                 // tune-in URL: root + tune-in base + "?id=" + id
    qint32 id = 0;               // attribute id
    quint32 bitrate = 0;         // attribute br, kbit/s
    unsigned long listeners = 0; // attribute lc
};
