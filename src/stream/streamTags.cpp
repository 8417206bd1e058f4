// ICY metadata on its way from the received bytes to the playing entry's tags.
#include "stream.h"

#include "AudioDevice.h"
#include "IcyTags.h"

namespace {

// What the sound output shows as the song: the title (a station's current
// song, or a file's tag) with its artist, else the station's name, else the
// address.
QString songTitle(const PlayListItem &item)
{
    const QString title = item.title.trimmed(), artist = item.artist.trimmed();
    if (!title.isEmpty())
        return artist.isEmpty() ? title : artist + " - " + title;
    const QString station = item.streamTitle.trimmed();
    return station.isEmpty() ? item.url : station;
}

} // namespace

void RadioStream::itemChanged(PlayListItem *item)
{
    {
        auto lock = lockPlaylist();
        if (item && item == playing()) {
            item->played = true;
            parseIcyTags(*item, icyStderrLine);
            device_->setTitle(songTitle(*item)); // the audio lock comes after this one
        }
    }
    post(StreamTagsEvent);
}
