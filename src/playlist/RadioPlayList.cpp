#include "RadioPlayList.h"

#include <algorithm>
#include <numeric>

void RadioPlayList::add(const QString &url, const QString &title)
{
    if (contains(url))
        return;
    const QString shown = title.isNull() ? tr("Unknown Track") : title;
    append(
        std::make_unique<PlayListItem>(url, shown, QString(), QString(), QString(), QString(), 0));
}

std::unique_ptr<PlayListItem> RadioPlayList::appendItem(std::unique_ptr<PlayListItem> item)
{
    if (!item || contains(item->url))
        return item;
    append(std::move(item));
    return nullptr;
}

void RadioPlayList::append(std::unique_ptr<PlayListItem> item)
{
    byUrl_.insert(item->url, item.get());
    items_.push_back(std::move(item));
}

bool RadioPlayList::setItemUrl(PlayListItem *item, const QString &url)
{
    if (!item || indexOf(item) < 0)
        return false;
    if (item->url == url)
        return true;
    if (contains(url))
        return false;
    if (byUrl_.value(item->url) == item)
        byUrl_.remove(item->url);
    item->url = url;
    byUrl_.insert(url, item);
    return true;
}

PlayListItem *RadioPlayList::findUrl(const QString &url) const
{
    PlayListItem *hit = byUrl_.value(url);
    if (!hit || hit->url == url)
        return hit;
    // Someone wrote an entry's url directly: the index is stale.
    rebuildIndex();
    return byUrl_.value(url);
}

void RadioPlayList::rebuildIndex() const
{
    byUrl_.clear();
    for (const auto &item : items_)
        byUrl_.insert(item->url, item.get());
}

void RadioPlayList::reserve(int more)
{
    if (more <= 0)
        return;
    items_.reserve(items_.size() + size_t(more));
    byUrl_.reserve(byUrl_.size() + more);
}

PlayListItem *RadioPlayList::at(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return items_[static_cast<size_t>(index)].get();
}

int RadioPlayList::indexOf(const PlayListItem *item) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

void RadioPlayList::clear()
{
    byUrl_.clear();
    items_.clear();
    cursor_ = -1;
}

std::unique_ptr<PlayListItem> RadioPlayList::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    auto pos = items_.begin() + index;
    std::unique_ptr<PlayListItem> item = std::move(*pos);
    items_.erase(pos);
    auto hit = byUrl_.find(item->url);
    if (hit != byUrl_.end() && hit.value() == item.get())
        byUrl_.erase(hit);
    cursor_ = std::min(index, count() - 1);
    return item;
}

bool RadioPlayList::removeAt(int index)
{
    return takeAt(index) != nullptr;
}

PlayListItem *RadioPlayList::setCursor(int index)
{
    cursor_ = (index >= 0 && index < count()) ? index : -1;
    return current();
}

PlayListItem *RadioPlayList::next()
{
    return cursor_ < 0 ? nullptr : setCursor(cursor_ + 1);
}

PlayListItem *RadioPlayList::prev()
{
    return cursor_ < 0 ? nullptr : setCursor(cursor_ - 1);
}
