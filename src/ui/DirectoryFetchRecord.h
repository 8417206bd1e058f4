#pragma once

class PlayListItem;
class RadioPlayList;

// The main window's record of one directory genre's station list (the
// directory client hands the pointer on and never owns it).
struct DirectoryFetchRecord
{
    RadioPlayList *stationList = nullptr; // the genre's playlist; owned by this record
    int savedIndex = 0;                   // playing index to return to
    PlayListItem *tunedIn = nullptr;      // the item startPlayback tuned in; never dereferenced
    int retries = 0;
};
