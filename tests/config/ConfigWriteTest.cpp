#include "ConfigFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using ConfigWrite = ConfigFixture;

mode_t modeOf(const QString &path)
{
    struct stat st
    {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

TEST_F(ConfigWrite, DefaultsGiveTheGoldenFile)
{
    ASSERT_TRUE(config.write(configPath()));
    const QByteArray golden = readAllBytes(WAVELARK_GOLDEN_DIR "/default.config");
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(readAllBytes(configPath()).toStdString(), golden.toStdString());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConfigWrite, RoundTripGivesTheSameBytes)
{
    const QByteArray text =
        "networkProfile = wlan0\nloadFavorites = no\nvolume = 80\nsoundsVolume = 20\n"
        "scanSound = /s/scan.mp3\nconnectTimeout = 30\ninBufSize = 100\noutBufSize = 8\n"
        "recordBufSize = 512\nrecordDirectory = /tmp/rec\nrecordOneFile = yes\n"
        "proxy = 10.0.0.1:3128\nallowedProxyPorts = 80 8080\nproxyUsername = me\n"
        "proxyPassword = secret\nproxyType = SOCKS5\nstreamRetries = 3\nreadInterval = 100\n"
        "decodeInterval = 50\nfillOnEmpty = 1\nbufferEmptySound = /s/empty.ogg\n"
        "decodeWait = 5\nshoutCastSearches = jazz|rock music\nskipBadFiles = true\n"
        "tagColor = red\nkeyMute = 4100\nkeymute = ^4100\nKEYQUIT = 27\n";
    ASSERT_TRUE(readText(text));
    ASSERT_TRUE(config.write(configPath()));
    const QByteArray first = readAllBytes(configPath());

    WavelarkSettings settings2;
    RadioStream stream2(nullptr, nullptr, 0);
    QStringList searches2;
    WavelarkConfig config2(settings2, stream2, searches2);
    ASSERT_TRUE(config2.read(configPath()));
    ASSERT_TRUE(config2.write(configPath()));
    EXPECT_EQ(readAllBytes(configPath()).toStdString(), first.toStdString());

    EXPECT_TRUE(first.contains("\nproxyType = socks5\n"));
    EXPECT_TRUE(first.contains("\nshoutCastSearches = jazz|rock music\n"));
    EXPECT_TRUE(first.contains("\nkeyMute = 4100\nkeyMute = ^4100\n"));
    EXPECT_TRUE(first.contains("\nkeyQuit = 27\n"));
    EXPECT_EQ(settings2.recordDirectory, QStringLiteral("/tmp/rec"));
    EXPECT_EQ(stream2.inBufSize(), 100u * 1024);
}

TEST_F(ConfigWrite, SizesComeBackAsTheSameLine)
{
    ASSERT_TRUE(readText("inBufSize = 100\n"));
    ASSERT_TRUE(config.write(configPath()));
    EXPECT_TRUE(readAllBytes(configPath()).contains("\ninBufSize = 100\n"));
}

TEST_F(ConfigWrite, FileIsPrivateAndFolderIsCreatedPrivate)
{
    const QString path = home.file(".wavelark/config");
    ASSERT_FALSE(QFileInfo::exists(home.file(".wavelark")));
    ASSERT_TRUE(config.write(path));
    EXPECT_EQ(modeOf(home.file(".wavelark")), mode_t(0700));
    EXPECT_EQ(modeOf(path), mode_t(0600));
    EXPECT_EQ(config.path(), path);

    // Rewriting a file that others could read makes it private too.
    ::chmod(QFile::encodeName(path).constData(), 0644);
    ASSERT_TRUE(config.write(path));
    EXPECT_EQ(modeOf(path), mode_t(0600));
}

// A full disk in the middle of a write: the file-size limit makes the
// write fail part way, as a full disk would, even for root.
TEST_F(ConfigWrite, FailedWriteKeepsTheOldFile)
{
    ASSERT_TRUE(readText("volume = 77\n"));
    const QByteArray before = readAllBytes(configPath());
    messages.clear();

    struct rlimit old
    {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit tiny = old;
    tiny.rlim_cur = 200;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    const bool ok = config.write(configPath());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(messages, QStringList({configPath() + ": could not open file for writing."}));
    EXPECT_EQ(readAllBytes(configPath()), before);
    EXPECT_EQ(QDir(home.file(".wavelark")).entryList(QDir::Files), QStringList({"config"}));
}

TEST_F(ConfigWrite, ASymlinkedFileKeepsItsLink)
{
    const QString real = home.write("dotfiles/wavelark.conf", "volume = 12\n");
    QDir().mkpath(home.file(".wavelark"));
    ASSERT_TRUE(QFile::link(real, configPath()));
    ASSERT_TRUE(config.read(configPath()));
    ASSERT_TRUE(config.write(configPath()));
    EXPECT_TRUE(QFileInfo(configPath()).isSymLink());
    EXPECT_TRUE(readAllBytes(real).contains("\nvolume = 12\n"));
}

TEST_F(ConfigWrite, UnwritableTargetIsReported)
{
    // A folder where the file should be cannot be replaced, whoever we are.
    const QString path = home.file("isafolder");
    QDir().mkpath(path + "/inside");
    EXPECT_FALSE(config.write(path));
    EXPECT_EQ(messages, QStringList({path + ": could not open file for writing."}));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(ConfigWrite, EmptyExampleKeysAreCommentedAndFilledOnesAreNot)
{
    settings.eofSound = QStringLiteral("/s/eof.wav");
    changeSetting(stream, &StreamSettings::proxy, QStringLiteral("proxy:8080"));
    const QByteArray text = config.text();
    EXPECT_TRUE(text.contains("\neofSound = /s/eof.wav\n\n"));
    EXPECT_FALSE(text.contains("#eofSound"));
    EXPECT_TRUE(text.contains("\nproxy = proxy:8080\n\n"));
    EXPECT_TRUE(text.contains("\n#retrySound = /path/to/some/filename\n\n"));
    settings.recordDirectory.clear();
    EXPECT_TRUE(config.text().contains("\nrecordDirectory = \n\n"));
}

} // namespace
