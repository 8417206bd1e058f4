// ICY metadata on its way from the received bytes to the playing entry's tags.
#include "stream.h"

void RadioStream::appendNetworkBlock(const char *data, size_t length)
{
    transfer_.pending = false;
    icy_.append(holdBuffer_, data, length);
}

void RadioStream::resetIcy()
{
    icy_.reset();
}

std::optional<QString> RadioStream::advanceMetadata(size_t chunk)
{
    return icy_.advance(chunk);
}

void RadioStream::publishMetadata(const QString &text)
{
    auto lock = lockPlaylist();
    PlayListItem *item = streamEntry();
    if (!item)
        return;
    item->icyMeta = text;
    itemChanged(item);
}

void RadioStream::itemChanged(PlayListItem *item)
{
    {
        auto lock = lockPlaylist();
        if (item && item == playing()) {
            item->played = true;
            parseIcyTags(*item);
        }
    }
    post(StreamTagsEvent);
}
