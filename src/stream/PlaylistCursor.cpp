// The playing and browse selections and where the operations move them.
#include "PlaylistCursor.h"

#include <cstdlib>
#include <vector>

void PlaylistCursor::setList(RadioPlayList *list)
{
    list_ = list;
    playing_ = browse_ = nullptr;
}

PlayListItem *PlaylistCursor::selectAtCursor(Selection which)
{
    PlayListItem *entry = list_ ? list_->current() : nullptr;
    select(which, entry);
    return entry;
}

int PlaylistCursor::step(bool forward, Selection which, bool skipBad)
{
    if (!playing_ || !list_)
        return -1;
    const bool browse = which == Selection::Browse;
    PlayListItem *start = browse && browse_ && list_->indexOf(browse_) >= 0 ? browse_ : playing_;
    const int from = list_->indexOf(start);
    if (from < 0)
        return -1;
    const int n = list_->count();
    int index = from;
    do {
        index += forward ? 1 : -1;
    } while (!browse && skipBad && index >= 0 && index < n && list_->at(index)->bad &&
             list_->at(index) != start);
    if (index < 0 || index >= n) {
        if (browse)
            index = forward ? 0 : n - 1;
        else
            index = forward ? n - 1 : 0;
    }
    list_->setCursor(index);
    if (list_->at(index) == start && !browse)
        return -1;
    return index;
}

int PlaylistCursor::currentIndex(Selection which)
{
    if (!list_ || list_->isEmpty())
        return -1;
    if (which == Selection::Playing) {
        const int index = list_->indexOf(playing_);
        if (index >= 0)
            list_->setCursor(index);
        return index;
    }
    const int cursor = list_->cursor();
    const int index = browse_ ? list_->indexOf(browse_) : -1;
    list_->setCursor(cursor);
    if (index >= 0)
        return index;
    browse_ = list_->current();
    return cursor;
}

PlayListItem *PlaylistCursor::currentItem(Selection which)
{
    if (which == Selection::Playing)
        return playing_;
    if (!browse_ || !list_ || list_->indexOf(browse_) < 0)
        browse_ = playing_;
    return browse_;
}

PlayListItem *PlaylistCursor::removalTarget(Selection which) const
{
    if (!list_)
        return nullptr;
    if (which == Selection::Browse && list_->count() >= 2)
        return list_->indexOf(browse_) >= 0 ? browse_ : playing_;
    return list_->current();
}

void PlaylistCursor::clearPlayed()
{
    if (!list_)
        return;
    for (const auto &item : list_->items())
        item->played = false;
}

int PlaylistCursor::shufflePick(bool &reset)
{
    reset = false;
    if (!list_ || list_->cursor() < 0)
        return -1;
    auto collect = [this] {
        std::vector<int> indexes;
        for (int i = 0; i < list_->count(); ++i)
            if (!list_->at(i)->played && !list_->at(i)->bad)
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
    const int cursor = list_->cursor();
    int pick = indexes[size_t(random()) % indexes.size()];
    while (pick == cursor && list_->count() > 1 && indexes.size() > 1)
        pick = indexes[size_t(random()) % indexes.size()];
    list_->setCursor(cursor);
    return pick;
}
