// ICY metadata on its way from the received bytes to the playing entry's tags.
#include "stream.h"

void RadioStream::appendNetworkBlock(const char *data, size_t length)
{
    transfer_.pending = false;
    hold_.icy.append(hold_.buffer, data, length);
}

void RadioStream::resetIcy()
{
    hold_.icy.reset();
}

std::optional<QString> RadioStream::advanceMetadata(size_t chunk)
{
    return hold_.icy.advance(chunk);
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
