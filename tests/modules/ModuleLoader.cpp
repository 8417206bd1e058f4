#include "ModuleLoader.h"

#include <QDir>

#include <dlfcn.h>
#include <map>

QString modulePath(const QString &name)
{
    return QStringLiteral(WAVELARK_PLUGIN_DIR "/") + name + QStringLiteral(".so");
}

QStringList moduleNames()
{
    QStringList names = QString(WAVELARK_MODULE_NAMES).split(',', Qt::SkipEmptyParts);
    names.sort(Qt::CaseInsensitive);
    return names;
}

const LoadedModule &loadModule(const QString &name)
{
    static std::map<QString, LoadedModule> cache;
    auto it = cache.find(name);
    if (it != cache.end())
        return it->second;
    LoadedModule m;
    m.name = name;
    m.lib = dlopen(QFile::encodeName(modulePath(name)).constData(), RTLD_NOW);
    if (m.lib) {
        m.init = reinterpret_cast<WavelarkInitFn>(dlsym(m.lib, "init"));
        m.openFeed = reinterpret_cast<WavelarkOpenFeedFn>(dlsym(m.lib, "openFeed"));
        m.valid = reinterpret_cast<WavelarkValidFn>(dlsym(m.lib, "valid"));
        m.scan = reinterpret_cast<WavelarkScanFn>(dlsym(m.lib, "scan"));
        m.feed = reinterpret_cast<WavelarkFeedFn>(dlsym(m.lib, "feed"));
        m.decodeFrame = reinterpret_cast<WavelarkDecodeFrameFn>(dlsym(m.lib, "decodeFrame"));
        m.getInfo = reinterpret_cast<WavelarkGetInfoFn>(dlsym(m.lib, "getInfo"));
        m.finish = reinterpret_cast<WavelarkFinishFn>(dlsym(m.lib, "finish"));
        if (!m.init || !m.openFeed || !m.valid || !m.scan || !m.feed || !m.decodeFrame ||
            !m.getInfo || !m.finish || m.init(0) != 0)
            m.finish = nullptr;
    }
    return cache.emplace(name, m).first->second;
}

int LoadedModule::probe(const QByteArray &data, const std::vector<int> &table) const
{
    const int h = openFeed(table.empty() ? nullptr : table.data(), int(table.size() / 3));
    if (h == -1)
        return -1;
    const int r =
        valid(h, reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()));
    finish(h);
    return r;
}
