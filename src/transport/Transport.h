#pragma once

#include "PlaylistCursor.h"

#include <QObject>
#include <QString>

#include <cstdio>

class PlayListItem;
class RadioStream;
struct WavelarkSettings;

// The repeat indicator's modes, in the order a tap cycles them: off, the
// entry that played, the whole playlist.
enum RepeatMode : int {
    RepeatOff = 0,
    RepeatEntry = 1,
    RepeatAll = 2,
};

// The transport decisions of the player, without widgets: which item plays
// next, and whether a failed stream is tried again or given up. The main
// window drives it and shows the results; the headless driver shares it.
// GUI thread only; the stream's calls take the stream's own locks.
class Transport : public QObject
{
    Q_OBJECT

public:
    // Both must outlive the transport. Diagnostics ("RETRY n/m") go to `log`.
    Transport(RadioStream &stream, const WavelarkSettings &settings, FILE *log = stderr,
              QObject *parent = nullptr);

    // State the window shows and changes.
    bool browseMode() const { return browseMode_; }
    // The selection the display and the browse-mode commands follow.
    Selection selection() const { return browseMode_ ? Selection::Browse : Selection::Playing; }
    void setBrowseMode(bool on) { browseMode_ = on; }
    // 0 no repeat, 1 repeat the current item, 2 repeat all.
    // A RepeatMode.
    int repeatMode() const { return repeatMode_; }
    void setRepeatMode(int mode) { repeatMode_ = mode; }
    bool shuffle() const { return shuffle_; }
    void setShuffle(bool on) { shuffle_ = on; }
    int recallIndex() const { return recallIndex_; }
    void setRecallIndex(int index) { recallIndex_ = index; }
    // The tag the user sorted by last (0 to 5), and its order.
    int sortTag() const { return sortTag_; }
    bool sortReversed() const { return sortReverse_; }
    // The item last made current by a navigation command; never dereferenced here.
    PlayListItem *lastShownItem() const { return lastShownItem_; }
    void setLastShownItem(PlayListItem *item) { lastShownItem_ = item; }

    // Clears the played marks and the retries, then asks the stream to start.
    bool startPlayback();
    // Sets the playing item's retry counter to 0, unless a different item is browsed.
    void resetRetries();
    // automatic: the program advances by itself (an item ended or failed);
    // scan: the scan timer advances.
    void nextItem(bool automatic, bool scan);
    void shuffleNext(bool scan);
    // forcePlaying: step the playing selection even in browse mode.
    void previousItem(bool forcePlaying);
    // A StreamEndedEvent arrived: the program advances to the next entry,
    // which starts with no retries counted.
    void itemEnded();

    // Moves the active selection playListJump items; past either end it
    // stops at the end instead.
    void jump(bool forward);
    // Swaps the playing item with the one remembered; two calls return.
    void recall();
    // Sorts ascending by the next tag, wrapping to the first after the last.
    void sortByNextTag();
    // Sorts by the same tag in the other order.
    void reverseSort();
    // Browse mode's play command: remembers the playing item for recall and
    // makes the browsed item the playing one, stopping the stream unless it
    // already plays that item.
    void playBrowsed();

    enum class ErrorOutcome {
        NotFailed, // the playing item is not marked bad: nothing to do
        Retrying,  // the same remote item started again
        Skipped,   // the next item was chosen (skipBadFiles)
        GaveUp,    // the stream stopped; the window shows the error
    };
    // A StreamErrorEvent arrived: retry a remote item up to streamRetries
    // times, then play the error sound and skip or stop.
    ErrorOutcome streamError();
    // The error text of the item under the active cursor.
    QString activeError();

private:
    void play(const QString &file);
    bool activeIsPlaying();
    bool sortBy(int tag);

    RadioStream &stream_;
    const WavelarkSettings &settings_;
    FILE *log_;
    bool browseMode_ = false;
    int repeatMode_ = RepeatOff;
    bool shuffle_ = false;
    int recallIndex_ = 0;
    int sortTag_ = 0;
    bool sortReverse_ = false;
    PlayListItem *lastShownItem_ = nullptr;
};
