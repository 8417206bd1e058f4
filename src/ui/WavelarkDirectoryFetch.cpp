// What the directory client announces on the stream's read thread, and the
// two events that carry it to the GUI thread: a station list to show, and
// a failed request.
#include "Wavelark.h"

#include "EventHandOff.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QCoreApplication>

#include <algorithm>

#include <cstdio>

namespace {

std::unique_ptr<PlayListItem> stationItem(const ShoutCastStation &station)
{
    return std::make_unique<PlayListItem>(station.url, station.currentTrack, QString(), QString(),
                                          station.genre, station.name,
                                          static_cast<int32_t>(station.bitrate));
}

} // namespace

void Wavelark::checkDirectoryIdle()
{
    if (stream && stream->fetchCount() == 0)
        directoryIndicator->stopAndBlank();
}

// Read thread: the indicator is a widget, so the check runs on the GUI thread.
void Wavelark::queueDirectoryIdleCheck()
{
    auto *event = new QEvent(QEvent::Type(DirectoryIdleEvent));
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(this, event);
}

void Wavelark::slotShoutCastBlink(bool)
{
    if (!stream)
        return;
    const unsigned fetches = stream->fetchCount();
    if (fetches == 0)
        directoryIndicator->stopAndBlank();
    else
        directoryIndicator->setText(QString::number(fetches));
}

void Wavelark::slotShoutCastGenres(QList<ShoutCastGenre> genres, ShoutCast::ShoutCastState state)
{
    queueDirectoryIdleCheck();
    if (state == ShoutCast::StateError)
        return;
    if (!ShoutCast::writeGenreCache(genreCachePath_, genres))
        QMetaObject::invokeMethod(
            this, [this] { showErrorDialog(tr("Could not open file for writing.")); },
            Qt::QueuedConnection);
    if (state != ShoutCast::StateDone)
        return;
    // The first entry is the search results, not a genre.
    const qsizetype count = std::max<qsizetype>(genres.size() - 1, 0);
    QMetaObject::invokeMethod(
        this, [this, count] { showStatusNote(tr("Genre index: %1 genres").arg(count)); },
        Qt::QueuedConnection);
}

// Turns the stations not yet handled into items and posts them; the item
// limit cancels the fetch (the client stops it when this returns).
void Wavelark::slotShoutCastFetch(ShoutCastGenre *genre, ShoutCast::ShoutCastState state)
{
    queueDirectoryIdleCheck();
    DirectoryFetchRecord *record = genre->fetchRecord;
    if (genre->stations.isEmpty() || !record)
        return;
    record->state = state;
    if (state != ShoutCast::StateBegin && state != ShoutCast::StateData)
        return;
    auto piece = std::make_unique<StationListPiece>();
    piece->begin = state == ShoutCast::StateBegin;
    if (piece->begin)
        record->handled = 0;
    for (qsizetype i = record->handled; i < genre->stations.size(); ++i) {
        if (record->itemLimit != 0 && record->handled >= record->itemLimit) {
            genre->state = ShoutCast::StateCancelled;
            break;
        }
        piece->items.push_back(stationItem(genre->stations[i]));
        ++record->handled;
    }
    if (!piece->begin && piece->items.empty())
        return;
    const int pieceState = piece->begin ? ShoutCast::StateBegin : ShoutCast::StateData;
    auto *event = new StationListEventData(record, pieceState, std::move(piece));
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(this, event);
}

void Wavelark::onStationList(QEvent *event)
{
    auto *stationEvent = static_cast<StationListEventData *>(event);
    DirectoryFetchRecord *record = stationEvent->record();
    StationListPiece *piece = stationEvent->piece();
    if (!piece) {
        installStationList(record, stationEvent->state());
        return;
    }
    bool current;
    {
        auto lock = shoutCast->lock();
        if (record->discarded)
            return;
        current = currentGenre && currentGenre->fetchRecord == record;
    }
    mergeStationPiece(record, *piece);
    if (current && piece->begin)
        installStationList(record, ShoutCast::StateBegin);
    else if (current)
        postSelf(StreamTagsEvent);
}

// A first piece starts the genre's new list (the old one is freed unless it
// is in use); a later piece is added to the list, wherever it is.
void Wavelark::mergeStationPiece(DirectoryFetchRecord *record, StationListPiece &piece)
{
    if (piece.begin) {
        auto *fresh = new RadioPlayList;
        for (auto &item : piece.items)
            fresh->appendItem(std::move(item));
        RadioPlayList *old;
        {
            auto lock = shoutCast->lock();
            old = std::exchange(record->stationList, fresh);
        }
        if (old && old != stream->playlist())
            delete old;
        return;
    }
    RadioPlayList *list;
    {
        auto lock = shoutCast->lock();
        list = record->stationList;
    }
    if (list && list == stream->playlist()) {
        for (auto &item : piece.items)
            stream->appendItem(std::move(item));
    } else if (list) {
        const int cursor = list->cursor();
        for (auto &item : piece.items)
            list->appendItem(std::move(item));
        list->setCursor(cursor);
    }
}

// state 0: a list just fetched; 4: a kept list shown again. Both return to
// the saved position.
void Wavelark::installStationList(DirectoryFetchRecord *record, int state)
{
    RadioPlayList *list;
    int saved;
    {
        auto lock = shoutCast->lock();
        list = record->discarded ? nullptr : record->stationList;
        saved = record->savedIndex;
    }
    if (!list)
        return;
    RadioPlayList *old = stream->playlist();
    const int tag = tagMarquee->currentPage();
    setPlayList(list, false);
    tagMarquee->showPage(tag);
    // A station's name is its stream title; the current track (page 0) is
    // mostly empty. The pages are filled by the next tags event, so the
    // wish is kept until then (the marquee may have had none before).
    if (state == ShoutCast::StateBegin || state == ShoutCast::StateDone) {
        tagPageWanted_ = 1;
        tagMarquee->showPage(1);
        postSelf(StreamTagsEvent);
    }
    // The list shown before goes unless a genre keeps it (a genre's list
    // comes back when chosen again).
    if (old && old != list && !ownedByGenre(old))
        delete old;
    if (state == ShoutCast::StateBegin || state == ShoutCast::StateDone)
        stream->selectIndex(saved, Selection::Playing);
}

void Wavelark::onDirectoryError(QEvent *event)
{
    auto *failure = static_cast<DirectoryErrorEventData *>(event);
    checkDirectoryIdle();
    std::fprintf(stderr, "SC ERROR %s\n", failure->text().toLocal8Bit().constData());
    if (!retryDirectory(failure->genre()))
        showErrorDialog(directoryErrorText(failure->genre(), failure->text()));
}
