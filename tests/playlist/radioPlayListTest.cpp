#include "radioPlayList.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using Tag = RadioPlayList::SortTag;
using Field = RadioPlayList::SearchField;

QStringList urls(const RadioPlayList &list)
{
    QStringList out;
    for (const auto &item : list.items())
        out << item->url;
    return out;
}

std::unique_ptr<PlayListItem> entry(const QString &url, const QString &title = "t",
                                    const QString &genre = "", const QString &streamTitle = "",
                                    int bitrate = 0)
{
    return std::make_unique<PlayListItem>(url, title, "", "", genre, streamTitle, bitrate);
}

} // namespace

// --- One entry per url --------------------------------------------------

TEST(RadioPlayListDuplicates, AddIgnoresAKnownUrlWhateverTheTitle)
{
    RadioPlayList list;
    list.add("http://a", "A");
    list.add("http://a", "Other");
    list.add("HTTP://a", "case differs");
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0)->title, "A");
    EXPECT_EQ(urls(list), QStringList({"http://a", "HTTP://a"}));
}

TEST(RadioPlayListDuplicates, RefusedItemStaysWithTheCaller)
{
    RadioPlayList list;
    EXPECT_EQ(list.appendItem(entry("u1")), nullptr);
    auto refused = list.appendItem(entry("u1", "second"));
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(refused->title, "second");
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.appendItem(nullptr), nullptr);
    EXPECT_EQ(list.count(), 1);
}

TEST(RadioPlayListDuplicates, RemovedOrClearedUrlsCanComeBack)
{
    RadioPlayList list;
    list.add("a", "");
    list.add("b", "");
    list.setCursor(0);
    ASSERT_TRUE(list.removeCurrent());
    list.add("a", "again");
    EXPECT_EQ(urls(list), QStringList({"b", "a"}));

    auto taken = list.takeAt(0);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->url, "b");
    list.add("b", "");
    EXPECT_EQ(list.count(), 2);

    list.clear();
    list.add("a", "");
    EXPECT_EQ(list.count(), 1);
}

TEST(RadioPlayListDuplicates, UrlChangesKeepTheRule)
{
    RadioPlayList list;
    list.add("a", "");
    list.add("b", "");
    PlayListItem *b = list.at(1);
    EXPECT_FALSE(list.setItemUrl(b, "a"));
    EXPECT_EQ(b->url, "b");
    EXPECT_TRUE(list.setItemUrl(b, "c"));
    list.add("b", "freed");
    list.add("c", "taken");
    EXPECT_EQ(urls(list), QStringList({"a", "c", "b"}));

    PlayListItem stranger("x", "", "", "", "", "");
    EXPECT_FALSE(list.setItemUrl(&stranger, "y"));
}

TEST(RadioPlayListDuplicates, UrlWrittenDirectlyDoesNotBlockTheOldOne)
{
    RadioPlayList list;
    list.add("a", "");
    list.at(0)->url = "z"; // bypassing setItemUrl
    list.add("a", "");
    EXPECT_EQ(urls(list), QStringList({"z", "a"}));
    EXPECT_EQ(list.findUrl("z"), list.at(0));
}

TEST(RadioPlayListDuplicates, ManyEntriesReaddedStayOnce)
{
    RadioPlayList list;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 20000; ++i)
            list.add(QString("http://host/%1").arg(i), QString());
    EXPECT_EQ(list.count(), 20000);
    EXPECT_EQ(list.findUrl("http://host/19999"), list.at(19999));
}

// --- Titles -------------------------------------------------------------

TEST(RadioPlayListTitles, NullTitleIsUnknownTrackEmptyStaysEmpty)
{
    RadioPlayList list;
    list.add("a", QString());
    list.add("b", QLatin1String(""));
    EXPECT_EQ(list.at(0)->title, "Unknown Track");
    EXPECT_TRUE(list.at(1)->title.isEmpty());
    EXPECT_FALSE(list.at(1)->title.isNull());
    EXPECT_EQ(list.at(1)->bitrate, 0);
    EXPECT_TRUE(list.at(1)->streamTitle.isEmpty());
    EXPECT_FALSE(list.at(1)->retryCounter.has_value());
}

// --- Cursor -------------------------------------------------------------

TEST(RadioPlayListCursor, MovesAndRunsOffBothEnds)
{
    RadioPlayList list;
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(list.cursor(), -1);
    for (const char *u : {"a", "b", "c"})
        list.add(u, "");
    EXPECT_EQ(list.current(), nullptr);
    EXPECT_EQ(list.next(), nullptr); // no cursor: stays without one
    EXPECT_EQ(list.first()->url, "a");
    EXPECT_EQ(list.next()->url, "b");
    EXPECT_EQ(list.last()->url, "c");
    EXPECT_EQ(list.next(), nullptr);
    EXPECT_EQ(list.cursor(), -1);
    EXPECT_EQ(list.first()->url, "a");
    EXPECT_EQ(list.prev(), nullptr);
    EXPECT_EQ(list.setCursor(3), nullptr);
    EXPECT_EQ(list.setCursor(1)->url, "b");
    EXPECT_EQ(list.indexOf(list.at(2)), 2);
    EXPECT_EQ(list.indexOf(nullptr), -1);
}

TEST(RadioPlayListCursor, RemovalMovesToTheFollowingOrNewLastEntry)
{
    RadioPlayList list;
    for (const char *u : {"a", "b", "c"})
        list.add(u, "");
    list.setCursor(1);
    ASSERT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.current()->url, "c");
    ASSERT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.current()->url, "a");
    auto last = list.takeCurrent();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(list.cursor(), -1);
    EXPECT_FALSE(list.removeCurrent());
    EXPECT_TRUE(list.isEmpty());
}

// --- Sorting ------------------------------------------------------------

TEST(RadioPlayListSort, SetSortRefusesUnknownTagsAndKeepsTheOldOne)
{
    RadioPlayList list;
    EXPECT_EQ(list.sortTag(), Tag::Id);
    EXPECT_FALSE(list.sortReverse());
    EXPECT_TRUE(list.setSort(4, true));
    EXPECT_FALSE(list.setSort(6, false));
    EXPECT_FALSE(list.setSort(-1, false));
    EXPECT_EQ(list.sortTag(), Tag::Genre);
    EXPECT_TRUE(list.sortReverse());
}

TEST(RadioPlayListSort, SetSortDoesNotReorder)
{
    RadioPlayList list;
    list.add("b", "");
    list.add("a", "");
    ASSERT_TRUE(list.setSort(int(Tag::Url), false));
    EXPECT_EQ(urls(list), QStringList({"b", "a"}));
}

struct SortCase {
    Tag tag;
    QStringList ascending; // urls in expected ascending order
};

class RadioPlayListSortByTag : public ::testing::TestWithParam<SortCase>
{
};

// Entries whose keys order differently under every tag; url "u<n>" was created n-th.
RadioPlayList *sortFixture()
{
    auto *list = new RadioPlayList;
    list->appendItem(entry("u1c", "beta", "Rock", "zeta", 128));
    list->appendItem(entry("u2a", "Alpha", "jazz", "Mu", 64));
    list->appendItem(entry("u3b", "gamma", "Blues", "alpha", 320));
    return list;
}

TEST_P(RadioPlayListSortByTag, OrdersForwardAndReversed)
{
    const SortCase &c = GetParam();
    std::unique_ptr<RadioPlayList> list(sortFixture());
    ASSERT_TRUE(list->setSort(int(c.tag), false));
    list->sort();
    EXPECT_EQ(urls(*list), c.ascending);

    ASSERT_TRUE(list->setSort(int(c.tag), true));
    list->sort();
    QStringList descending(c.ascending.rbegin(), c.ascending.rend());
    EXPECT_EQ(urls(*list), descending);
}

INSTANTIATE_TEST_SUITE_P(
    EveryTag, RadioPlayListSortByTag,
    ::testing::Values(SortCase{Tag::Id, {"u1c", "u2a", "u3b"}},
                      SortCase{Tag::Title, {"u2a", "u1c", "u3b"}},      // alpha, beta, gamma
                      SortCase{Tag::StreamTitle, {"u3b", "u2a", "u1c"}}, // alpha, mu, zeta
                      SortCase{Tag::Bitrate, {"u2a", "u1c", "u3b"}},    // 64, 128, 320
                      SortCase{Tag::Genre, {"u3b", "u2a", "u1c"}},      // blues, jazz, rock
                      SortCase{Tag::Url, {"u1c", "u2a", "u3b"}}));

TEST(RadioPlayListSort, CompareRules)
{
    RadioPlayList list;
    PlayListItem a("a", "Same", "", "", "", "", 100);
    PlayListItem b("b", "sAME", "", "", "", "", 100);

    list.setSort(int(Tag::Id), false);
    EXPECT_EQ(list.compare(a, b), -1);
    EXPECT_EQ(list.compare(b, a), 1);
    EXPECT_NE(list.compare(a, a), 0); // Id never reports equal

    list.setSort(int(Tag::Title), false);
    EXPECT_EQ(list.compare(a, b), 0); // lower-cased before comparing
    list.setSort(int(Tag::Bitrate), false);
    EXPECT_EQ(list.compare(a, b), 0);
    b.bitrate = -5; // signed comparison
    EXPECT_EQ(list.compare(a, b), 1);

    // Reversing negates every comparison.
    const PlayListItem *items[] = {&a, &b};
    for (int tag = 0; tag <= 5; ++tag)
        for (const PlayListItem *x : items)
            for (const PlayListItem *y : items) {
                list.setSort(tag, false);
                const int forward = list.compare(*x, *y);
                list.setSort(tag, true);
                EXPECT_EQ(list.compare(*x, *y), -forward) << "tag " << tag;
            }
}

TEST(RadioPlayListSort, EqualKeysKeepAllEntriesAndTheCursorFollowsItsEntry)
{
    RadioPlayList list;
    for (int i = 0; i < 50; ++i)
        list.appendItem(entry(QString("u%1").arg(i), "t", "", "", i % 3 * 64));
    PlayListItem *marked = list.setCursor(7);
    list.setSort(int(Tag::Bitrate), false);
    list.sort();
    ASSERT_EQ(list.count(), 50);
    for (int i = 1; i < list.count(); ++i)
        EXPECT_LE(list.at(i - 1)->bitrate, list.at(i)->bitrate);
    EXPECT_EQ(list.current(), marked);
}

// --- Searching ----------------------------------------------------------

TEST(RadioPlayListSearch, CaseRuleSubstringsAndExactIds)
{
    RadioPlayList list;
    list.appendItem(entry("http://one", "ABC Radio"));
    list.appendItem(entry("http://two", "abc radio"));
    EXPECT_EQ(list.find("abc", Field::Title, -1), 0);     // lower-case text: any case
    EXPECT_EQ(list.find("Abc", Field::Title, -1), -1);    // upper-case letter: exact case
    EXPECT_EQ(list.find("ABC", Field::Title, -1), 0);
    EXPECT_EQ(list.find("TWO", Field::Url, -1), -1);
    EXPECT_EQ(list.find("two", Field::Url, -1), 1);

    // Id: the whole decimal text, never a part of it (12 does not find 112).
    const QString first = QString::number(list.at(0)->id);
    const QString second = QString::number(list.at(1)->id);
    EXPECT_EQ(list.find(second, Field::Id, -1), 1);
    EXPECT_EQ(list.find(first, Field::Id, 1), 0);
    EXPECT_EQ(list.find(second.mid(1), Field::Id, -1), -1);
    EXPECT_EQ(list.find(second.chopped(1), Field::Id, -1), -1);
    EXPECT_EQ(list.find("1" + second, Field::Id, -1), -1);
}

TEST(RadioPlayListSearch, StartsAfterTheCursorWrapsAndNeverTestsIt)
{
    RadioPlayList list;
    for (const char *t : {"x", "match", "y", "match too"})
        list.appendItem(entry(QString("u_") + t, t));
    EXPECT_EQ(list.find("match", Field::Title, 1), 3);
    EXPECT_EQ(list.find("match", Field::Title, 3), 1);
    EXPECT_EQ(list.find("y", Field::Title, 2), -1); // only the cursor's entry matches
    EXPECT_EQ(list.find("x", Field::Artist, -1), -1);
    RadioPlayList empty;
    EXPECT_EQ(empty.find("x", Field::Title, -1), -1);
}
