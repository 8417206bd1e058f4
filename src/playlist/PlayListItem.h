#pragma once

#include <wavelark/decoder.h>

#include <QString>

#include <cstdint>
#include <optional>

// One playlist entry: a location and what the player learns about it.
//
// All fields are public to the stream engine and the user interface. An entry
// that belongs to the active playlist is read and written only under the
// engine's playListMutex; any other entry belongs to one thread at a time.
// Change the `url` of an entry that sits in a list through
// RadioPlayList::setItemUrl, which keeps the list's duplicate rule.
class PlayListItem
{
public:
    // The eight values in their fixed order. Any thread may create entries.
    PlayListItem(const QString &url, const QString &title, const QString &artist,
                 const QString &album, const QString &genre, const QString &streamTitle,
                 int32_t bitrate = 0, std::optional<int> retryCounter = std::nullopt);

    // A copy is a new entry: same url, title, artist, album, genre, stream title,
    // bitrate and codec, a new id, no retry counter, everything else at its start value.
    PlayListItem(const PlayListItem &other);
    PlayListItem &operator=(const PlayListItem &) = delete;

    // Takes a decoder module's record. Null: no information (zeroed record, null
    // format). Otherwise the record is copied and its title/artist/album texts,
    // where not null, replace ours. The stored copy keeps no pointers: the texts
    // belong to the module and die with its next call.
    void setStreamInfo(const DecoderInfo *info);

    QString url;
    QString title;
    QString streamTitle;
    QString artist;
    QString album;
    QString genre;
    bool bad = false;
    DecoderInfo streamInfo{};
    bool streamInfoValid = false;
    QString format;
    QString icyHeader;
    QString icyMeta;
    QString icyUrl;
    bool played = false;
    QString error;
    // Unique in the process, never reused; 1 for the first entry created.
    const uint32_t id;
    int32_t bitrate = 0; // kbit/s, 0 until reported
    // What the directory said the station sends ("MP3", "AAC"); empty otherwise.
    QString codec;
    // Reconnection attempts; created at the first retry by the main window.
    std::optional<int> retryCounter;
};
