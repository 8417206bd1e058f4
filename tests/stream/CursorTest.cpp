#include "EngineFixture.h"

namespace {

// Remote entries: selecting them starts no probe, so the tests see only
// the cursor's own behaviour.
class Cursor : public EngineFixture
{
protected:
    void useEntries(int n)
    {
        auto *list = new RadioPlayList;
        for (int i = 0; i < n; ++i)
            list->add(QStringLiteral("http://127.0.0.1:9/%1").arg(i), QStringLiteral("Entry %1").arg(i));
        stream->setPlaylist(list, true);
    }
    PlayListItem *at(int i) { return stream->playlist()->at(i); }
};

TEST_F(Cursor, StepAtTheEndsInPlayAndBrowseMode)
{
    useEntries(3);
    EXPECT_EQ(stream->currentIndex(false), 0);
    EXPECT_FALSE(stream->prev(false));
    EXPECT_EQ(stream->currentIndex(false), 0);
    EXPECT_TRUE(stream->next(false));
    EXPECT_TRUE(stream->next(false));
    EXPECT_FALSE(stream->next(false));
    EXPECT_EQ(stream->currentIndex(false), 2);
    // Browse mode wraps; the playing entry stays.
    EXPECT_TRUE(stream->next(true));
    EXPECT_EQ(stream->currentIndex(true), 0);
    EXPECT_TRUE(stream->prev(true));
    EXPECT_EQ(stream->currentIndex(true), 2);
    EXPECT_EQ(stream->currentIndex(false), 2);
}

TEST_F(Cursor, SkipBadStopsAtTheLastEntryEvenWhenItIsBad)
{
    useEntries(5);
    stream->setSkipBadFiles(true);
    at(2)->bad = true;
    at(3)->bad = true;
    at(4)->bad = true;
    EXPECT_TRUE(stream->next(false));
    EXPECT_EQ(stream->currentIndex(false), 1);
    EXPECT_TRUE(stream->next(false)); // runs off the end, lands on the last
    EXPECT_EQ(stream->currentIndex(false), 4);
    EXPECT_FALSE(stream->next(false));
    at(1)->bad = true;
    EXPECT_TRUE(stream->prev(false)); // over 3, 2, 1 to the first
    EXPECT_EQ(stream->currentIndex(false), 0);
    stream->setSkipBadFiles(false);
    EXPECT_TRUE(stream->next(false));
    EXPECT_EQ(stream->currentIndex(false), 1);
}

TEST_F(Cursor, SearchCaseRuleAndIdRule)
{
    auto *list = new RadioPlayList;
    list->add("http://h/0", "start");
    list->add("http://h/1", "abc radio");
    list->add("http://h/2", "ABC Radio");
    stream->setPlaylist(list, true);
    EXPECT_TRUE(stream->search("abc", 1, false)); // case-insensitive
    EXPECT_EQ(stream->currentIndex(false), 1);
    EXPECT_TRUE(stream->search("abc", 1, false));
    EXPECT_EQ(stream->currentIndex(false), 2);
    EXPECT_TRUE(stream->search("Abc", 1, false) == false); // case-sensitive, no "Abc"
    EXPECT_EQ(stream->currentIndex(false), 2);
    // The entry under the cursor is never found, even as the only match.
    EXPECT_FALSE(stream->search("ABC", 1, false));

    auto *ids = new RadioPlayList;
    ids->add("http://h/a", "a");
    ids->add("http://h/b", "b");
    stream->setPlaylist(ids, true);
    const QString id = QString::number(ids->at(1)->id);
    EXPECT_TRUE(stream->search(id, 0, false));
    EXPECT_EQ(stream->currentIndex(false), 1);
    EXPECT_FALSE(stream->search(id.left(id.size() - 1) + "9" + id.right(1), 0, false));
}

TEST_F(Cursor, ShufflePickResetsWhenEverythingWasPlayed)
{
    useEntries(4);
    for (int i = 0; i < 4; ++i)
        at(i)->played = true;
    at(3)->bad = true;
    bool reset = false;
    const int pick = stream->shufflePick(reset);
    EXPECT_TRUE(reset);
    EXPECT_TRUE(pick == 1 || pick == 2) << pick; // not the cursor, not bad
    EXPECT_FALSE(at(0)->played);
    for (int i = 0; i < 3; ++i)
        at(i)->bad = true;
    EXPECT_EQ(stream->shufflePick(reset), -1);

    useEntries(1);
    EXPECT_EQ(stream->shufflePick(reset), 0);
}

TEST_F(Cursor, RemovingTheOnlyEntryLeavesNoSelection)
{
    useEntries(1);
    EXPECT_FALSE(stream->removeCurrent(false));
    EXPECT_EQ(stream->count(), 0u);
    EXPECT_EQ(stream->currentItem(false), nullptr);
    EXPECT_EQ(stream->currentItem(true), nullptr);
    EXPECT_EQ(stream->currentIndex(false), -1);
}

TEST_F(Cursor, RemovingInBrowseModeMovesThePlayingEntryToTheNextOne)
{
    useEntries(3);
    EXPECT_TRUE(stream->next(true)); // browse entry 1
    PlayListItem *second = at(1);
    EXPECT_EQ(stream->currentItem(true), second);
    EXPECT_TRUE(stream->removeCurrent(true));
    EXPECT_EQ(stream->count(), 2u);
    EXPECT_EQ(stream->currentIndex(false), 0);
    EXPECT_EQ(stream->currentItem(true)->url, QStringLiteral("http://127.0.0.1:9/2"));
}

TEST_F(Cursor, SortKeepsTheSelectionsAndRefusesUnknownTags)
{
    useEntries(3);
    EXPECT_TRUE(stream->next(false));
    PlayListItem *playing = stream->currentItem(false);
    EXPECT_TRUE(stream->sortPlaylist(1, true));
    EXPECT_EQ(stream->currentItem(false), playing);
    EXPECT_EQ(stream->playlist()->at(0)->title, QStringLiteral("Entry 2"));
    EXPECT_FALSE(stream->sortPlaylist(6, false));
    EXPECT_EQ(stream->sortTag(), RadioPlayList::SortTag::Title);
    EXPECT_TRUE(stream->sortReverse());
}

} // namespace
