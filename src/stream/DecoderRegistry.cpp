// Finding a decoder module for the bytes at hand, and the modules in use.
#include "DecoderRegistry.h"

#include "AudioDevice.h"
#include "InstalledData.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Bytes without a module after which a probe gives up.
constexpr qsizetype kProbeLimit = 294911;

void logLine(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

// Tries one library; the module with a fresh feed when it accepts the data.
// Caller holds the decoder lock.
DecoderRegistry::Found tryModule(const QString &name, const QString &path, int verbosity,
                                 const AudioDevice &device, bool wantInfo, const char *data,
                                 size_t length)
{
    logLine(QStringLiteral("TRYING (LEN=%1): %2").arg(length).arg(path));
    LibraryHandle library(dlopen(QFile::encodeName(path).constData(), RTLD_NOW));
    if (!library.get()) {
        const char *err = dlerror();
        logLine(QStringLiteral("NO GOOD: ") + name + QStringLiteral(", ") +
                QString::fromLocal8Bit(err ? err : ""));
        return {};
    }
    DecoderRegistry::Found result{std::make_unique<DecoderModule>(), std::nullopt};
    DecoderModule &m = *result.module;
    m.name = name;
    const int *formats = reinterpret_cast<const int *>(device.formats());
    const int count = device.formatCount();
    const int len = int(std::min<size_t>(length, size_t(INT32_MAX)));
    int handle = -1;
    bool accepted = resolveEntryPoints(library.get(), m) && m.init(verbosity) == 0 &&
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

DecoderRegistry::DecoderRegistry(int verbosity, const AudioDevice &device)
    : verbosity_(verbosity), device_(device)
{}

DecoderRegistry::~DecoderRegistry()
{
    releaseStream();
}

QString DecoderRegistry::pluginDirectory()
{
    return QDir::homePath() + QStringLiteral("/.wavelark/plugins");
}

DecoderRegistry::Found DecoderRegistry::find(const char *data, size_t length, bool wantInfo,
                                             const std::atomic<bool> *abandon)
{
    std::lock_guard lock(mutex_);
    // The user's modules first; an installed one of the same name is left out.
    QStringList tried;
    for (const QString &folder : {pluginDirectory(), installedPluginDirectory()}) {
        if (folder.isEmpty())
            continue;
        const QStringList names = QDir(folder).entryList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name | QDir::IgnoreCase);
        for (const QString &name : names) {
            if (abandon && abandon->load())
                return {};
            if (tried.contains(name))
                continue;
            tried << name;
            Found found = tryModule(name, folder + QLatin1Char('/') + name, verbosity_, device_,
                                    wantInfo, data, length);
            if (found.module)
                return found;
        }
    }
    return {};
}

DecoderRegistry::Found DecoderRegistry::probeFile(const QString &path, bool wantInfo,
                                                  const std::atomic<bool> *abandon)
{
    if (path.isEmpty())
        return {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray buffer;
    char block[32768];
    Found found;
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        buffer.append(block, n);
        found = find(buffer.constData(), size_t(buffer.size()), wantInfo, abandon);
        if (found.module || buffer.size() > kProbeLimit || (abandon && abandon->load()))
            break;
    }
    ::close(fd);
    return found;
}

void DecoderRegistry::release(DecoderModulePtr &module)
{
    std::lock_guard lock(mutex_);
    if (!module)
        return;
    if (module->handle != -1)
        module->finish(module->handle);
    module.reset();
}

int DecoderRegistry::feed(DecoderModule &module, const unsigned char *data, int length)
{
    std::lock_guard lock(mutex_);
    return module.feed(module.handle, data, length);
}

int DecoderRegistry::decodeFrame(DecoderModule &module, const unsigned char **pcm, int *length)
{
    std::lock_guard lock(mutex_);
    return module.decodeFrame(module.handle, pcm, length);
}

std::optional<DecoderInfoSnapshot> DecoderRegistry::info(DecoderModule &module)
{
    std::lock_guard lock(mutex_);
    module.info = module.getInfo(module.handle);
    if (!module.info)
        return std::nullopt;
    return DecoderInfoSnapshot(*module.info);
}

bool DecoderRegistry::install(DecoderModulePtr module, const void *entry)
{
    std::lock_guard lock(mutex_);
    if (stream_) {
        release(module);
        return false;
    }
    stream_ = std::move(module);
    streamEntry_ = entry;
    hasStream_ = stream_ != nullptr;
    fed_ = 0;
    return true;
}

void DecoderRegistry::followStreamAt(uint64_t fed, DecoderModulePtr next)
{
    std::lock_guard lock(mutex_);
    release(next_);
    next_ = std::move(next);
    switchAt_ = fed;
}

void DecoderRegistry::releaseStream()
{
    std::lock_guard lock(mutex_);
    release(stream_);
    release(next_);
    streamEntry_ = nullptr;
    hasStream_ = false;
}

void DecoderRegistry::releaseStreamUnlessFor(const void *entry)
{
    std::lock_guard lock(mutex_);
    if (stream_ && streamEntry_ != entry)
        releaseStream();
}

int DecoderRegistry::feedStream(const QByteArray &chunk)
{
    std::lock_guard lock(mutex_);
    if (!stream_)
        return -1;
    // Everything fed so far was the old module's to decode, and each feed
    // follows a decode that asked for input: it has nothing left.
    if (next_ && fed_ >= switchAt_) {
        release(stream_);
        stream_ = std::move(next_);
    }
    fed_ += uint64_t(chunk.size());
    return stream_->feed(stream_->handle,
                         reinterpret_cast<const unsigned char *>(chunk.constData()),
                         int(chunk.size()));
}

int DecoderRegistry::decodeStreamFrame(const unsigned char **pcm, int *length)
{
    std::lock_guard lock(mutex_);
    if (!stream_)
        return -1;
    return stream_->decodeFrame(stream_->handle, pcm, length);
}

std::optional<DecoderInfoSnapshot> DecoderRegistry::streamInfo()
{
    std::lock_guard lock(mutex_);
    if (!stream_)
        return std::nullopt;
    return info(*stream_);
}

void DecoderRegistry::setOutBufSize(unsigned bytes)
{
    std::lock_guard lock(mutex_);
    outBufSize_ = bytes;
}

unsigned DecoderRegistry::outBufSize() const
{
    std::lock_guard lock(mutex_);
    return outBufSize_;
}
