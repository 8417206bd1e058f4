// Recording the received stream to a file.
#include "stream.h"

#include "DecoderRegistry.h"
#include "EntrySource.h"
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
                                                     bool recordOneFile, bool armed)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    recordStop();
    bool local;
    {
        std::lock_guard lock(playListMutex_);
        if (!playing())
            return RecordStart::NoItem;
        local = isLocalEntry(playing());
    }
    if (local || !armed)
        return RecordStart::Skipped;
    const QString last = recordFileName();
    const QString path = !recordOneFile || last.isEmpty() ? recordPath(recordDirectory, now) : last;
    const int err = recordStart(path);
    recordError_ = err;
    if (err != 0)
        std::fprintf(stderr, "recordStart failed: %s\n", std::strerror(err));
    post(StreamTagsEvent);
    return err == 0 ? RecordStart::Started : RecordStart::Failed;
}
