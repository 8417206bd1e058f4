// Recording the received stream to a file.
#include "Recorder.h"

#include "RadioStreamWorker.h"

Recorder::Recorder()
    : writer_(std::make_unique<RadioStreamRecordThread>([this] { file_.writeOut(); }))
{}

Recorder::~Recorder()
{
    stop();
    writer_->join();
}

int Recorder::start(const QString &path)
{
    std::lock_guard lock(mutex_);
    const int err = file_.open(path, bufferSize_);
    recording_ = file_.isOpen();
    return err;
}

bool Recorder::stop()
{
    std::lock_guard lock(mutex_);
    if (!file_.isOpen())
        return false;
    runWriter();
    file_.close();
    recording_ = false;
    return true;
}

QString Recorder::fileName() const
{
    std::lock_guard lock(mutex_);
    return file_.fileName();
}

void Recorder::flush()
{
    std::lock_guard lock(mutex_);
    if (file_.isOpen())
        runWriter();
}

void Recorder::setBufferSize(unsigned bytes)
{
    if (bytes == 0)
        return;
    std::lock_guard lock(mutex_);
    if (file_.isOpen()) {
        runWriter();
        if (!file_.resize(bytes))
            return;
    }
    bufferSize_ = bytes;
}

unsigned Recorder::bufferSize() const
{
    std::lock_guard lock(mutex_);
    return bufferSize_;
}

void Recorder::take(const char *data, size_t length)
{
    std::lock_guard lock(mutex_);
    file_.take(data, length, [this] { runWriter(); });
}

void Recorder::runWriter()
{
    writer_->begin();
    writer_->join();
}
