#pragma once

#include "shoutCast.h"

class PlayListItem;
class RadioPlayList;

// The record that the directory client's user (the main window) keeps of
// one genre's station list; the client hands the pointer on and never owns
// it. Its fields are guarded by the directory client's lock: the read
// thread writes them inside the client's announcements.
struct DirectoryFetchRecord
{
    RadioPlayList *stationList = nullptr; // the genre's playlist; owned by this record
    int savedIndex = 0;                   // playing index to return to
    PlayListItem *tunedIn = nullptr;      // the item startPlayback tuned in; never dereferenced
    int retries = 0;
    int itemLimit = 0; // stations taken from one fetch at most; 0 no limit
    ShoutCast::ShoutCastState state = ShoutCast::StateBegin; // the last announced
    int handled = 0;        // stations of the running fetch already turned into items
    bool discarded = false; // the genre let go of it (index refreshed)
};
