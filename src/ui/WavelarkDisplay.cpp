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
    const int index = stream_->currentIndex(browse);
    if (index == -1) {
        headerLabel_->setText(tr("-[ %1 ]-").arg(modeWord(transport_->browseMode())));
        tagMarquee_->setText(tr("not available"));
        formatMarquee_->setText(tr("not available"));
        formatLine_->clear();
        otherTagLine_->hide();
        return;
    }
    headerLabel_->setText(tr("-[ %1 %2/%3 ]-")
                              .arg(modeWord(transport_->browseMode()))
                              .arg(index + 1)
                              .arg(stream_->count()));
    // Copied under the playlist lock, shown after it is released.
    QStringList tags;
    stream_->inspectItem(browse, [&tags](const PlayListItem *item) {
        if (!item)
            return;
        tags = {item->title,  item->streamTitle,
                item->artist, item->album,
                item->genre,  item->bitrate ? QString::number(item->bitrate) : QString(),
                item->icyUrl, item->url};
    });
    const int wanted = std::exchange(tagPageWanted_, -1);
    const int remembered = wanted >= 0 ? wanted : tagMarquee_->currentPage();
    tagMarquee_->clearPages();
    for (int i = 0; i < tags.size(); ++i)
        tagMarquee_->addPage(tags.at(i), i == 0);
    if (!tagMarquee_->showPage(remembered))
        tagMarquee_->showPage(0);
    // Title (a station's song) and stream title (its name): the one the
    // marquee does not show stays in sight below it.
    const int page = tagMarquee_->currentPage();
    const QString other = page == 0 || page == 1 ? tags.value(1 - page).trimmed() : QString();
    const bool shown = !other.isEmpty() && other != tags.value(page).trimmed();
    otherTagLine_->setText(shown ? other : QString());
    otherTagLine_->setVisible(shown);
}

void Wavelark::showFormat()
{
    const Selection browse = transport_->selection();
    bool exists = false;
    bool bad = false;
    bool valid = false;
    QString error;
    stream_->inspectItem(browse, [&](const PlayListItem *item) {
        if (!item)
            return;
        exists = true;
        bad = item->bad;
        valid = item->streamInfoValid;
        error = item->error;
    });
    if (!exists) {
        formatMarquee_->setText(tr("not available"));
        return;
    }
    if (!valid || bad) {
        formatMarquee_->setText(bad ? error : tr("not available"));
        formatLine_->clear();
        return;
    }
    formatMarquee_->setText(
        tr("%1, %2 Hz").arg(stream_->formatName(browse)).arg(stream_->sampleRate(browse)));
    formatLine_->setText(
        tr("%1 kbit/s, %2").arg(stream_->bitrate(browse)).arg(stream_->channelMode(browse)));
}

void Wavelark::showReadingFile()
{
    formatMarquee_->setText(tr("Reading file, please wait ..."));
    formatLine_->clear();
}

// A short confirmation in the status section; the link and buffer state
// come back when it has been seen.
void Wavelark::showStatusNote(const QString &text)
{
    statusMarquee_->setText(text);
    statusNoteTimer_.start(kStatusNoteMs);
}

void Wavelark::updateNetworkStatus()
{
    if (!stream_ || statusNoteTimer_.isActive())
        return;
    if (transport_->browseMode() || stream_->isLocal(Selection::Playing) || !stream_->isPlaying()) {
        statusMarquee_->setText(linkId_ == -1 ? tr("not connected") : tr("link available"));
        return;
    }
    if (displayHidden_)
        return;
    const unsigned fill = stream_->holdBufferFill();
    const unsigned fillKiB = (fill >> 10) + ((fill & 0x3ff) ? 1 : 0);
    const QString state =
        stream_->isBuffering() || stream_->isPaused() ? tr("buffering") : tr("buffered");
    statusMarquee_->setText(
        tr("%1 %2k/%3k").arg(state).arg(fillKiB).arg(stream_->inBufSize() >> 10));
}

void Wavelark::setMarqueeMode(int mode)
{
    const int interval = mode == MarqueeScrolling ? settings_.marqueeInterval : 0;
    for (WavelarkMarquee *m : {tagMarquee_, formatMarquee_}) {
        m->setInterval(interval);
        m->setSleepInterval(settings_.marqueeSleepInterval);
    }
}

void Wavelark::slotStreamPaused(bool paused)
{
    if (paused)
        pauseLabel_->setText(inCall_ ? tr("(paused - in call)") : tr("(paused)"));
    else
        pauseLabel_->setText(QString());
    pauseLabel_->setBlinking(paused);
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
    RadioStream *s = stream_.get();
    if (!s)
        return;
    if (empty) {
        const int id = bufferEmptySoundId_;
        if (!(id != 0 && s->soundPlaying() == id))
            bufferEmptySoundId_ =
                s->playSound(settings_.bufferEmptySound, true, settings_.bufferEmptySoundLoop,
                             settings_.bufferEmptySoundInterval);
    } else {
        const int id = bufferEmptySoundId_;
        if (id != 0 && s->soundPlaying() == id)
            s->stopSound();
    }
    updateNetworkStatus();
}
