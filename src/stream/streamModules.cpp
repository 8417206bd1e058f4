// Finding a decoder module for the bytes at hand, and the probe thread.
#include "stream.h"

#include "streamThreads.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <optional>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

void logLine(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

struct Accepted {
    DecoderModulePtr module;
    std::optional<DecoderInfoSnapshot> info; // what the module said while accepting
};

// Tries one library; the module with a fresh feed when it accepts the data.
// Caller holds the decoder lock.
Accepted tryModule(const RadioStream &stream, const QString &name, const QString &path,
                   bool wantInfo, const char *data, size_t length)
{
    logLine(QStringLiteral("TRYING (LEN=%1): %2").arg(length).arg(path));
    LibraryHandle library(dlopen(QFile::encodeName(path).constData(), RTLD_NOW));
    if (!library.get()) {
        const char *err = dlerror();
        logLine(QStringLiteral("NO GOOD: ") + name + QStringLiteral(", ") +
                QString::fromLocal8Bit(err ? err : ""));
        return {};
    }
    Accepted result{std::make_unique<DecoderModule>(), std::nullopt};
    DecoderModule &m = *result.module;
    m.name = name;
    const int *formats = reinterpret_cast<const int *>(stream.supportedFormats());
    const int count = stream.supportedFormatCount();
    const int len = int(std::min<size_t>(length, size_t(INT32_MAX)));
    int handle = -1;
    bool accepted = resolveEntryPoints(library.get(), m) && m.init(stream.verbosity()) == 0 &&
                    (handle = m.openFeed(formats, count)) != -1 &&
                    m.valid(handle, reinterpret_cast<const unsigned char *>(data), len) == 1;
    if (accepted) {
        if (wantInfo) {
            if (const DecoderInfo *info = m.getInfo(handle))
                result.info = DecoderInfoSnapshot(*info);
        }
        m.finish(handle);
        handle = m.openFeed(formats, count);
        accepted = handle != -1;
    }
    if (!accepted) {
        logLine(QStringLiteral("NO GOOD: ") + name);
        if (handle != -1 && m.finish)
            m.finish(handle);
        return {};
    }
    logLine(QStringLiteral("USING MODULE: ") + name);
    m.handle = handle;
    m.library = library.release();
    return result;
}

} // namespace

QString RadioStream::pluginDirectory()
{
    return QDir::homePath() + QStringLiteral("/.wavelark/plugins");
}

DecoderModulePtr RadioStream::findDecoder(PlayListItem *item, const char *data, size_t length,
                                          const std::atomic<bool> *abandon)
{
    Accepted found;
    {
        std::lock_guard lock(decoderMutex_);
        const QDir dir(pluginDirectory());
        const QStringList names = dir.entryList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name | QDir::IgnoreCase);
        for (const QString &name : names) {
            if (abandon && abandon->load())
                break;
            found = tryModule(*this, name, pluginDirectory() + QLatin1Char('/') + name,
                              item != nullptr, data, length);
            if (found.module)
                break;
        }
    }
    // The entry is written after the decoder lock is released, keeping the
    // lock order.
    if (found.module && item && found.info)
        applyInfo(item, *found.info);
    return std::move(found.module);
}

DecoderModulePtr RadioStream::probeFile(PlayListItem *item, const QString &path,
                                        const std::atomic<bool> *abandon)
{
    if (path.isEmpty())
        return nullptr;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    QByteArray buffer;
    char block[32768];
    DecoderModulePtr module;
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        buffer.append(block, n);
        module = findDecoder(item, buffer.constData(), size_t(buffer.size()), abandon);
        if (module || buffer.size() > 294911 || (abandon && abandon->load()))
            break;
    }
    ::close(fd);
    return module;
}

void RadioStream::releaseDecoder(DecoderModulePtr &module)
{
    std::lock_guard lock(decoderMutex_);
    if (!module)
        return;
    if (module->handle != -1)
        module->finish(module->handle);
    module.reset();
}

void RadioStream::applyDecoderInfo(PlayListItem *item, DecoderModule *module)
{
    if (!item || !module)
        return;
    std::optional<DecoderInfoSnapshot> info;
    {
        std::lock_guard lock(decoderMutex_);
        module->info = module->getInfo(module->handle);
        if (module->info)
            info = DecoderInfoSnapshot(*module->info);
    }
    if (info)
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
    if (isPlaying() && item == playingItem_) {
        if (!formatKnown) {
            itemChanged(item);
            return;
        }
        if (soundPlaying() == 0)
            deviceSetFormat(int(info->channels), int(info->rate), int(info->format));
    }
    if (formatKnown && item == playingItem_)
        post(StreamFormatEvent);
    itemChanged(item);
}

// Caller holds playListMutex. The GUI thread owns the entries; the probe
// writes only its target, the other workers only the stream's entry.
bool RadioStream::workerMayWrite(const PlayListItem *item) const
{
    if (QThread::currentThread() == thread())
        return true;
    if (QThread::currentThread() == probeThread_.get())
        return item == loadedItem_;
    return item == streamEntry();
}

bool RadioStream::startProbe(PlayListItem *item, bool browse)
{
    std::lock_guard lock(playListMutex_);
    if (!item)
        return false;
    if (probeThread_->active() || item == loadedItem_)
        return true;
    if (item->streamInfoValid || (isPlaying() && !browse) || item->bad || !isLocalItem(item))
        return false;
    probeThread_->join();
    loadedItem_ = item;
    probeBrowse_ = browse;
    probeAbandoned_ = false;
    probeThread_->begin();
    return true;
}

void RadioStream::waitForProbe()
{
    probeThread_->join();
}

void RadioStream::abandonProbe()
{
    if (!probeThread_->active())
        return;
    probeAbandoned_ = true;
    probeThread_->join();
}

// Caller holds playListMutex: a module that a probe left for another entry
// must not decode this one.
void RadioStream::releaseForeignDecoder(PlayListItem *item)
{
    std::lock_guard lock(decoderMutex_);
    if (decoder_ && decoderItem_ != item) {
        releaseDecoder(decoder_);
        hasDecoder_ = false;
        decoderItem_ = nullptr;
    }
}

void RadioStream::probeRun()
{
    PlayListItem *item;
    QString path;
    bool browse;
    {
        auto lock = lockPlaylist();
        if (!loadedItem_)
            return;
        item = loadedItem_;
        browse = probeBrowse_;
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
        module = probeFile(item, path, &probeAbandoned_);
        if (!module)
            error = QCoreApplication::translate("RadioStream", "unknown file format");
    }
    auto lock = lockPlaylist();
    if (probeAbandoned_) {
        // Given up for a new selection: nothing is known of the file.
        releaseDecoder(module);
    } else if (module) {
        if (!browse && item == playingItem_ && !isPlaying())
            installDecoder(std::move(module), item);
        releaseDecoder(module);
    } else {
        item->error = error;
        item->played = true;
        item->bad = true;
        if (item == playingItem_ && isPlaying())
            QMetaObject::invokeMethod(this, [this] { stop(); }, Qt::QueuedConnection);
        else
            post(StreamFormatEvent);
    }
    loadedItem_ = nullptr;
    post(StreamProbeDoneEvent);
}
