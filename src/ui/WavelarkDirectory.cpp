// The window's face of the station directory: the slots and calls that the
// directory panel carries out.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "WavelarkMarquee.h"

void Wavelark::showDirectoryList(int index, bool newSearch, bool force)
{
    directory_->showList(index, newSearch, force);
}

void Wavelark::runDirectoryAction(int action)
{
    directory_->run(action);
}

void Wavelark::showStationList(RadioPlayList *list, bool fresh)
{
    const int tag = tagMarquee_->currentPage();
    setPlayList(list, false);
    tagMarquee_->showPage(tag);
    if (!fresh)
        return;
    // A station's name is its stream title; the current track (page 0) is
    // mostly empty. The pages are filled by the next tags event, so the
    // wish is kept until then (the marquee may have had none before).
    tagPageWanted_ = 1;
    tagMarquee_->showPage(1);
    postSelf(StreamTagsEvent);
}

void Wavelark::slotShoutCastGenres(QList<ShoutCastGenre> genres, ShoutCast::ShoutCastState state)
{
    directory_->announceGenres(genres, state);
}

void Wavelark::slotShoutCastFetch(ShoutCastGenre *genre, ShoutCast::ShoutCastState state)
{
    directory_->announceFetch(genre, state);
}

void Wavelark::slotShoutCastBlink(bool)
{
    if (stream_)
        directory_->blink();
}

ShoutCast *Wavelark::directory() const
{
    return directory_->client();
}

QComboBox *Wavelark::recentSearchesBox() const
{
    return directory_->recentSearchesBox();
}

QString Wavelark::lastSearchText() const
{
    return directory_->lastSearch();
}

int Wavelark::pendingDirectoryActionForTest() const
{
    return directory_->pendingAction();
}

void Wavelark::setPendingDirectoryActionForTest(int action)
{
    directory_->setPendingAction(action);
}
