#pragma once

#include "RadioPlayList.h"

// Which of the two selections an operation moves: the entry that plays (or
// will play), or the entry the user browses to without playing it.
enum class Selection { Playing, Browse };

// The engine's two selections in its active playlist, and the decisions of
// the operations that move them. Plain code without threads: the engine
// guards it with its playlist lock and does what follows from a decision
// (probing an entry, restarting the stream).
//
// Ownership: the cursor does not own the list. The engine installs the list
// it is given and frees the one it replaces only when asked to (a station
// list belongs to its directory genre; see RadioStream::setPlaylist).
class PlaylistCursor
{
public:
    RadioPlayList *list() const { return list_; }
    // Installs the list; both selections are cleared.
    void setList(RadioPlayList *list);

    PlayListItem *selected(Selection which) const
    {
        return which == Selection::Browse ? browse_ : playing_;
    }
    void select(Selection which, PlayListItem *item)
    {
        (which == Selection::Browse ? browse_ : playing_) = item;
    }
    // The entry at the list's cursor becomes the selection; the entry or null.
    PlayListItem *selectAtCursor(Selection which);

    // The index a step lands on, with the list's cursor put there; -1 when
    // nothing moves. Browsing wraps at both ends; playing stops at the ends
    // and, with skipBad, passes over bad entries (it may stop on a bad last
    // or first one).
    int step(bool forward, Selection which, bool skipBad);
    // The selection's index; the list's cursor follows the playing selection.
    // A browse selection that is gone becomes the cursor's entry.
    int currentIndex(Selection which);
    // The browse selection falls back to the playing entry when it is gone.
    PlayListItem *currentItem(Selection which);
    // The entry removeCurrent(which) would remove.
    PlayListItem *removalTarget(Selection which) const;
    // An index for the next shuffled entry among those neither played nor
    // bad; when none is left every entry is made unplayed first (reset).
    // Never the cursor's index while another can be chosen. -1 when none.
    int shufflePick(bool &reset);
    void clearPlayed();

private:
    RadioPlayList *list_ = nullptr;
    PlayListItem *playing_ = nullptr;
    PlayListItem *browse_ = nullptr;
};
