#include "ConfigFixture.h"

#include <climits>

namespace {

using ConfigRead = ConfigFixture;

TEST_F(ConfigRead, KeysIgnoreCaseAndSurroundingBlanks)
{
    ASSERT_TRUE(readText("VOLUME = 70\n  marqueeinterval=200  \nPROXY =host:3128\n"));
    EXPECT_EQ(settings.volume, 70);
    EXPECT_EQ(settings.marqueeInterval, 200);
    EXPECT_EQ(stream.settings().proxy, QStringLiteral("host:3128"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConfigRead, BoolValues)
{
    struct Case
    {
        const char *value;
        bool expected;
        bool message;
    };
    const Case cases[] = {
        {"Yes", true, false},        {"TRUE", true, false},   {"1", true, false},
        {"no", false, false},        {"False", false, false}, {"0", false, false},
        {"on", false, true},         {"01", false, true},     {"", false, true},
        {"true false", false, true},
    };
    for (const Case &c : cases) {
        messages.clear();
        settings.autoPlay = false;
        ASSERT_TRUE(readText(QByteArray("# comment\nautoPlay = ") + c.value + "\n"));
        EXPECT_EQ(settings.autoPlay, c.expected) << c.value;
        if (c.message) {
            ASSERT_EQ(messages.size(), 1) << c.value;
            EXPECT_EQ(messages[0], configPath() + ": parse error: line 2, using default");
        } else {
            EXPECT_TRUE(messages.isEmpty()) << c.value;
        }
    }
}

TEST_F(ConfigRead, BadBoolKeepsTheCurrentValue)
{
    ASSERT_TRUE(readText("cyclicPlayList = maybe\nskipBadFiles = yes\nskipBadFiles = perhaps\n"));
    EXPECT_TRUE(settings.cyclicPlayList);
    EXPECT_TRUE(stream.settings().skipBadFiles);
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(ConfigRead, NumbersThatAreNotNumbersGiveZeroSilently)
{
    ASSERT_TRUE(readText("volume = abc\nscanInterval = -7\nplayListJump = 99999999999\n"
                         "connectTimeout = 12x\nreadInterval = +40\n"));
    EXPECT_EQ(settings.volume, 0);
    EXPECT_EQ(settings.scanInterval, -7);
    EXPECT_EQ(settings.playListJump, 0);
    EXPECT_EQ(stream.settings().connectTimeout, 0);
    EXPECT_EQ(stream.settings().readInterval, 40);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConfigRead, KilobyteSizesAreStoredInBytes)
{
    ASSERT_TRUE(readText("inBufSize = 100\noutBufSize = 16\nrecordBufSize = 64\n"));
    EXPECT_EQ(stream.inBufSize(), 100u * 1024);
    EXPECT_EQ(stream.settings().outBufSize, 16u * 1024);
    EXPECT_EQ(stream.settings().recordBufSize, 64u * 1024);
}

TEST_F(ConfigRead, RecordBufferSizeZeroIsIgnored)
{
    ASSERT_TRUE(readText("recordBufSize = 0\noutBufSize = nothing\n"));
    EXPECT_EQ(stream.settings().recordBufSize, 256u * 1024);
    EXPECT_EQ(stream.settings().outBufSize, 0u);
}

TEST_F(ConfigRead, SizesThatWouldOverflowGiveZeroNotAWrappedSize)
{
    ASSERT_TRUE(readText(QByteArray("inBufSize = ") + QByteArray::number(INT_MAX) +
                         "\noutBufSize = -5\nrecordBufSize = 3000000\n"));
    EXPECT_EQ(stream.inBufSize(), 0u);
    EXPECT_EQ(stream.settings().outBufSize, 0u);
    EXPECT_EQ(stream.settings().recordBufSize, 256u * 1024); // 0 is ignored
}

TEST_F(ConfigRead, PortLists)
{
    struct Case
    {
        const char *value;
        QStringList expected;
    };
    const Case cases[] = {
        {"80 8080", {"80", "8080"}},
        {"80  443", {"80", "443"}},
        {"80 99999", {}},
        {"+80 8080", {}},
        {"0", {}},
        {"65535", {"65535"}},
        {"80,8080", {}},
        {"80\t8080", {}},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(readText(QByteArray("allowedProxyPorts = ") + c.value + "\n"));
        EXPECT_EQ(stream.settings().allowedProxyPorts, c.expected) << c.value;
    }
}

TEST_F(ConfigRead, ProxyTypesByName)
{
    const std::pair<const char *, int> cases[] = {
        {"socks4", 1}, {"SOCKS4A", 2}, {"Socks5", 3}, {"http", 0}, {"gopher", 0}};
    for (const auto &[name, type] : cases) {
        changeSetting(stream, &StreamSettings::proxyType, -1);
        ASSERT_TRUE(readText(QByteArray("proxyType = ") + name + "\n"));
        EXPECT_EQ(stream.settings().proxyType, type) << name;
    }
}

TEST_F(ConfigRead, SearchListsAccumulate)
{
    ASSERT_TRUE(readText("shoutCastSearches = jazz||blues|\nshoutCastSearches = drum & bass\n"
                         "shoutCastSearches = | |  soul  |\n"));
    EXPECT_EQ(searches, QStringList({"jazz", "blues", "drum & bass", "soul"}));
}

TEST_F(ConfigRead, ParseErrorsNameTheirLines)
{
    ASSERT_TRUE(readText("# first\n\n   \nnoEqualsHere\n  # indented comment\n"
                         "unknownKey = 1\nvolume = 10\n=\n"));
    EXPECT_EQ(settings.volume, 10);
    const QString p = configPath() + ": parse error: line ";
    EXPECT_EQ(messages, QStringList({p + "3", p + "4", p + "5", p + "6", p + "8"}));
}

TEST_F(ConfigRead, StringValuesMayBeEmptyAndKeepInnerEquals)
{
    ASSERT_TRUE(readText("recordDirectory =\nnetworkProfile = a=b = c\n"));
    EXPECT_EQ(settings.recordDirectory, QString(""));
    EXPECT_EQ(settings.networkProfile, QStringLiteral("a=b = c"));
}

TEST_F(ConfigRead, LaterLinesWin)
{
    ASSERT_TRUE(readText("volume = 10\nvolume = 20\n"));
    EXPECT_EQ(settings.volume, 20);
}

TEST_F(ConfigRead, SoundsVolumeGoesToBothHolders)
{
    ASSERT_TRUE(readText("soundsVolume = 30\n"));
    EXPECT_EQ(settings.soundsVolume, 30);
    EXPECT_EQ(stream.settings().soundsVolume, 30);
}

TEST_F(ConfigRead, MissingFileKeepsDefaults)
{
    EXPECT_FALSE(config.read(home.file("nope/config")));
    EXPECT_EQ(messages,
              QStringList({home.file("nope/config") + ": could not open file for reading."}));
    EXPECT_EQ(settings.volume, 45);
}

TEST_F(ConfigRead, CrLfLinesAndEncodings)
{
    ASSERT_TRUE(readText("volume = 33\r\n\r\nrecordDirectory = /m\xc3\xbcsik\r\n"
                         "networkProfile = caf\xe9\n"));
    EXPECT_EQ(settings.volume, 33);
    EXPECT_EQ(settings.recordDirectory, QStringLiteral("/m\u00fcsik"));
    EXPECT_EQ(settings.networkProfile, QStringLiteral("caf\u00e9"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConfigRead, GarbageIsReportedLineByLineAndReadingGoesOn)
{
    QByteArray text("volume = 1\n");
    text += QByteArray(3, '\0') + "\xff\xfe garbage\n";
    text += QByteArray(10 * 1024 * 1024, 'x') + "\n";
    text += "=====\n";
    text += QByteArray("marqueeInterval = 7\0junk", 24) + "\n";
    text += "scanInterval = 9"; // no final newline
    ASSERT_TRUE(readText(text));
    EXPECT_EQ(settings.volume, 1);
    EXPECT_EQ(settings.marqueeInterval, 0); // the NUL makes it not a number
    EXPECT_EQ(settings.scanInterval, 9);
    const QString p = configPath() + ": parse error: line ";
    EXPECT_EQ(messages, QStringList({p + "2", p + "3", p + "4"}));
}

} // namespace
