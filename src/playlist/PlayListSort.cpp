// Sort state, comparison, sorting and searching of RadioPlayList.
#include "RadioPlayList.h"

#include <algorithm>
#include <numeric>

namespace {

const QString &sortText(const PlayListItem &item, RadioPlayList::SortTag tag)
{
    switch (tag) {
    case RadioPlayList::SortTag::Title: return item.title;
    case RadioPlayList::SortTag::StreamTitle: return item.streamTitle;
    case RadioPlayList::SortTag::Genre: return item.genre;
    default: return item.url;
    }
}

bool isTextTag(RadioPlayList::SortTag tag)
{
    return tag != RadioPlayList::SortTag::Id && tag != RadioPlayList::SortTag::Bitrate;
}

const QString &searchText(const PlayListItem &item, RadioPlayList::SearchField field)
{
    switch (field) {
    case RadioPlayList::SearchField::Title: return item.title;
    case RadioPlayList::SearchField::Artist: return item.artist;
    case RadioPlayList::SearchField::Album: return item.album;
    case RadioPlayList::SearchField::StreamTitle: return item.streamTitle;
    default: return item.url;
    }
}

} // namespace

bool RadioPlayList::setSort(int tag, bool reverse)
{
    if (tag < 0 || tag > 5)
        return false;
    sortTag_ = static_cast<SortTag>(tag);
    sortReverse_ = reverse;
    return true;
}

int RadioPlayList::compare(const PlayListItem &a, const PlayListItem &b) const
{
    int result = 0;
    switch (sortTag_) {
    case SortTag::Id: result = a.id > b.id ? 1 : -1; break;
    case SortTag::Bitrate:
        result = a.bitrate == b.bitrate ? 0 : (a.bitrate > b.bitrate ? 1 : -1);
        break;
    case SortTag::Title:
    case SortTag::StreamTitle:
    case SortTag::Genre:
    case SortTag::Url:
        result = sortText(a, sortTag_).toLower().compare(sortText(b, sortTag_).toLower());
        break;
    }
    return sortReverse_ ? -result : result;
}

void RadioPlayList::sort()
{
    const PlayListItem *cur = current();
    const size_t n = items_.size();
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});

    if (isTextTag(sortTag_)) {
        // Same order as compare(), lower-casing each key once instead of per comparison.
        std::vector<QString> keys(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = sortText(*items_[i], sortTag_).toLower();
        std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
            return sortReverse_ ? keys[y] < keys[x] : keys[x] < keys[y];
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
            return x != y && compare(*items_[x], *items_[y]) < 0;
        });
    }

    Items sorted;
    sorted.reserve(n);
    for (size_t i : order)
        sorted.push_back(std::move(items_[i]));
    items_ = std::move(sorted);
    cursor_ = indexOf(cur);
}

int RadioPlayList::find(const QString &text, SearchField field, int from) const
{
    const int n = count();
    if (from < 0 || from >= n)
        from = -1;
    const Qt::CaseSensitivity cs = text != text.toLower() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const int tests = from < 0 ? n : n - 1;
    for (int k = 0; k < tests; ++k) {
        const int i = (from + 1 + k) % n;
        const PlayListItem &item = *items_[static_cast<size_t>(i)];
        const bool match = field == SearchField::Id ? QString::number(item.id) == text
                                                    : searchText(item, field).contains(text, cs);
        if (match)
            return i;
    }
    return -1;
}
