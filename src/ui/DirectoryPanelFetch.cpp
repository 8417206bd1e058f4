// What the directory client announces on the stream's read thread, and the
// two events that carry it to the GUI thread: a station list to show, and
// a failed request.
#include "DirectoryPanel.h"

#include "DirectoryErrorEvent.h"
#include "DirectoryFetchRecord.h"
#include "DirectoryText.h"
#include "EventHandOff.h"
#include "StationListEventData.h"
#include "Wavelark.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QCoreApplication>

#include <algorithm>

#include <cstdio>

namespace {

std::unique_ptr<PlayListItem> stationItem(const ShoutCastStation &station)
{
    auto item = std::make_unique<PlayListItem>(station.url, station.currentTrack, QString(),
                                               QString(), station.genre, station.name,
                                               static_cast<int32_t>(station.bitrate));
    item->codec = codecName(station.mimeType);
    return item;
}

} // namespace

void DirectoryPanel::checkIdle()
{
    if (stream_.fetchCount() == 0)
        window_.directoryIndicatorWidget()->stopAndBlank();
}

// Read thread: the indicator is a widget, so the check runs on the GUI thread.
void DirectoryPanel::queueIdleCheck()
{
    auto *event = new QEvent(QEvent::Type(DirectoryIdleEvent));
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(&window_, event);
}

void DirectoryPanel::blink()
{
    WavelarkBlink *indicator = window_.directoryIndicatorWidget();
    const unsigned fetches = stream_.fetchCount();
    if (fetches == 0)
        indicator->stopAndBlank();
    else
        indicator->setText(QString::number(fetches));
}

void DirectoryPanel::announceGenres(const QList<ShoutCastGenre> &genres,
                                    ShoutCast::ShoutCastState state)
{
    queueIdleCheck();
    if (state == ShoutCast::StateError)
        return;
    if (!ShoutCast::writeGenreCache(genreCachePath_, genres))
        QMetaObject::invokeMethod(
            &window_, [this] { window_.showErrorDialog(tr("Could not open file for writing.")); },
            Qt::QueuedConnection);
    if (state != ShoutCast::StateDone)
        return;
    // The first entry is the search results, not a genre.
    const qsizetype count = std::max<qsizetype>(genres.size() - 1, 0);
    QMetaObject::invokeMethod(
        &window_,
        [this, count] { window_.showStatusNote(tr("Genre index: %1 genres").arg(count)); },
        Qt::QueuedConnection);
}

// Turns the stations not yet handled into items and posts them; the item
// limit cancels the fetch (the client stops it when this returns).
void DirectoryPanel::announceFetch(ShoutCastGenre *genre, ShoutCast::ShoutCastState state)
{
    queueIdleCheck();
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
    const ShoutCast::ShoutCastState pieceState =
        piece->begin ? ShoutCast::StateBegin : ShoutCast::StateData;
    auto *event = new StationListEventData(record, pieceState, std::move(piece));
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(&window_, event);
}

void DirectoryPanel::onStationList(QEvent *event)
{
    auto *stationEvent = static_cast<StationListEventData *>(event);
    DirectoryFetchRecord *record = stationEvent->record();
    StationListPiece *piece = stationEvent->piece();
    if (!piece) {
        installList(record, stationEvent->state());
        return;
    }
    bool current;
    {
        auto lock = client_->lock();
        if (record->discarded)
            return;
        current = currentGenre_ && currentGenre_->fetchRecord == record;
    }
    mergePiece(record, *piece);
    if (current && piece->begin)
        installList(record, ShoutCast::StateBegin);
    else if (current)
        window_.postSelf(StreamTagsEvent);
}

// A first piece starts the genre's new list (the old one is freed unless it
// is in use); a later piece is added to the list, wherever it is.
void DirectoryPanel::mergePiece(DirectoryFetchRecord *record, StationListPiece &piece)
{
    if (piece.begin) {
        auto *fresh = new RadioPlayList;
        for (auto &item : piece.items)
            fresh->appendItem(std::move(item));
        RadioPlayList *old;
        {
            auto lock = client_->lock();
            old = std::exchange(record->stationList, fresh);
        }
        if (old && old != stream_.playlist())
            delete old;
        return;
    }
    RadioPlayList *list;
    {
        auto lock = client_->lock();
        list = record->stationList;
    }
    if (list && list == stream_.playlist()) {
        for (auto &item : piece.items)
            stream_.appendItem(std::move(item));
    } else if (list) {
        const int cursor = list->cursor();
        for (auto &item : piece.items)
            list->appendItem(std::move(item));
        list->setCursor(cursor);
    }
}

// StateBegin: a list just fetched; StateDone: a kept list shown again. Both
// return to the saved position.
void DirectoryPanel::installList(DirectoryFetchRecord *record, ShoutCast::ShoutCastState state)
{
    RadioPlayList *list;
    int saved;
    {
        auto lock = client_->lock();
        list = record->discarded ? nullptr : record->stationList;
        saved = record->savedIndex;
    }
    if (!list)
        return;
    RadioPlayList *old = stream_.playlist();
    const bool fresh = state == ShoutCast::StateBegin || state == ShoutCast::StateDone;
    window_.showStationList(list, fresh);
    // The list shown before goes unless a genre keeps it (a genre's list
    // comes back when chosen again).
    if (old && old != list && !ownsList(old))
        delete old;
    if (fresh)
        stream_.selectIndex(saved, Selection::Playing);
}

void DirectoryPanel::onDirectoryError(QEvent *event)
{
    auto *failure = static_cast<DirectoryErrorEventData *>(event);
    checkIdle();
    std::fprintf(stderr, "SC ERROR %s\n", failure->text().toLocal8Bit().constData());
    if (!retry(failure->genre()))
        window_.showErrorDialog(errorText(failure->genre(), failure->text()));
}
