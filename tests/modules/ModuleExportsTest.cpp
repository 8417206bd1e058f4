// Each module exports the eight entry points and nothing else, and they
// resolve with dlsym as the program resolves them.
#include "ModuleLoader.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

QStringList definedDynamicSymbols(const QString &path)
{
    QProcess nm;
    nm.start("nm", {"-D", "--defined-only", path});
    if (!nm.waitForFinished(30000) || nm.exitCode() != 0)
        return {};
    QStringList names;
    for (const QByteArray &line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 3)
            names << QString::fromLatin1(fields[2]);
    }
    names.sort();
    return names;
}

TEST(ModuleExports, ExactlyTheEightEntryPoints)
{
    const QStringList expected = {"decodeFrame", "feed",     "finish", "getInfo",
                                  "init",        "openFeed", "scan",   "valid"};
    ASSERT_FALSE(moduleNames().isEmpty());
    for (const QString &name : moduleNames()) {
        EXPECT_EQ(definedDynamicSymbols(modulePath(name)), expected) << name.toStdString();
        EXPECT_TRUE(loadModule(name).ok()) << name.toStdString() << " loads and initialises";
    }
}

} // namespace
