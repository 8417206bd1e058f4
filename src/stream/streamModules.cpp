// The stream's side of the decoder modules: search results applied to
// entries, and the probe thread.
#include "stream.h"

#include "AudioDevice.h"
#include "DecoderRegistry.h"
#include "EntrySource.h"
#include "RadioStreamWorker.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <unistd.h>

void RadioStream::applyStreamInfo(PlayListItem *item)
{
    if (!item)
        return;
    if (const std::optional<DecoderInfoSnapshot> info = decoders_->streamInfo())
        applyInfo(item, *info);
}

void RadioStream::applyInfo(PlayListItem *item, const DecoderInfoSnapshot &snapshot)
{
    auto lock = lockPlaylist();
    if (!item || !workerMayWrite(item))
        return;
    const DecoderInfo *info = snapshot.get();
    const bool formatKnown = info->flags & WAVELARK_INFO_FORMAT_VALID;
    if (info->flags != 0)
        item->setStreamInfo(info);
    if (isPlaying() && item == playing()) {
        if (!formatKnown) {
            itemChanged(item);
            return;
        }
        if (soundPlaying() == 0)
            device_->setFormat(int(info->channels), int(info->rate), int(info->format));
    }
    if (formatKnown && item == playing())
        post(StreamFormatEvent);
    itemChanged(item);
}

// Caller holds playListMutex. The GUI thread owns the entries; the probe
// writes only its target, the other workers only the stream's entry.
bool RadioStream::workerMayWrite(const PlayListItem *item) const
{
    if (QThread::currentThread() == thread())
        return true;
    if (probeThread_->isCurrentThread())
        return item == loadedItem_;
    return item == streamEntry();
}

bool RadioStream::startProbe(PlayListItem *item, Selection which)
{
    std::lock_guard lock(playListMutex_);
    if (!item)
        return false;
    if (probeThread_->active() || item == loadedItem_)
        return true;
    if (item->streamInfoValid || (isPlaying() && which == Selection::Playing) || item->bad ||
        !isLocalEntry(item))
        return false;
    probeThread_->join();
    loadedItem_ = item;
    probeSelection_ = which;
    probeAbandoned_ = false;
    probeThread_->begin();
    return true;
}

void RadioStream::abandonProbe()
{
    if (!probeThread_->active())
        return;
    probeAbandoned_ = true;
    probeThread_->join();
}

void RadioStream::probeRun()
{
    PlayListItem *item;
    QString path;
    Selection which;
    {
        auto lock = lockPlaylist();
        if (!loadedItem_)
            return;
        item = loadedItem_;
        which = probeSelection_;
        if (!item->url.startsWith(QLatin1String("file://")))
            return;
        path = item->url.mid(7);
    }
    QString error;
    DecoderModulePtr module;
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        post(StreamReadingFileEvent);
        DecoderRegistry::Found found = decoders_->probeFile(path, true, &probeAbandoned_);
        if (found.module && found.info)
            applyInfo(item, *found.info);
        module = std::move(found.module);
        if (!module)
            error = QCoreApplication::translate("RadioStream", "unknown file format");
    }
    auto lock = lockPlaylist();
    if (probeAbandoned_) {
        // Given up for a new selection: nothing is known of the file.
        decoders_->release(module);
    } else if (module) {
        if (which == Selection::Playing && item == playing() && !isPlaying())
            decoders_->install(std::move(module), item);
        decoders_->release(module);
    } else {
        item->error = error;
        item->played = true;
        item->bad = true;
        if (item == playing() && isPlaying())
            QMetaObject::invokeMethod(
                this, [this] { stop(); }, Qt::QueuedConnection);
        else
            post(StreamFormatEvent);
    }
    loadedItem_ = nullptr;
    post(StreamProbeDoneEvent);
}
