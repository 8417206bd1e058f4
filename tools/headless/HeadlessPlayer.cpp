#include "HeadlessPlayer.h"

#include "EventHandOff.h"
#include "Transport.h"
#include "stream.h"

#include <QFile>
#include <QStringList>

HeadlessPlayer::HeadlessPlayer(RadioStream *stream, FILE *out) : stream_(stream), out_(out)
{}

void HeadlessPlayer::printLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void HeadlessPlayer::customEvent(QEvent *event)
{
    // Posted by the engine's threads.
    wavelark::takeOverEvent(event);
    const int type = event->type();
    const char *name = streamEventName(type);
    printLine("EVENT " + QByteArray::number(type) + ' ' + (name ? name : "unknown"));
    switch (type) {
    case StreamTagsEvent: printTags(); break;
    case StreamFormatEvent: printFormat(); break;
    case StreamErrorEvent: printError(); break;
    case StreamDecodeStartedEvent: startRecording(); break;
    case StreamEndedEvent:
        playlistsInARow_ = 0;
        transport_->itemEnded();
        finishIfStopped(0);
        break;
    case StreamPlaylistEvent: {
        auto *data = static_cast<StreamPlaylistEventData *>(event);
        std::unique_ptr<RadioPlayList> list = data->takePlaylist();
        if (++playlistsInARow_ > 3 || !list || list->isEmpty()) {
            printLine("ERROR\tno playable entry in the received playlist");
            emit finished(1);
            return;
        }
        stream_->setPlaylist(list.release(), true);
        transport_->startPlayback();
        break;
    }
    default: break;
    }
}

void HeadlessPlayer::printTags()
{
    stream_->inspectItem(Selection::Playing, [this](const PlayListItem *item) {
        if (!item)
            return;
        const QStringList fields = {"title=" + item->title,
                                    "streamTitle=" + item->streamTitle,
                                    "artist=" + item->artist,
                                    "album=" + item->album,
                                    "genre=" + item->genre,
                                    "icyUrl=" + item->icyUrl,
                                    "bitrate=" + QString::number(item->bitrate),
                                    "url=" + item->url};
        printLine("TAGS\t" + fields.join('\t').toUtf8());
    });
}

void HeadlessPlayer::printFormat()
{
    stream_->inspectItem(Selection::Playing, [this](const PlayListItem *item) {
        if (!item || !item->streamInfoValid)
            return;
        const DecoderInfo &info = item->streamInfo;
        const QStringList fields = {QString::number(info.rate), QString::number(info.channels),
                                    QString::number(info.bitrate),
                                    QString::fromLatin1(wavelark_channel_mode_name(info.mode)),
                                    item->format};
        printLine("FORMAT\t" + fields.join('\t').toUtf8());
    });
}

void HeadlessPlayer::printError()
{
    stream_->inspectItem(Selection::Playing, [this](const PlayListItem *item) {
        // After a playlist hand-over the new entry is not marked: nothing failed.
        if (!item || item->bad)
            printLine("ERROR\t" + (item ? item->error.toUtf8() : QByteArray()));
    });
    if (transport_->streamError() != Transport::ErrorOutcome::NotFailed)
        finishIfStopped(1);
}

void HeadlessPlayer::armRecording(const QString &directory, bool oneFile)
{
    recordArmed_ = true;
    recordDirectory_ = directory;
    recordOneFile_ = oneFile;
}

// As the main widget does with its record toggle: a local entry disarms it.
void HeadlessPlayer::startRecording()
{
    if (!recordArmed_)
        return;
    const RadioStream::RecordStart result =
        stream_->startRecording(recordDirectory_, recordOneFile_, true);
    if (result == RadioStream::RecordStart::Skipped)
        recordArmed_ = false;
    else if (result == RadioStream::RecordStart::Started)
        printLine("RECORD\t" + QFile::encodeName(stream_->recordFileName()));
}

void HeadlessPlayer::finishIfStopped(int exitCode)
{
    if (!stream_->isPlaying())
        emit finished(exitCode);
}
