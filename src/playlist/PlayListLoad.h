#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// State of one load of playlist text into a RadioPlayList, shared by the
// nested playlists that the load opens.
struct PlayListLoad
{
    // Clear the list just before the first entry that this load adds.
    bool clearPending = false;
    // Playlist files being read, outermost first (canonical paths).
    QStringList reading;
    // Every playlist file read so far; reading one again adds nothing new.
    QSet<QString> seen;
    // Entries in the batch being applied: the room to reserve again after the
    // pending clear, which gives back the room reserved before it.
    int batch = 0;

    // Nested playlists deeper than this are refused: a guard beside the cycle
    // test, e.g. for links that make the same file look different.
    static constexpr int kMaxDepth = 16;
};
