// The selections' moves, without an engine.
#include "PlaylistCursor.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

class CursorMoves : public ::testing::Test
{
protected:
    void useEntries(int n)
    {
        list = std::make_unique<RadioPlayList>();
        for (int i = 0; i < n; ++i)
            list->add(QStringLiteral("http://127.0.0.1:9/%1").arg(i),
                      QStringLiteral("Entry %1").arg(i));
        cursor.setList(list.get());
        list->setCursor(0);
        cursor.selectAtCursor(Selection::Playing);
    }
    // A step as the engine takes it: the selection follows the cursor.
    int step(bool forward, Selection which, bool skipBad = false)
    {
        const int index = cursor.step(forward, which, skipBad);
        if (index >= 0)
            cursor.selectAtCursor(which);
        return index;
    }
    PlayListItem *at(int i) { return list->at(i); }

    std::unique_ptr<RadioPlayList> list;
    PlaylistCursor cursor;
};

TEST_F(CursorMoves, PlayingStopsAtTheEndsBrowsingWraps)
{
    useEntries(3);
    EXPECT_EQ(step(false, Selection::Playing), -1);
    EXPECT_EQ(cursor.currentIndex(Selection::Playing), 0);
    EXPECT_EQ(step(true, Selection::Playing), 1);
    EXPECT_EQ(step(true, Selection::Playing), 2);
    EXPECT_EQ(step(true, Selection::Playing), -1);
    EXPECT_EQ(cursor.currentIndex(Selection::Playing), 2);
    // Browsing starts from the playing entry, wraps, and leaves it alone.
    EXPECT_EQ(step(true, Selection::Browse), 0);
    EXPECT_EQ(step(false, Selection::Browse), 2);
    EXPECT_EQ(step(false, Selection::Browse), 1);
    EXPECT_EQ(cursor.currentIndex(Selection::Browse), 1);
    EXPECT_EQ(cursor.currentIndex(Selection::Playing), 2);
    // A browse entry that is gone falls back to the playing one.
    list->removeAt(1);
    EXPECT_EQ(cursor.currentItem(Selection::Browse), at(1));
}

TEST_F(CursorMoves, SkipBadStopsAtTheLastEntryEvenWhenItIsBad)
{
    useEntries(5);
    at(2)->bad = at(3)->bad = at(4)->bad = true;
    EXPECT_EQ(step(true, Selection::Playing, true), 1);
    EXPECT_EQ(step(true, Selection::Playing, true), 4); // runs off the end, lands on the last
    EXPECT_EQ(step(true, Selection::Playing, true), -1);
    at(1)->bad = true;
    EXPECT_EQ(step(false, Selection::Playing, true), 0); // over 3, 2, 1 to the first
    EXPECT_EQ(step(true, Selection::Playing, false), 1);
    // Browsing never skips.
    EXPECT_EQ(step(true, Selection::Browse, true), 2);
}

TEST_F(CursorMoves, ShufflePlaysEveryGoodEntryOnceThenStartsAgain)
{
    useEntries(6);
    at(4)->bad = true;
    std::set<int> seen;
    bool reset = false;
    for (int i = 0; i < 5; ++i) {
        const int pick = cursor.shufflePick(reset);
        ASSERT_GE(pick, 0);
        EXPECT_FALSE(reset);
        EXPECT_NE(pick, 4);
        EXPECT_TRUE(seen.insert(pick).second) << "picked twice: " << pick;
        at(pick)->played = true;
        list->setCursor(pick);
    }
    const int again = cursor.shufflePick(reset);
    EXPECT_TRUE(reset);
    EXPECT_NE(again, list->cursor()); // not the entry that just played
    EXPECT_NE(again, 4);
    for (int i = 0; i < 6; ++i)
        at(i)->bad = true;
    EXPECT_EQ(cursor.shufflePick(reset), -1);
    useEntries(1);
    EXPECT_EQ(cursor.shufflePick(reset), 0);
}

TEST_F(CursorMoves, RemovalTargetFollowsTheSelection)
{
    useEntries(3);
    EXPECT_EQ(cursor.removalTarget(Selection::Playing), at(0));
    step(true, Selection::Browse);
    EXPECT_EQ(cursor.removalTarget(Selection::Browse), at(1));
    list->removeAt(1);
    EXPECT_EQ(cursor.removalTarget(Selection::Browse), at(0)); // gone: the playing entry
}

} // namespace
