#pragma once

#include "TempHome.h"
#include "WavelarkConfig.h"
#include "stream.h"

#include <gtest/gtest.h>

// A configuration bound to fresh settings and a fresh stream, with the
// stream's decode wait set as start-up sets it, and the messages captured.
class ConfigFixture : public ::testing::Test
{
protected:
    ConfigFixture() : stream(nullptr, nullptr, 0), config(settings, stream, searches)
    {
        changeSetting(stream, &StreamSettings::decodeWait, 3);
        config.setMessageSink([this](const QString &m) { messages << m; });
    }

    // Reads `text` as the file ~/.wavelark/config.
    bool readText(const QByteArray &text)
    {
        return config.read(home.write(QStringLiteral(".wavelark/config"), text));
    }
    QString configPath() const { return home.file(QStringLiteral(".wavelark/config")); }

    TempHome home;
    WavelarkSettings settings;
    RadioStream stream;
    QStringList searches;
    WavelarkConfig config;
    QStringList messages;
};
