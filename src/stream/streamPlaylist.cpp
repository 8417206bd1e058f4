// The playing and browse selections as the engine moves them: the cursor
// decides, the engine probes the entry chosen and restarts the stream.
// Every operation gives up a running probe and stops the workers before it
// takes the playlist lock, and restarts after releasing it: no thread waits
// for another while holding a lock the other takes.
#include "stream.h"

#include "DecoderRegistry.h"
#include "EntrySource.h"

// The list is owned from now on; the old one is freed when deleteOld says
// so (a station list belongs to its directory genre and is not).
void RadioStream::setPlaylist(RadioPlayList *list, bool deleteOld)
{
    stop();
    abandonProbe();
    {
        std::lock_guard lock(playListMutex_);
        RadioPlayList *old = cursor_.list();
        cursor_.setList(list);
        loadedItem_ = nullptr;
        decoders_->releaseStreamUnlessFor(nullptr);
        if (deleteOld && old && old != list)
            delete old;
    }
    selectIndex(0, Selection::Playing);
}

unsigned RadioStream::count()
{
    std::lock_guard lock(playListMutex_);
    return cursor_.list() ? unsigned(cursor_.list()->count()) : 0;
}

// Posted when a browse re-selection or a sort changes what is shown.
void RadioStream::postDisplayRefresh(PlayListItem *item)
{
    itemChanged(item);
    post(StreamFormatEvent);
    post(StreamProgressEvent);
}

// Caller holds playListMutex and has abandoned any probe.
bool RadioStream::selectCurrent(Selection which)
{
    std::lock_guard lock(playListMutex_);
    PlayListItem *entry = cursor_.selectAtCursor(which);
    const bool browse = which == Selection::Browse;
    if (!browse && !isPlaying())
        decoders_->releaseStreamUnlessFor(entry);
    if (!entry)
        return false;
    if (entry != loadedItem_) {
        itemChanged(entry);
        if (!startProbe(entry, which)) {
            if (isPlaying() && !browse && isLocalEntry(playing()))
                post(StreamReadingFileEvent);
            else
                post(StreamFormatEvent);
        }
    } else if (browse) {
        postDisplayRefresh(entry);
    }
    return true;
}

bool RadioStream::step(bool forward, Selection which)
{
    bool restartNeeded;
    bool result;
    abandonProbe();
    {
        std::lock_guard lock(playListMutex_);
        if (cursor_.step(forward, which, settings_.skipBadFiles) < 0)
            return false;
        result = selectCurrent(which);
        restartNeeded = result && which == Selection::Playing && isPlaying();
    }
    if (restartNeeded)
        restart();
    return result;
}

int RadioStream::currentIndex(Selection which)
{
    std::lock_guard lock(playListMutex_);
    return cursor_.currentIndex(which);
}

bool RadioStream::selectIndex(int index, Selection which)
{
    bool restartNeeded;
    bool result;
    abandonProbe();
    {
        std::lock_guard lock(playListMutex_);
        RadioPlayList *list = cursor_.list();
        if (!list)
            return false;
        const int cursor = list->cursor();
        if (!list->setCursor(index)) {
            list->setCursor(cursor);
            return false;
        }
        result = selectCurrent(which);
        restartNeeded =
            result && which == Selection::Playing && isPlaying() && playing() && !playing()->bad;
    }
    if (restartNeeded)
        restart();
    return result;
}

bool RadioStream::selectItem(PlayListItem *item, Selection which)
{
    int index;
    {
        std::lock_guard lock(playListMutex_);
        index = cursor_.list() ? cursor_.list()->indexOf(item) : -1;
    }
    return index >= 0 && selectIndex(index, which);
}

PlayListItem *RadioStream::currentItem(Selection which)
{
    std::lock_guard lock(playListMutex_);
    return cursor_.currentItem(which);
}

bool RadioStream::isBad(Selection which)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = cursor_.selected(which);
    return !item || item->bad;
}

QString RadioStream::itemError(int index, Selection which)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = index == -1      ? cursor_.selected(which)
                               : cursor_.list() ? cursor_.list()->at(index)
                                                : nullptr;
    return item ? item->error : QString();
}

bool RadioStream::removeCurrent(Selection which)
{
    abandonProbe(); // the probe may be reading the entry about to go
    // An entry the workers use is only freed once they have stopped; the
    // stream then starts again on the entry that takes its place.
    bool lastEntry, stopFirst;
    {
        std::lock_guard lock(playListMutex_);
        if (!cursor_.list())
            return false;
        lastEntry = cursor_.list()->count() < 2;
        PlayListItem *doomed = cursor_.removalTarget(which);
        stopFirst =
            lastEntry || (isPlaying() && doomed && (doomed == playing() || doomed == streamItem_));
    }
    const bool restartNeeded = stopFirst && !lastEntry && isPlaying();
    if (stopFirst) {
        restarting_ = restartNeeded;
        stop();
    }
    bool result;
    {
        std::lock_guard lock(playListMutex_);
        RadioPlayList *list = cursor_.list();
        if (lastEntry) {
            list->removeCurrent();
            cursor_.setList(list);
            loadedItem_ = nullptr;
            return false;
        }
        PlayListItem *removed = cursor_.removalTarget(which);
        list->setCursor(list->indexOf(removed));
        const bool removingPlaying = removed && removed == playing();
        if (removed == loadedItem_)
            loadedItem_ = nullptr;
        if (removed == cursor_.selected(Selection::Browse))
            cursor_.select(Selection::Browse, nullptr);
        list->removeCurrent();
        if (removingPlaying)
            cursor_.select(Selection::Playing,
                           which == Selection::Browse ? list->current() : nullptr);
        result = selectCurrent(which);
    }
    if (restartNeeded)
        start();
    return result;
}

bool RadioStream::appendItem(std::unique_ptr<PlayListItem> item)
{
    std::lock_guard lock(playListMutex_);
    RadioPlayList *list = cursor_.list();
    if (!item || !list)
        return false;
    const int cursor = list->cursor();
    list->appendItem(std::move(item));
    list->setCursor(cursor);
    return true;
}

int RadioStream::savePlaylist(const QString &path)
{
    std::lock_guard lock(playListMutex_);
    return cursor_.list() ? cursor_.list()->save(path) : 22;
}

void RadioStream::clearPlayed()
{
    std::lock_guard lock(playListMutex_);
    cursor_.clearPlayed();
}

int RadioStream::shufflePick(bool &reset)
{
    std::lock_guard lock(playListMutex_);
    return cursor_.shufflePick(reset);
}

bool RadioStream::sortPlaylist(RadioPlayList::SortTag tag, bool reverse)
{
    bool result;
    {
        std::lock_guard lock(playListMutex_);
        RadioPlayList *list = cursor_.list();
        if (!list)
            return false;
        result = list->setSort(int(tag), reverse);
        list->sort();
    }
    postDisplayRefresh(nullptr);
    return result;
}

RadioPlayList::SortTag RadioStream::sortTag()
{
    std::lock_guard lock(playListMutex_);
    return cursor_.list() ? cursor_.list()->sortTag() : RadioPlayList::SortTag::Id;
}

bool RadioStream::sortReverse()
{
    std::lock_guard lock(playListMutex_);
    return cursor_.list() && cursor_.list()->sortReverse();
}

bool RadioStream::search(const QString &text, RadioPlayList::SearchField field, Selection which)
{
    int found;
    {
        std::lock_guard lock(playListMutex_);
        RadioPlayList *list = cursor_.list();
        if (!list)
            return false;
        found = list->find(text, field, list->cursor());
    }
    return found >= 0 && selectIndex(found, which);
}

void RadioStream::inspectItem(Selection which, const std::function<void(const PlayListItem *)> &fn)
{
    std::lock_guard lock(playListMutex_);
    fn(cursor_.selected(which));
}

void RadioStream::inspectList(const std::function<void(const RadioPlayList &)> &fn)
{
    std::lock_guard lock(playListMutex_);
    static const RadioPlayList none;
    fn(cursor_.list() ? *cursor_.list() : none);
}
