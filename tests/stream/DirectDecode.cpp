// A decoder module driven without the engine.
#include "DirectDecode.h"

#include <wavelark/decoder.h>

#include <QFile>

#include <dlfcn.h>

namespace {

struct DirectModule
{
    void *library = nullptr;
    WavelarkInitFn init = nullptr;
    WavelarkOpenFeedFn openFeed = nullptr;
    WavelarkFeedFn feed = nullptr;
    WavelarkDecodeFrameFn decodeFrame = nullptr;
    WavelarkFinishFn finish = nullptr;
};

} // namespace

QByteArray decodeDirectly(const QString &modulePath, const QByteArray &file,
                          const AudioFormatEntry *formats, int count)
{
    DirectModule m;
    m.library = dlopen(QFile::encodeName(modulePath).constData(), RTLD_NOW);
    if (!m.library)
        return {};
    m.init = reinterpret_cast<WavelarkInitFn>(dlsym(m.library, "init"));
    m.openFeed = reinterpret_cast<WavelarkOpenFeedFn>(dlsym(m.library, "openFeed"));
    m.feed = reinterpret_cast<WavelarkFeedFn>(dlsym(m.library, "feed"));
    m.decodeFrame = reinterpret_cast<WavelarkDecodeFrameFn>(dlsym(m.library, "decodeFrame"));
    m.finish = reinterpret_cast<WavelarkFinishFn>(dlsym(m.library, "finish"));
    m.init(0);
    const int handle = m.openFeed(reinterpret_cast<const int *>(formats), count);
    QByteArray out;
    m.feed(handle, reinterpret_cast<const unsigned char *>(file.constData()), int(file.size()));
    for (;;) {
        const unsigned char *pcm = nullptr;
        int length = 0;
        const int rc = m.decodeFrame(handle, &pcm, &length);
        if (rc == -1 || rc == 2 || (rc == 0 && length == 0))
            break;
        out.append(reinterpret_cast<const char *>(pcm), length);
    }
    m.finish(handle);
    return out;
}
