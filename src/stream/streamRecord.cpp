// Recording the received stream to a file.
#include "stream.h"

#include "streamThreads.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>

int RadioStream::recordStart(const QString &path)
{
    std::lock_guard lock(recordMutex_);
    const int err = record_.open(path, recordBufSize_);
    recording_ = record_.isOpen();
    return err;
}

void RadioStream::recordStop()
{
    {
        std::lock_guard lock(recordMutex_);
        if (!record_.isOpen())
            return;
        runRecordWriter();
        record_.close();
        recording_ = false;
    }
    publishPlayingTags();
}

QString RadioStream::recordFileName() const
{
    std::lock_guard lock(recordMutex_);
    return record_.fileName();
}

void RadioStream::flushRecord()
{
    std::lock_guard lock(recordMutex_);
    if (record_.isOpen())
        runRecordWriter();
}

void RadioStream::setRecordBufSize(unsigned bytes)
{
    if (bytes == 0)
        return;
    std::lock_guard lock(recordMutex_);
    if (record_.isOpen()) {
        runRecordWriter();
        if (!record_.resize(bytes))
            return;
    }
    recordBufSize_ = bytes;
}

unsigned RadioStream::recordBufSize() const
{
    std::lock_guard lock(recordMutex_);
    return recordBufSize_;
}

// The writer thread runs while this thread holds the record lock and waits.
void RadioStream::runRecordWriter()
{
    recordThread_->begin();
    recordThread_->join();
}

void RadioStream::recordWriteOut()
{
    record_.writeOut();
}

void RadioStream::recordAppended(std::unique_lock<std::mutex> &lock, size_t from)
{
    if (!recording_ || holdBuffer_.fill() <= from) {
        lock.unlock();
        return;
    }
    // Copied out so that no file write happens under the hold-buffer lock.
    recordScratch_.assign(holdBuffer_.data() + from, holdBuffer_.data() + holdBuffer_.fill());
    lock.unlock();
    std::lock_guard recordLock(recordMutex_);
    record_.take(recordScratch_.data(), recordScratch_.size(), [this] { runRecordWriter(); });
}

QString RadioStream::recordPath(const QString &recordDirectory, qint64 seconds)
{
    return recordDirectory + QLatin1Char('/') + QString::number(seconds) +
           QStringLiteral("-record.mp3");
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
    if (err != 0)
        std::fprintf(stderr, "recordStart failed: %s\n", std::strerror(err));
    post(StreamTagsEvent);
    return err == 0 ? RecordStart::Started : RecordStart::Failed;
}
