// The three sections' texts, the status line, marquee modes and the slots
// connected to the stream's signals.
#include "Wavelark.h"

#include "EventHandOff.h"
#include "PlayListItem.h"
#include "RadioPlayList.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QCoreApplication>
#include <QLabel>
#include <QThread>

#include <utility>

namespace {

QString modeWord(bool browsing)
{
    return browsing ? Wavelark::tr("Browsing") : Wavelark::tr("Playing");
}

} // namespace

void Wavelark::showTags()
{
    const Selection browse = transport_->selection();
    const int index = stream->currentIndex(browse);
    if (index == -1) {
        headerLabel->setText(tr("-[ %1 ]-").arg(modeWord(transport_->browseMode())));
        tagMarquee->setText(tr("not available"));
        formatMarquee->setText(tr("not available"));
        formatLine->clear();
        return;
    }
    headerLabel->setText(tr("-[ %1 %2/%3 ]-")
                             .arg(modeWord(transport_->browseMode()))
                             .arg(index + 1)
                             .arg(stream->count()));
    // Copied under the playlist lock, shown after it is released.
    QStringList tags;
    stream->inspectItem(browse, [&tags](const PlayListItem *item) {
        if (!item)
            return;
        tags = {item->title,  item->streamTitle,
                item->artist, item->album,
                item->genre,  item->bitrate ? QString::number(item->bitrate) : QString(),
                item->icyUrl, item->url};
    });
    const int wanted = std::exchange(tagPageWanted_, -1);
    const int remembered = wanted >= 0 ? wanted : tagMarquee->currentPage();
    tagMarquee->clearPages();
    for (int i = 0; i < tags.size(); ++i)
        tagMarquee->addPage(tags.at(i), i == 0);
    if (!tagMarquee->showPage(remembered))
        tagMarquee->showPage(0);
}

void Wavelark::showFormat()
{
    const Selection browse = transport_->selection();
    bool exists = false;
    bool bad = false;
    bool valid = false;
    QString error;
    stream->inspectItem(browse, [&](const PlayListItem *item) {
        if (!item)
            return;
        exists = true;
        bad = item->bad;
        valid = item->streamInfoValid;
        error = item->error;
    });
    if (!exists) {
        formatMarquee->setText(tr("not available"));
        return;
    }
    if (!valid || bad) {
        formatMarquee->setText(bad ? error : tr("not available"));
        formatLine->clear();
        return;
    }
    formatMarquee->setText(
        tr("%1, %2 Hz").arg(stream->formatName(browse)).arg(stream->sampleRate(browse)));
    formatLine->setText(
        tr("%1 kbit/s, %2").arg(stream->bitrate(browse)).arg(stream->channelMode(browse)));
}

void Wavelark::showReadingFile()
{
    formatMarquee->setText(tr("Reading file, please wait ..."));
    formatLine->clear();
}

// A short confirmation in the status section; the link and buffer state
// come back when it has been seen.
void Wavelark::showStatusNote(const QString &text)
{
    statusMarquee->setText(text);
    statusNoteTimer_.start(kStatusNoteMs);
}

void Wavelark::updateNetworkStatus()
{
    if (!stream || statusNoteTimer_.isActive())
        return;
    if (transport_->browseMode() || stream->isLocal(Selection::Playing) || !stream->isPlaying()) {
        statusMarquee->setText(linkId == -1 ? tr("not connected") : tr("link available"));
        return;
    }
    if (displayHidden)
        return;
    const unsigned fill = stream->holdBufferFill();
    const unsigned fillKiB = (fill >> 10) + ((fill & 0x3ff) ? 1 : 0);
    const QString state =
        stream->isBuffering() || stream->isPaused() ? tr("buffering") : tr("buffered");
    statusMarquee->setText(tr("%1 %2k/%3k").arg(state).arg(fillKiB).arg(stream->inBufSize() >> 10));
}

void Wavelark::setMarqueeMode(int mode)
{
    const int interval = mode == 2 ? settings_.marqueeInterval : 0;
    for (WavelarkMarquee *m : {tagMarquee, formatMarquee}) {
        m->setInterval(interval);
        m->setSleepInterval(settings_.marqueeSleepInterval);
    }
}

void Wavelark::slotStreamPaused(bool paused)
{
    if (paused)
        pauseLabel->setText(inCall ? tr("(paused - in call)") : tr("(paused)"));
    else
        pauseLabel->setText(QString());
    pauseLabel->setBlinking(paused);
    emit mediaStateChanged();
}

void Wavelark::slotStreamBufferEmpty(bool empty)
{
    // The decode thread must not read the sound settings that the Sounds
    // page changes: from there the whole decision goes to the GUI thread.
    if (QThread::currentThread() != thread()) {
        auto *event = new QEvent(QEvent::Type(empty ? BufferEmptyEvent : BufferRefilledEvent));
        wavelark::handOffEvent(event);
        QCoreApplication::postEvent(this, event);
        return;
    }
    RadioStream *s = stream.get();
    if (!s)
        return;
    if (empty) {
        const int id = bufferEmptySoundId;
        if (!(id != 0 && s->soundPlaying() == id))
            bufferEmptySoundId =
                s->playSound(settings_.bufferEmptySound, true, settings_.bufferEmptySoundLoop,
                             settings_.bufferEmptySoundInterval);
    } else {
        const int id = bufferEmptySoundId;
        if (id != 0 && s->soundPlaying() == id)
            s->stopSound();
    }
    updateNetworkStatus();
}
