// What a listener finds after a restart: the volume, the mute and the last
// entry played, kept in a state file of their own.
#include "TrayIcon.h"
#include "UiTestSupport.h"
#include "WavelarkFirstRun.h"
#include "WavelarkIndicators.h"
#include "stream.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QStringList kStations = {QStringLiteral("http://127.0.0.1:9/first"),
                               QStringLiteral("http://127.0.0.1:9/second")};

QByteArray favorites()
{
    return "[playlist]\nnumberofentries=2\nFile1=" + kStations[0].toUtf8() +
           "\nFile2=" + kStations[1].toUtf8() + "\n";
}

TEST(RememberedState, VolumeMuteAndTheLastEntryComeBackAfterARestart)
{
    PlayerHome player("volume = 60\n");
    player.home.write(".wavelark/favorites.pls", favorites());
    const QString config = player.home.file(".wavelark/config");
    const QByteArray configBefore = readAllBytes(config);
    {
        auto window = makeWindow({});
        EXPECT_EQ(window->mediaVolume(), 60) << "no state yet: the configuration's volume";
        ASSERT_EQ(window->radioStream()->count(), 2u) << "the favorites";
        window->radioStream()->selectIndex(1, Selection::Playing);
        window->setMediaVolume(25);
        window->volumeIndicatorWidget()->setMuted(true);
        ASSERT_TRUE(window->runCommand("closeToTray"));
    }
    EXPECT_TRUE(QFile::exists(player.home.file(".wavelark/state")));
    EXPECT_EQ(readAllBytes(config), configBefore)
        << "the configuration is still written only from the preferences";
    {
        auto window = makeWindow({});
        EXPECT_EQ(window->radioStream()->currentIndex(Selection::Playing), 1);
        EXPECT_EQ(window->mediaVolume(), 25);
        EXPECT_TRUE(window->volumeIndicatorWidget()->isMuted());
        EXPECT_EQ(window->radioStream()->volume(), 0);
        EXPECT_TRUE(window->trayIcon()->closesToTray());
        window->volumeIndicatorWidget()->setMuted(false);
    }
    {
        // Locations named start at their first.
        auto window = makeWindow(kStations);
        EXPECT_EQ(window->radioStream()->currentIndex(Selection::Playing), 0);
        window->radioStream()->selectIndex(1, Selection::Playing);
    }
    QFile::remove(player.home.file(".wavelark/favorites.pls"));
    {
        // Nothing named and no favorites, yet no first run either: the last
        // entry is the playlist, and the directory is not asked.
        setFirstRunAsksDirectory(true);
        auto window = makeWindow({});
        setFirstRunAsksDirectory(false);
        RadioStream *stream = window->radioStream();
        ASSERT_EQ(stream->count(), 1);
        EXPECT_EQ(stream->playlist()->at(0)->url, kStations[1]);
        EXPECT_FALSE(window->volumeIndicatorWidget()->isMuted());
        EXPECT_EQ(window->radioStream()->fetchCount(), 0);
        // Without a tray, closing still quits.
        EXPECT_TRUE(window->close());
    }
    // A volume set in the preferences since then is the one heard.
    player.home.write(".wavelark/config", configBefore + "volume = 70\n");
    {
        auto window = makeWindow(kStations);
        EXPECT_EQ(window->mediaVolume(), 70);
    }
    player.home.write(".wavelark/favorites.pls", favorites());
    player.home.write(".wavelark/state",
                      "volume = loud\nlastUrl = " + kStations[1].toUtf8() + "\n");
    {
        auto window = makeWindow({});
        EXPECT_EQ(window->radioStream()->currentIndex(Selection::Playing), 0) << "defaults";
        EXPECT_EQ(window->mediaVolume(), 70);
    }
}

} // namespace
