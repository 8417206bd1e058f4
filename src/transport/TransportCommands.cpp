// The user's own moves through the playlist: previous, jumps, recall, sort
// and playing the browsed item.
#include "Transport.h"

#include "RadioPlayList.h"
#include "WavelarkSettings.h"
#include "stream.h"

void Transport::previousItem(bool forcePlaying)
{
    const Selection which = forcePlaying ? Selection::Playing : selection();
    const bool skipBad = stream_.settings().skipBadFiles;
    bool stepped = stream_.step(false, which);
    while (stepped && !browseMode_ && skipBad && stream_.isBad(Selection::Playing))
        stepped = stream_.step(false, which);
    if (!stepped && (settings_.cyclicPlayList || browseMode_)) {
        const int last = int(stream_.count()) - 1;
        if (stream_.selectIndex(last, which) && !browseMode_ && skipBad &&
            stream_.isBad(Selection::Playing))
            stream_.step(false, which);
    }
    lastShownItem_ = stream_.currentItem(which);
}

void Transport::jump(bool forward)
{
    const Selection which = selection();
    const int index = stream_.currentIndex(which);
    const int target = forward ? index + settings_.playListJump : index - settings_.playListJump;
    if (!stream_.selectIndex(target, which))
        stream_.selectIndex(forward ? int(stream_.count()) - 1 : 0, which);
}

void Transport::recall()
{
    const int playing = stream_.currentIndex(Selection::Playing);
    if (playing == recallIndex_)
        return;
    stream_.selectIndex(recallIndex_, Selection::Playing);
    recallIndex_ = playing;
}

bool Transport::sortBy(int tag)
{
    return stream_.sortPlaylist(RadioPlayList::SortTag(tag), sortReverse_);
}

void Transport::sortByNextTag()
{
    // Ascending, whatever the reverse flag says; the flag itself is kept.
    ++sortTag_;
    if (!stream_.sortPlaylist(RadioPlayList::SortTag(sortTag_), false)) {
        sortTag_ = 0;
        stream_.sortPlaylist(RadioPlayList::SortTag::Id, false);
    }
}

void Transport::reverseSort()
{
    sortReverse_ = !sortReverse_;
    if (!sortBy(sortTag_)) {
        --sortTag_;
        sortBy(sortTag_);
    }
}

void Transport::playBrowsed()
{
    recallIndex_ = stream_.currentIndex(Selection::Playing);
    PlayListItem *browsed = stream_.currentItem(Selection::Browse);
    if (browsed != stream_.currentItem(Selection::Playing) || !stream_.isPlaying()) {
        if (stream_.isPlaying())
            stream_.stop();
        stream_.selectItem(browsed, Selection::Playing);
    }
}
