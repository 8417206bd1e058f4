#include "ConfigFixture.h"

#include <QDir>

namespace {

using ConfigRoundTrip = ConfigFixture;

// Settings, searches and bindings as a program that has just started holds
// them, after reading `text`.
struct FreshProgram
{
    FreshProgram() : stream(nullptr, nullptr, 0), config(settings, stream, searches)
    {
        changeSetting(stream, &StreamSettings::decodeWait, 3);
        config.setMessageSink([this](const QString &m) { messages << m; });
    }
    QByteArray writtenAfter(const QByteArray &text)
    {
        config.parse(text);
        return config.text();
    }
    WavelarkSettings settings;
    RadioStream stream;
    QStringList searches;
    WavelarkConfig config;
    QStringList messages;
};

TEST(ConfigRoundTripSeeds, EveryFuzzSeedWritesTheSameBytesTwice)
{
    const QDir dir(QStringLiteral(WAVELARK_CONFIG_SEEDS_DIR));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(names.size(), 5);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray first = FreshProgram().writtenAfter(readAllBytes(dir.filePath(name)));
        EXPECT_EQ(FreshProgram().writtenAfter(first).toStdString(), first.toStdString());
    }
}

TEST_F(ConfigRoundTrip, EmptiedOrRejectedValuesComeBackAsAtStart)
{
    ASSERT_TRUE(readText("proxy = 10.0.0.1:3128\nproxy =\n"
                         "allowedProxyPorts = 80 8080\nallowedProxyPorts = 40 99990\n"
                         "proxyPassword = secret\nproxyPassword = \n"
                         "scanSound = /s/a.mp3\nscanSound =\n"));
    const QByteArray text = config.text();
    EXPECT_TRUE(text.contains("\n#allowedProxyPorts = 80 8080\n\n"));
    EXPECT_TRUE(text.contains("\n#scanSound = /path/to/some/file.mp3\n\n"));
    EXPECT_FALSE(text.contains("\nproxy ="));
    EXPECT_FALSE(text.contains("secret"));

    FreshProgram fresh;
    EXPECT_EQ(fresh.writtenAfter(text).toStdString(), text.toStdString());
    EXPECT_TRUE(fresh.stream.settings().proxy.isEmpty());
    EXPECT_TRUE(fresh.stream.settings().allowedProxyPorts.isEmpty());
    EXPECT_TRUE(fresh.stream.settings().proxyPassword.isEmpty());
    EXPECT_TRUE(fresh.settings.scanSound.isEmpty());
    EXPECT_TRUE(fresh.messages.isEmpty());

    // An example line is a comment: it leaves what the holder had, so the
    // same text gives the same file only from the start-up values.
    FreshProgram used;
    changeSetting(used.stream, &StreamSettings::allowedProxyPorts,
                  QStringList{QStringLiteral("80"), QStringLiteral("9999")});
    EXPECT_NE(used.writtenAfter(text), text);
}

TEST_F(ConfigRoundTrip, LineBreaksInsideAValueCannotAddLines)
{
    changeSetting(stream, &StreamSettings::proxy, QStringLiteral("host:1\nkeyQuit = 27"));
    settings.recordDirectory = QStringLiteral("/rec\r\nvolume = 99");
    searches << QStringLiteral("jazz\nkeyMute = 5") << QStringLiteral("rock");
    const QByteArray text = config.text();

    FreshProgram fresh;
    EXPECT_EQ(fresh.writtenAfter(text).toStdString(), text.toStdString());
    EXPECT_TRUE(fresh.messages.isEmpty()) << fresh.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(fresh.config.firstKeycode(keyQuit), 0);
    EXPECT_EQ(fresh.config.firstKeycode(keyMute), 0);
    EXPECT_EQ(fresh.settings.volume, 45);
    EXPECT_EQ(fresh.stream.settings().proxy, QStringLiteral("host:1 keyQuit = 27"));
    EXPECT_EQ(fresh.settings.recordDirectory, QStringLiteral("/rec  volume = 99"));
    EXPECT_EQ(fresh.searches,
              QStringList({QStringLiteral("jazz keyMute = 5"), QStringLiteral("rock")}));
}

} // namespace
