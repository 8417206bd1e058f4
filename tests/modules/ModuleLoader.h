#pragma once
// Loads a built decoder module with dlopen and resolves its eight entry
// points, as the program does.
#include "QtPrinters.h"

#include <wavelark/decoder.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

struct LoadedModule
{
    QString name;
    void *lib = nullptr;
    WavelarkInitFn init = nullptr;
    WavelarkOpenFeedFn openFeed = nullptr;
    WavelarkValidFn valid = nullptr;
    WavelarkScanFn scan = nullptr;
    WavelarkFeedFn feed = nullptr;
    WavelarkDecodeFrameFn decodeFrame = nullptr;
    WavelarkGetInfoFn getInfo = nullptr;
    WavelarkFinishFn finish = nullptr;

    bool ok() const { return lib && finish; }
    // openFeed + valid + finish, as the program's search does.
    int probe(const QByteArray &data, const std::vector<int> &table = {}) const;
};

// The module <name>.so from the build's plug-in folder, loaded once and kept.
const LoadedModule &loadModule(const QString &name);
QString modulePath(const QString &name);
// Every module this build made, in the program's probe order.
QStringList moduleNames();
