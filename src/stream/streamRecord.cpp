// Recording the received stream to a file.
#include "stream.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>

int RadioStream::recordStart(const QString &path)
{
    return recorder_.start(path);
}

void RadioStream::recordStop()
{
    if (recorder_.stop())
        publishPlayingTags();
}

QString RadioStream::recordFileName() const
{
    return recorder_.fileName();
}

void RadioStream::flushRecord()
{
    recorder_.flush();
}

void RadioStream::setRecordBufSize(unsigned bytes)
{
    recorder_.setBufferSize(bytes);
}

unsigned RadioStream::recordBufSize() const
{
    return recorder_.bufferSize();
}

void RadioStream::recordAppended(std::unique_lock<std::mutex> &lock, size_t from)
{
    if (!recorder_.isRecording() || hold_.buffer.fill() <= from) {
        lock.unlock();
        return;
    }
    // Copied out so that no file write happens under the hold-buffer lock.
    recordScratch_.assign(hold_.buffer.data() + from, hold_.buffer.data() + hold_.buffer.fill());
    lock.unlock();
    recorder_.take(recordScratch_.data(), recordScratch_.size());
}

QString RadioStream::recordPath(const QString &recordDirectory, qint64 seconds)
{
    return recordDirectory + QLatin1Char('/') + QString::number(seconds) +
           QStringLiteral("-record.mp3");
}

bool RadioStream::receivingAudio() const
{
    if (!isPlaying())
        return false;
    if (decoders_.hasStreamModule())
        return true;
    std::lock_guard lock(hold_.mutex);
    return hold_.frontChecked;
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
        local = isLocalItem(playing());
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
