// Recording the received stream to a file.
#include "stream.h"

#include "DecoderRegistry.h"
#include "EntrySource.h"
#include "IcyTags.h"
#include "Recorder.h"
#include "StreamIntake.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// recordDirectory + "/" + seconds since 1970 + "-record.mp3".
QString recordPath(const QString &recordDirectory, qint64 seconds)
{
    return recordDirectory + QLatin1Char('/') + QString::number(seconds) +
           QStringLiteral("-record.mp3");
}

// A song file's extension, from what the decoder module says it decodes;
// the single file's "mp3" otherwise.
QString recordExtension(const PlayListItem &item)
{
    const QString kind = item.streamInfoValid ? item.format : QString();
    if (kind.contains(u"AAC"))
        return QStringLiteral("aac");
    if (kind.contains(u"Opus"))
        return QStringLiteral("opus");
    if (kind.contains(u"Vorbis"))
        return QStringLiteral("ogg");
    if (kind.contains(u"FLAC"))
        return QStringLiteral("flac");
    if (kind.contains(u"Layer II") && !kind.contains(u"Layer III"))
        return QStringLiteral("mp2");
    return QStringLiteral("mp3");
}

} // namespace

int RadioStream::recordStart(const QString &path)
{
    return recorder_->start(path);
}

void RadioStream::recordStop()
{
    if (recorder_->stop())
        publishPlayingTags();
}

bool RadioStream::isRecording() const
{
    return recorder_->isRecording();
}

QString RadioStream::recordFileName() const
{
    return recorder_->fileName();
}

bool RadioStream::receivingAudio() const
{
    if (!isPlaying())
        return false;
    if (decoders_->hasStreamModule())
        return true;
    return intake_->frontChecked();
}

RadioStream::RecordStart RadioStream::startRecording(const QString &recordDirectory,
                                                     bool recordOneFile, bool armed, bool perSong)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    recordStop();
    bool local;
    QString song, extension;
    {
        std::lock_guard lock(playListMutex_);
        if (!playing())
            return RecordStart::NoItem;
        local = isLocalEntry(playing());
        // A station's title is its song once a title arrived; before that it
        // is the station's name or address, which names no song.
        const PlayListItem &item = *playing();
        if (item.title != item.streamTitle && item.title != item.url &&
            item.title != RadioPlayList::tr("Unknown Track"))
            song = item.title.trimmed();
        extension = recordExtension(item);
    }
    if (local || !armed)
        return RecordStart::Skipped;
    int err;
    if (perSong) {
        // What is recorded next comes after the newest title received.
        if (const std::optional<QByteArray> newest = intake_->newestMetadata())
            if (const QString title = icyStreamTitle(*newest); !title.isEmpty())
                song = title;
        err = recorder_->startPerSong(recordDirectory, song,
                                      QString::number(now) + QStringLiteral("-record"), extension);
    } else {
        const QString last = recordFileName();
        const bool again = recordOneFile && !last.isEmpty();
        err = recordStart(again ? last : recordPath(recordDirectory, now));
    }
    recordError_ = err;
    if (err != 0)
        std::fprintf(stderr, "recordStart failed: %s\n", std::strerror(err));
    post(StreamTagsEvent);
    return err == 0 ? RecordStart::Started : RecordStart::Failed;
}
