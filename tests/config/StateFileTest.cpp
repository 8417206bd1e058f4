// The remembered state: what one run writes the next reads back, and a file
// that is not ours gives the defaults with a message, never a crash.
#include "StateFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

TEST(StateFile, WhatIsWrittenIsReadBackAndABadFileGivesTheDefaults)
{
    TempHome home;
    const QString path = home.file(".wavelark/state");
    EXPECT_TRUE(StateFile::read(path).message.isEmpty()) << "no file: defaults, no message";
    EXPECT_EQ(StateFile::read(path).state.volume, -1);

    WindowState state;
    state.volume = 35;
    state.configVolume = 80;
    state.muted = true;
    state.lastUrl = QStringLiteral("http://127.0.0.1:8000/stream?x=1 2");
    state.lastTitle = QStringLiteral("Radio \u00e9t\u00e9\nsecond line");
    state.geometry = QByteArray("\x01\x02\n\x00\xff", 5);
    state.listShown = true;
    ASSERT_EQ(StateFile::write(path, state), 0) << "the folder is made when missing";
    const StateRead back = StateFile::read(path);
    EXPECT_TRUE(back.message.isEmpty());
    EXPECT_EQ(back.state.volume, 35);
    EXPECT_EQ(back.state.configVolume, 80);
    EXPECT_TRUE(back.state.muted);
    EXPECT_EQ(back.state.lastUrl, state.lastUrl);
    EXPECT_EQ(back.state.lastTitle, QStringLiteral("Radio \u00e9t\u00e9 second line"));
    EXPECT_EQ(back.state.geometry, state.geometry);
    EXPECT_TRUE(back.state.listShown);

    for (const QByteArray &bad :
         {QByteArray("volume = 300\n"), QByteArray("muted = maybe\n"),
          QByteArray("this is not a state file\n"), QByteArray(70000, 'x')}) {
        home.write(".wavelark/state", bad);
        const StateRead read = StateFile::read(path);
        EXPECT_EQ(read.state.volume, -1) << bad.left(30).toStdString();
        EXPECT_FALSE(read.state.muted);
        EXPECT_TRUE(read.state.lastUrl.isEmpty());
        EXPECT_TRUE(read.message.contains(path)) << read.message.toStdString();
    }
    home.write(".wavelark/state", "# a later version\nfutureKey = 1\nvolume = 7\n");
    EXPECT_EQ(StateFile::read(path).state.volume, 7) << "unknown keys are left alone";
}
