// customEvent: where the engine's and the window's own events reach the screen.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "EventHandOff.h"
#include "PlayListItem.h"
#include "RadioPlayList.h"
#include "SoftKeyBar.h"
#include "SongNotifier.h"
#include "StationListModel.h"
#include "StationListView.h"
#include "WavelarkMarquee.h"
#include "shoutCast.h"
#include "stream.h"

#include <QCoreApplication>
#include <QLabel>

#include <cstdio>
#include <cstring>

namespace {

// The header while a sort is shown.
QString sortHeader(int tag, bool reverse)
{
    static const char *const words[] = {"Id", "Title", "Stream Title", "Bitrate", "Genre", "Url"};
    QString word = tag >= 0 && tag < 6 ? Wavelark::tr(words[tag]) : QString();
    if (reverse)
        word = Wavelark::tr("Rev. ") + word;
    return Wavelark::tr("-[ Sorting by ") + word + Wavelark::tr(" ]-");
}

// The header while the tag shown is named.
QString tagHeader(int index)
{
    static const char *const names[] = {"Title", "Stream Title", "Artist",  "Album",
                                        "Genre", "Bitrate",      "ICY Url", "Url"};
    const QString word = index >= 0 && index < 8 ? Wavelark::tr(names[index]) : QString();
    return Wavelark::tr("-[ Tag ") + word + Wavelark::tr(" ]-");
}

// The playing entry's song and station: the window's title shows them, a
// station's new song joins the history and, while the window is in the
// background, shows as a desktop notification. An entry's title is its song (a
// station's current title), its stream title the station's name.
void showPlaying(QWidget &window, RadioStream &stream, SongHistory &history, SongNotifier &notifier)
{
    QString song, station, url;
    stream.inspectItem(Selection::Playing, [&song, &station, &url](const PlayListItem *item) {
        if (!item)
            return;
        song = item->title.trimmed();
        station = item->streamTitle.trimmed();
        url = item->url;
    });
    // A title that only repeats the station, the address or the placeholder is no song.
    if (song == station || song == url || song == RadioPlayList::tr("Unknown Track"))
        song.clear();
    const bool playing = stream.isPlaying();
    QStringList parts;
    for (const QString &part : {song, station})
        if (playing && !part.isEmpty())
            parts << part;
    parts << QStringLiteral("Wavelark");
    window.setWindowTitle(parts.join(QStringLiteral(" \u2014 ")));
    if (playing && !song.isEmpty() && !stream.isLocal(Selection::Playing) &&
        stream.receivingAudio()) {
        notifier.songChanged(song, station, !window.isActiveWindow());
        if (const int error = history.add(song, station))
            std::fprintf(stderr, "%s: %s\n", qPrintable(SongHistory::defaultPath()),
                         std::strerror(error));
    }
}

} // namespace

void Wavelark::postSelf(int type)
{
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(type)));
}

void Wavelark::customEvent(QEvent *event)
{
    wavelark::takeOverEvent(event);
    const int type = event->type();
    // Events still queued when the stream was shut down find nothing to show.
    if (type < QEvent::User || !stream_)
        return;
    // Idle checks and carried buffer signals are ours, not the stream's events.
    if (type != DirectoryIdleEvent && type != BufferEmptyEvent && type != BufferRefilledEvent)
        lastEventType_ = type;
    switch (type) {
    case StreamStoppedEvent:
        updateNetworkStatus();
        softKeyBar()->setMiddleText(tr("Play"));
        postSelf(StreamTagsEvent);
        break;
    case StreamConnectingEvent: onConnecting(); break;
    case StreamProgressEvent: onProgress(); break;
    case StreamFormatEvent: showFormat(); break;
    case StreamTagsEvent:
        showTags();
        showPlaying(*this, *stream_, history_, *notifier_);
        // The model sees every list as it arrives, to keep the names it
        // was given; the view follows only while it is shown.
        stationModel_->refresh();
        if (!stationList_->isHidden())
            stationList_->showRow(stream_->currentIndex(transport_->selection()));
        break;
    case StreamDecodeStartedEvent:
        slotRecord(true);
        // A directory station that is heard counts a click at the service.
        directory_->client()->stationStarted(stream_->currentItem(Selection::Playing));
        break;
    case StreamEndedEvent: transport_->itemEnded(); break;
    case StreamReadingFileEvent: showReadingFile(); break;
    case StreamProbeDoneEvent: onProbeDone(); break;
    case StreamScanNextEvent:
        transport_->nextItem(false, true);
        transport_->resetRetries();
        break;
    case StreamErrorEvent: onStreamError(); break;
    case StreamPlaylistEvent: onPlaylistReceived(event); break;
    case LinkWaitingEvent: statusMarquee_->setText(tr("waiting for link")); break;
    case SortShownEvent:
        headerLabel_->setText(sortHeader(int(stream_->sortTag()), stream_->sortReverse()));
        break;
    case StationListEvent: directory_->onStationList(event); break;
    case DirectoryErrorEvent: directory_->onDirectoryError(event); break;
    case TagShownEvent: headerLabel_->setText(tagHeader(tagMarquee_->currentPage())); break;
    case DirectoryIdleEvent: directory_->checkIdle(); break;
    case BufferEmptyEvent: slotStreamBufferEmpty(true); break;
    case BufferRefilledEvent: slotStreamBufferEmpty(false); break;
    default: std::fprintf(stderr, "Wavelark(3000): customEvent\n"); break;
    }
    // Only the engine's own events change what the desktop controls show.
    if (type <= StreamPlaylistEvent)
        emit mediaStateChanged();
}

void Wavelark::onConnecting()
{
    if (!stream_->isLocal(Selection::Playing)) {
        if (linkId_ == -1) {
            stream_->stop();
            openLink(false);
            return;
        }
        connectingSoundTimer_.start(1000);
        statusMarquee_->setText(tr("connecting"));
    }
    softKeyBar()->setMiddleText(tr("Stop"));
}

void Wavelark::onProgress()
{
    if (connectingSoundId_ != 0 && stream_->soundPlaying() == connectingSoundId_ &&
        !transport_->browseMode())
        stream_->stopSound();
    updateNetworkStatus();
}

void Wavelark::onProbeDone()
{
    if (stream_->isBad(transport_->selection())) {
        postSelf(StreamErrorEvent);
    } else if (transport_->browseMode()) {
        postSelf(StreamTagsEvent);
        postSelf(StreamFormatEvent);
    }
}

void Wavelark::onPlaylistReceived(QEvent *event)
{
    std::unique_ptr<RadioPlayList> received =
        static_cast<StreamPlaylistEventData *>(event)->takePlaylist();
    stream_->stop();
    // A body that named nothing playable would leave an empty playlist and
    // lose the station; the error the engine posts for it is shown instead.
    if (!received || received->isEmpty())
        return;
    RadioPlayList *list = received.release();
    if (mergeFetchedList(list)) {
        startPlayback();
        return;
    }
    setPlayList(list, true);
    startPlayback();
}
