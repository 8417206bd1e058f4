// The playing and browse selections and the operations that move them.
#include "stream.h"

#include <cstdlib>

// The workers are stopped and the probe joined before the lock is taken: no
// thread waits for another while holding a lock the other takes.
void RadioStream::setPlaylist(RadioPlayList *list, bool deleteOld)
{
    stop();
    abandonProbe();
    {
        std::lock_guard lock(playListMutex_);
        RadioPlayList *old = playlist_;
        playlist_ = list;
        browseItem_ = loadedItem_ = playingItem_ = nullptr;
        releaseForeignDecoder(nullptr);
        if (deleteOld && old && old != list)
            delete old;
    }
    selectIndex(0, false);
}

unsigned RadioStream::count()
{
    std::lock_guard lock(playListMutex_);
    return playlist_ ? unsigned(playlist_->count()) : 0;
}

// Posted when a browse re-selection or a sort changes what is shown.
void RadioStream::postDisplayRefresh(PlayListItem *item)
{
    itemChanged(item);
    post(StreamFormatEvent);
    post(StreamProgressEvent);
}

// Caller holds playListMutex and has abandoned any probe.
bool RadioStream::selectCurrent(bool browse)
{
    std::lock_guard lock(playListMutex_);
    PlayListItem *entry = playlist_ ? playlist_->current() : nullptr;
    (browse ? browseItem_ : playingItem_) = entry;
    if (!browse && !isPlaying())
        releaseForeignDecoder(entry);
    if (!entry)
        return false;
    if (entry != loadedItem_) {
        itemChanged(entry);
        if (!startProbe(entry, browse)) {
            if (isPlaying() && !browse && isLocalItem(playingItem_))
                post(StreamReadingFileEvent);
            else
                post(StreamFormatEvent);
        }
    } else if (browse) {
        postDisplayRefresh(entry);
    }
    return true;
}

bool RadioStream::step(bool forward, bool browse)
{
    bool restartNeeded = false;
    bool result;
    abandonProbe();
    {
        std::lock_guard lock(playListMutex_);
        if (!playingItem_ || !playlist_)
            return false;
        PlayListItem *start = browse && browseItem_ && playlist_->indexOf(browseItem_) >= 0
                                  ? browseItem_
                                  : playingItem_;
        const int from = playlist_->indexOf(start);
        if (from < 0)
            return false;
        const int n = playlist_->count();
        int index = from;
        do {
            index += forward ? 1 : -1;
        } while (!browse && skipBadFiles_ && index >= 0 && index < n &&
                 playlist_->at(index)->bad && playlist_->at(index) != start);
        if (index < 0 || index >= n) {
            if (browse)
                index = forward ? 0 : n - 1;
            else
                index = forward ? n - 1 : 0;
        }
        playlist_->setCursor(index);
        if (playlist_->at(index) == start && !browse)
            return false;
        result = selectCurrent(browse);
        restartNeeded = result && !browse && isPlaying();
    }
    if (restartNeeded)
        restart();
    return result;
}

int RadioStream::currentIndex(bool browse)
{
    std::lock_guard lock(playListMutex_);
    if (!playlist_ || playlist_->isEmpty())
        return -1;
    if (!browse) {
        const int index = playlist_->indexOf(playingItem_);
        if (index >= 0)
            playlist_->setCursor(index);
        return index;
    }
    const int cursor = playlist_->cursor();
    const int index = browseItem_ ? playlist_->indexOf(browseItem_) : -1;
    playlist_->setCursor(cursor);
    if (index >= 0)
        return index;
    browseItem_ = playlist_->current();
    return cursor;
}

bool RadioStream::selectIndex(int index, bool browse)
{
    bool restartNeeded = false;
    bool result;
    abandonProbe();
    {
        std::lock_guard lock(playListMutex_);
        if (!playlist_)
            return false;
        const int cursor = playlist_->cursor();
        if (!playlist_->setCursor(index)) {
            playlist_->setCursor(cursor);
            return false;
        }
        result = selectCurrent(browse);
        restartNeeded = result && !browse && isPlaying() && playingItem_ && !playingItem_->bad;
    }
    if (restartNeeded)
        restart();
    return result;
}

bool RadioStream::selectItem(PlayListItem *item, bool browse)
{
    int index;
    {
        std::lock_guard lock(playListMutex_);
        index = playlist_ ? playlist_->indexOf(item) : -1;
    }
    return index >= 0 && selectIndex(index, browse);
}

PlayListItem *RadioStream::currentItem(bool browse)
{
    std::lock_guard lock(playListMutex_);
    if (!browse)
        return playingItem_;
    if (!browseItem_ || !playlist_ || playlist_->indexOf(browseItem_) < 0)
        browseItem_ = playingItem_;
    return browseItem_;
}

bool RadioStream::isBad(bool browse)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = selected(browse);
    return !item || item->bad;
}

QString RadioStream::itemError(int index, bool browse)
{
    std::lock_guard lock(playListMutex_);
    if (index == -1) {
        const PlayListItem *item = selected(browse);
        return item ? item->error : QString();
    }
    const PlayListItem *item = playlist_ ? playlist_->at(index) : nullptr;
    return item ? item->error : QString();
}

// Caller holds playListMutex: the entry removeCurrent(browse) would remove.
PlayListItem *RadioStream::removalTarget(bool browse) const
{
    if (!playlist_)
        return nullptr;
    if (browse && playlist_->count() >= 2)
        return playlist_->indexOf(browseItem_) >= 0 ? browseItem_ : playingItem_;
    return playlist_->current();
}

bool RadioStream::removeCurrent(bool browse)
{
    abandonProbe(); // the probe may be reading the entry about to go
    // An entry the workers use is only freed once they have stopped; the
    // stream then starts again on the entry that takes its place.
    bool lastEntry, stopFirst;
    {
        std::lock_guard lock(playListMutex_);
        if (!playlist_)
            return false;
        lastEntry = playlist_->count() < 2;
        PlayListItem *doomed = removalTarget(browse);
        stopFirst = lastEntry || (isPlaying() && doomed && (doomed == playingItem_ || doomed == streamItem_));
    }
    const bool restartNeeded = stopFirst && !lastEntry && isPlaying();
    if (stopFirst) {
        restarting_ = restartNeeded;
        stop();
    }
    bool result;
    {
        std::lock_guard lock(playListMutex_);
        if (lastEntry) {
            playlist_->removeCurrent();
            browseItem_ = playingItem_ = loadedItem_ = nullptr;
            return false;
        }
        PlayListItem *removed = removalTarget(browse);
        playlist_->setCursor(playlist_->indexOf(removed));
        const bool removingPlaying = removed && removed == playingItem_;
        if (removed == loadedItem_)
            loadedItem_ = nullptr;
        if (removed == browseItem_)
            browseItem_ = nullptr;
        playlist_->removeCurrent();
        if (removingPlaying)
            playingItem_ = browse ? playlist_->current() : nullptr;
        result = selectCurrent(browse);
    }
    if (restartNeeded)
        start();
    return result;
}

bool RadioStream::appendItem(std::unique_ptr<PlayListItem> item)
{
    std::lock_guard lock(playListMutex_);
    if (!item || !playlist_)
        return false;
    const int cursor = playlist_->cursor();
    playlist_->appendItem(std::move(item));
    playlist_->setCursor(cursor);
    return true;
}

int RadioStream::savePlaylist(const QString &path)
{
    std::lock_guard lock(playListMutex_);
    return playlist_ ? playlist_->save(path) : 22;
}

void RadioStream::clearPlayed()
{
    std::lock_guard lock(playListMutex_);
    if (!playlist_)
        return;
    for (const auto &item : playlist_->items())
        item->played = false;
}

int RadioStream::shufflePick(bool &reset)
{
    std::lock_guard lock(playListMutex_);
    reset = false;
    if (!playlist_ || playlist_->cursor() < 0)
        return -1;
    auto collect = [this] {
        std::vector<int> indexes;
        for (int i = 0; i < playlist_->count(); ++i)
            if (!playlist_->at(i)->played && !playlist_->at(i)->bad)
                indexes.push_back(i);
        return indexes;
    };
    std::vector<int> indexes = collect();
    if (indexes.empty()) {
        reset = true;
        clearPlayed();
        indexes = collect();
    }
    if (indexes.empty())
        return -1;
    const int cursor = playlist_->cursor();
    int pick = indexes[size_t(random()) % indexes.size()];
    while (pick == cursor && playlist_->count() > 1 && indexes.size() > 1)
        pick = indexes[size_t(random()) % indexes.size()];
    playlist_->setCursor(cursor);
    return pick;
}

bool RadioStream::sortPlaylist(int tag, bool reverse)
{
    bool result;
    {
        std::lock_guard lock(playListMutex_);
        if (!playlist_)
            return false;
        result = playlist_->setSort(tag, reverse);
        playlist_->sort();
    }
    postDisplayRefresh(nullptr);
    return result;
}

RadioPlayList::SortTag RadioStream::sortTag()
{
    std::lock_guard lock(playListMutex_);
    return playlist_ ? playlist_->sortTag() : RadioPlayList::SortTag::Id;
}

bool RadioStream::sortReverse()
{
    std::lock_guard lock(playListMutex_);
    return playlist_ && playlist_->sortReverse();
}

bool RadioStream::search(const QString &text, int field, bool browse)
{
    int found;
    {
        std::lock_guard lock(playListMutex_);
        if (!playlist_ || field < 0 || field > 5)
            return false;
        found = playlist_->find(text, RadioPlayList::SearchField(field), playlist_->cursor());
    }
    return found >= 0 && selectIndex(found, browse);
}

void RadioStream::inspectItem(bool browse, const std::function<void(const PlayListItem *)> &fn)
{
    std::lock_guard lock(playListMutex_);
    fn(selected(browse));
}
