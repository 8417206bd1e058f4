// The six playlist searches: one remembered text, the field chosen by the entry.
#include "Wavelark.h"

#include "stream.h"

void Wavelark::searchPlayList(const QString &title, RadioPlayList::SearchField field)
{
    playListSearch_ = textDialog(title, playListSearch_);
    if (playListSearch_.endsWith(u'\n'))
        playListSearch_.chop(1);
    // An empty text (a cancelled entry) would match the very next item.
    if (!playListSearch_.isEmpty())
        stream->search(playListSearch_, field, transport_->selection());
}

void Wavelark::slotSearchTitle()
{
    searchPlayList(tr("Search playlist title:"), RadioPlayList::SearchField::Title);
}

void Wavelark::slotSearchStreamTitle()
{
    searchPlayList(tr("Search playlist stream title:"), RadioPlayList::SearchField::StreamTitle);
}

void Wavelark::slotSearchArtist()
{
    searchPlayList(tr("Search playlist artist:"), RadioPlayList::SearchField::Artist);
}

void Wavelark::slotSearchAlbum()
{
    searchPlayList(tr("Search playlist album:"), RadioPlayList::SearchField::Album);
}

void Wavelark::slotSearchUrl()
{
    searchPlayList(tr("Search playlist URL:"), RadioPlayList::SearchField::Url);
}

void Wavelark::slotSearchId()
{
    searchPlayList(tr("Search playlist ID:"), RadioPlayList::SearchField::Id);
}
