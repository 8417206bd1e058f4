// Installing and merging playlists, starting playback, recording, and the
// indicator and volume slots.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "PlayListItem.h"
#include "RadioPlayList.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QSlider>

#include <cstring>

void Wavelark::setPlayList(RadioPlayList *list, bool freeOld)
{
    if (tagMarquee_->currentPage() != 0)
        tagMarquee_->showPage(0);
    transport_->setLastShownItem(list->isEmpty() ? nullptr : list->at(0));
    stream_->setPlaylist(list, freeOld && !directory_->ownsList(stream_->playlist()));
    if (transport_->shuffle())
        slotShuffle(true);
}

bool Wavelark::mergeFetchedList(RadioPlayList *received)
{
    if (!settings_.playListSingle)
        return false;
    if (!directory_->allowsMerge())
        return false;
    PlayListItem *playing = stream_->currentItem(Selection::Playing);
    const PlayListItem *first = received->isEmpty() ? nullptr : received->at(0);
    // The stream is stopped: nothing else touches the playing item now.
    if (!playing || !first || !stream_->playlist()->setItemUrl(playing, first->url))
        return false;
    playing->icyUrl = first->icyUrl;
    playing->title = first->title;
    playing->genre = first->genre;
    playing->retryCounter = 0;
    delete received;
    return true;
}

bool Wavelark::startPlayback()
{
    directory_->playbackStarting(stream_->currentItem(Selection::Playing));
    return transport_->startPlayback();
}

void Wavelark::slotStartStopStream(bool stopIfRunning)
{
    if (stopIfRunning && stream_->isPlaying()) {
        stream_->stop();
        return;
    }
    if (linkId_ == -1 && !stream_->isLocal(Selection::Playing)) {
        openLink(false);
        return;
    }
    startPlayback();
}

// The indicator's state decides, not the argument.
void Wavelark::slotRecord(bool)
{
    if (!stream_)
        return;
    // Armed before the stream runs, or while its reply header may still be
    // held: the decode start records (StreamDecodeStartedEvent).
    if (recordIndicator_->isBlinking() && !stream_->isLocal(Selection::Playing) &&
        !stream_->receivingAudio()) {
        stream_->recordStop();
        return;
    }
    const RadioStream::RecordStart result =
        stream_->startRecording(settings_.recordDirectory, settings_.recordOneFile,
                                recordIndicator_->isBlinking(), settings_.recordPerSong);
    if (result != RadioStream::RecordStart::Skipped && result != RadioStream::RecordStart::Failed)
        return;
    const bool blocked = recordIndicator_->blockSignals(true);
    recordIndicator_->setBlinking(false);
    recordIndicator_->blockSignals(blocked);
    // Disarmed, so that a retry does not ask again; the person is told why.
    if (result == RadioStream::RecordStart::Failed)
        showErrorDialog(tr("Recording could not start in %1: %2")
                            .arg(settings_.recordDirectory,
                                 QString::fromLocal8Bit(std::strerror(stream_->recordError()))),
                        tr("Recording error"));
}

void Wavelark::slotMute(bool muted)
{
    stream_->setVolume(muted ? 0 : volumeSlider_->value());
    emit mediaStateChanged();
}

void Wavelark::slotAdjustVolume(int volume)
{
    volumeIndicator_->setVolume(volume);
    if (!volumeIndicator_->isMuted())
        stream_->setVolume(volume);
    emit mediaStateChanged();
}

void Wavelark::slotShuffle(bool on)
{
    transport_->setShuffle(on);
    stream_->clearPlayed();
    if (on) {
        transport_->nextItem(false, false);
        transport_->resetRetries();
    }
}

void Wavelark::slotScan(bool on)
{
    stream_->setScan(on, settings_.scanInterval);
}

void Wavelark::searchPlayList(const QString &title, RadioPlayList::SearchField field)
{
    playListSearch_ = textDialog(title, playListSearch_);
    if (playListSearch_.endsWith(u'\n'))
        playListSearch_.chop(1);
    // An empty text (a cancelled entry) would match the very next item.
    if (!playListSearch_.isEmpty())
        stream_->search(playListSearch_, field, transport_->selection());
}
