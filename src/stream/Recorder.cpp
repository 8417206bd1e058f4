// Recording the received stream to a file.
#include "Recorder.h"

#include "IcyTags.h"
#include "RadioStreamWorker.h"
#include "SongFileName.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// More songs of one title than this in one folder are not told apart.
constexpr int kMaxSameNames = 999;

} // namespace

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
    perSong_ = false;
    const int err = file_.open(path, bufferSize_);
    recording_ = file_.isOpen();
    return err;
}

int Recorder::startPerSong(const QString &directory, const QString &title, const QString &fallback,
                           const QString &extension)
{
    std::lock_guard lock(mutex_);
    file_.close();
    perSong_ = true;
    songDirectory_ = directory;
    songExtension_ = extension;
    songTitle_ = title;
    const int err = openSongFile(title.isEmpty() ? fallback : songFileBase(title));
    recording_ = file_.isOpen();
    return err;
}

int Recorder::openSongFile(const QString &base)
{
    int err = EEXIST;
    for (int n = 1; n <= kMaxSameNames && err == EEXIST; ++n)
        err = file_.open(songDirectory_ + QLatin1Char('/') + songFileName(base, songExtension_, n),
                         bufferSize_, true);
    return err;
}

bool Recorder::nextSong(const QString &title)
{
    file_.close();
    songTitle_ = title;
    if (const int err = openSongFile(songFileBase(title))) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file_.fileName()), std::strerror(err));
        file_.close();
        recording_ = false;
        return false;
    }
    return true;
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

void Recorder::take(const char *data, size_t length, std::span<const RecordCut> cuts)
{
    std::lock_guard lock(mutex_);
    const auto flush = [this] { runWriter(); };
    size_t done = 0;
    for (const RecordCut &cut : perSong_ ? cuts : std::span<const RecordCut>()) {
        // Servers repeat the title in block after block: only a new one cuts.
        const QString title = icyStreamTitle(cut.text);
        if (title.isEmpty() || title == songTitle_)
            continue;
        const size_t at = std::clamp(cut.offset, done, length);
        file_.take(data + done, at - done, flush);
        done = at;
        if (!nextSong(title))
            return;
    }
    file_.take(data + done, length - done, flush);
}

void Recorder::runWriter()
{
    writer_->begin();
    writer_->join();
}
