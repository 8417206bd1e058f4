#include "EngineFixture.h"

namespace {

using Field = RadioPlayList::SearchField;

// The engine's side of the selections. Remote entries: selecting them
// starts no probe, so the tests see only the selections themselves.
class Cursor : public EngineFixture
{
protected:
    void useEntries(int n)
    {
        auto *list = new RadioPlayList;
        for (int i = 0; i < n; ++i)
            list->add(QStringLiteral("http://127.0.0.1:9/%1").arg(i),
                      QStringLiteral("Entry %1").arg(i));
        stream->setPlaylist(list, true);
    }
    PlayListItem *at(int i) { return stream->playlist()->at(i); }
};

TEST_F(Cursor, SearchCaseRuleAndIdRule)
{
    auto *list = new RadioPlayList;
    list->add("http://h/0", "start");
    list->add("http://h/1", "abc radio");
    list->add("http://h/2", "ABC Radio");
    stream->setPlaylist(list, true);
    EXPECT_TRUE(stream->search("abc", Field::Title, Selection::Playing)); // case-insensitive
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 1);
    EXPECT_TRUE(stream->search("abc", Field::Title, Selection::Playing));
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 2);
    EXPECT_TRUE(stream->search("Abc", Field::Title, Selection::Playing) ==
                false); // case-sensitive, no "Abc"
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 2);
    // The entry under the cursor is never found, even as the only match.
    EXPECT_FALSE(stream->search("ABC", Field::Title, Selection::Playing));

    auto *ids = new RadioPlayList;
    ids->add("http://h/a", "a");
    ids->add("http://h/b", "b");
    stream->setPlaylist(ids, true);
    const QString id = QString::number(ids->at(1)->id);
    EXPECT_TRUE(stream->search(id, Field::Id, Selection::Playing));
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 1);
    EXPECT_FALSE(
        stream->search(id.left(id.size() - 1) + "9" + id.right(1), Field::Id, Selection::Playing));
}

TEST_F(Cursor, RemovingTheOnlyEntryLeavesNoSelection)
{
    useEntries(1);
    EXPECT_FALSE(stream->removeCurrent(Selection::Playing));
    EXPECT_EQ(stream->count(), 0u);
    EXPECT_EQ(stream->currentItem(Selection::Playing), nullptr);
    EXPECT_EQ(stream->currentItem(Selection::Browse), nullptr);
    EXPECT_EQ(stream->currentIndex(Selection::Playing), -1);
}

TEST_F(Cursor, RemovingInBrowseModeMovesThePlayingEntryToTheNextOne)
{
    useEntries(3);
    EXPECT_TRUE(stream->step(true, Selection::Browse)); // browse entry 1
    PlayListItem *second = at(1);
    EXPECT_EQ(stream->currentItem(Selection::Browse), second);
    EXPECT_TRUE(stream->removeCurrent(Selection::Browse));
    EXPECT_EQ(stream->count(), 2u);
    EXPECT_EQ(stream->currentIndex(Selection::Playing), 0);
    EXPECT_EQ(stream->currentItem(Selection::Browse)->url, QStringLiteral("http://127.0.0.1:9/2"));
}

TEST_F(Cursor, SortKeepsTheSelectionsAndRefusesUnknownTags)
{
    useEntries(3);
    EXPECT_TRUE(stream->step(true, Selection::Playing));
    PlayListItem *playing = stream->currentItem(Selection::Playing);
    EXPECT_TRUE(stream->sortPlaylist(RadioPlayList::SortTag::Title, true));
    EXPECT_EQ(stream->currentItem(Selection::Playing), playing);
    EXPECT_EQ(stream->playlist()->at(0)->title, QStringLiteral("Entry 2"));
    EXPECT_FALSE(stream->sortPlaylist(RadioPlayList::SortTag(6), false));
    EXPECT_EQ(stream->sortTag(), RadioPlayList::SortTag::Title);
    EXPECT_TRUE(stream->sortReverse());
}

} // namespace
