// The song history as a listener keeps it: newest first, across runs, bounded,
// and a damaged file costs only its damaged lines.
#include "SongHistory.h"
#include "TempHome.h"

#include <gtest/gtest.h>

TEST(SongHistory, NewestFirstKeptAcrossRunsAndBounded)
{
    TempHome home;
    const QString path = home.file(".wavelark/history");
    const QDateTime start(QDate(2026, 12, 9), QTime(20, 0), Qt::UTC);
    {
        SongHistory history(path, 3);
        EXPECT_TRUE(history.load().isEmpty()) << "no file yet";
        ASSERT_EQ(history.add(QStringLiteral("One"), QStringLiteral("Radio\tA"), start), 0);
        history.add(QStringLiteral("One"), QStringLiteral("Radio\tA"), start.addSecs(5));
        history.add(QStringLiteral("Two\nlines"), QString(), start.addSecs(60));
        history.add(QString(), QStringLiteral("Radio A"), start.addSecs(70));
        history.add(QStringLiteral("Three"), QStringLiteral("Radio B"), start.addSecs(120));
        history.add(QStringLiteral("Four"), QStringLiteral("Radio B"), start.addSecs(180));
        ASSERT_EQ(history.entries().size(), 3) << "the oldest goes past the bound";
        EXPECT_EQ(history.entries().first().title, QStringLiteral("Four"));
    }
    SongHistory again(path, 3);
    EXPECT_TRUE(again.load().isEmpty());
    ASSERT_EQ(again.entries().size(), 3);
    EXPECT_EQ(again.entries()[0].title, QStringLiteral("Four"));
    EXPECT_EQ(again.entries()[1].station, QStringLiteral("Radio B"));
    EXPECT_EQ(again.entries()[2].title, QStringLiteral("Two lines"));
    EXPECT_TRUE(again.entries()[2].station.isEmpty()) << "a song without a station reads back";
    EXPECT_EQ(again.entries()[2].time, start.addSecs(60));
    EXPECT_EQ(SongHistory::describe(again.entries()[1]).section(u' ', 3),
              QStringLiteral("Three \u2014 Radio B"));

    home.write(".wavelark/history", "garbage\nnot-a-time\tA\tB\n2026-12-09T20:00:00Z\tGood\tSt\n"
                                    "2026-12-09T20:00:00Z\t\tNo title\n");
    SongHistory damaged(path);
    EXPECT_TRUE(damaged.load().isEmpty());
    ASSERT_EQ(damaged.entries().size(), 1);
    EXPECT_EQ(damaged.entries()[0].title, QStringLiteral("Good"));
    EXPECT_EQ(damaged.clear(), 0);
    SongHistory cleared(path);
    cleared.load();
    EXPECT_TRUE(cleared.entries().isEmpty());
}
