#include "PlayListTestUtil.h"

#include <gtest/gtest.h>

namespace {
using Tag = RadioPlayList::SortTag;
using Field = RadioPlayList::SearchField;
} // namespace

// --- One entry per url --------------------------------------------------

TEST(RadioPlayListDuplicates, KnownUrlIsRefusedWhateverTheTitle)
{
    RadioPlayList list;
    list.add("http://a", QString());
    list.add("http://a", "Other");
    list.add("HTTP://a", QLatin1String(""));
    EXPECT_EQ(urlsOf(list), QStringList({"http://a", "HTTP://a"}));
    EXPECT_EQ(list.at(0)->title, "Unknown Track"); // null title
    EXPECT_FALSE(list.at(1)->title.isNull());      // empty title stays empty
    EXPECT_TRUE(list.at(1)->title.isEmpty());

    EXPECT_EQ(list.appendItem(makeEntry("u1")), nullptr);
    auto refused = list.appendItem(makeEntry("u1", "second"));
    ASSERT_NE(refused, nullptr); // stays with the caller
    EXPECT_EQ(refused->title, "second");
    EXPECT_EQ(list.count(), 3);
}

TEST(RadioPlayListDuplicates, IndexFollowsRemovalClearingAndUrlChanges)
{
    RadioPlayList list;
    for (const char *u : {"a", "b", "c"})
        list.add(u, "");
    list.setCursor(0);
    list.removeCurrent();
    auto taken = list.takeAt(0);
    EXPECT_EQ(taken->url, "b");
    list.add("a", "");
    list.add("b", "");
    EXPECT_EQ(urlsOf(list), QStringList({"c", "a", "b"}));

    EXPECT_FALSE(list.setItemUrl(list.at(0), "a"));
    EXPECT_TRUE(list.setItemUrl(list.at(0), "d"));
    list.add("c", "freed");
    list.add("d", "taken");
    EXPECT_EQ(urlsOf(list), QStringList({"d", "a", "b", "c"}));

    list.at(1)->url = "z"; // written directly, bypassing setItemUrl
    list.add("a", "");
    EXPECT_EQ(list.count(), 5);
    EXPECT_EQ(list.findUrl("z"), list.at(1));

    list.clear();
    list.add("a", "");
    EXPECT_EQ(list.count(), 1);
}

// --- Cursor -------------------------------------------------------------

TEST(RadioPlayListCursor, RunsOffTheEndsAndFollowsRemoval)
{
    RadioPlayList list;
    for (const char *u : {"a", "b", "c"})
        list.add(u, "");
    EXPECT_EQ(list.next(), nullptr); // no cursor yet
    EXPECT_EQ(list.last()->url, "c");
    EXPECT_EQ(list.next(), nullptr);
    EXPECT_EQ(list.cursor(), -1);
    EXPECT_EQ(list.first()->url, "a");
    EXPECT_EQ(list.prev(), nullptr);

    list.setCursor(1);
    ASSERT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.current()->url, "c"); // the following entry
    ASSERT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.current()->url, "a"); // the new last one
    ASSERT_TRUE(list.removeCurrent());
    EXPECT_EQ(list.cursor(), -1);
    EXPECT_FALSE(list.removeCurrent());
}

// --- Sorting ------------------------------------------------------------

TEST(RadioPlayListSort, SetSortRefusesUnknownTagsAndDoesNotReorder)
{
    RadioPlayList list;
    list.add("b", "");
    list.add("a", "");
    EXPECT_EQ(list.sortTag(), Tag::Id);
    EXPECT_TRUE(list.setSort(int(Tag::Url), true));
    EXPECT_FALSE(list.setSort(6, false));
    EXPECT_FALSE(list.setSort(-1, false));
    EXPECT_EQ(list.sortTag(), Tag::Url);
    EXPECT_TRUE(list.sortReverse());
    EXPECT_EQ(urlsOf(list), QStringList({"b", "a"}));
}

struct SortCase
{
    Tag tag;
    QStringList ascending;
};

class RadioPlayListSortByTag : public ::testing::TestWithParam<SortCase>
{};

TEST_P(RadioPlayListSortByTag, OrdersForwardAndReversed)
{
    // Keys that order differently under every tag; "u<n>" was created n-th.
    RadioPlayList list;
    list.appendItem(makeEntry("u1c", "beta", "zeta", "Rock", 128));
    list.appendItem(makeEntry("u2a", "Alpha", "Mu", "jazz", 64));
    list.appendItem(makeEntry("u3b", "gamma", "alpha", "Blues", 320));
    PlayListItem *marked = list.setCursor(1);
    const SortCase &c = GetParam();
    for (bool reverse : {false, true}) {
        ASSERT_TRUE(list.setSort(int(c.tag), reverse));
        list.sort();
        EXPECT_EQ(urlsOf(list),
                  reverse ? QStringList(c.ascending.rbegin(), c.ascending.rend()) : c.ascending);
        EXPECT_EQ(list.current(), marked); // the cursor follows its entry
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTag, RadioPlayListSortByTag,
                         ::testing::Values(SortCase{Tag::Id, {"u1c", "u2a", "u3b"}},
                                           SortCase{Tag::Title, {"u2a", "u1c", "u3b"}},
                                           SortCase{Tag::StreamTitle, {"u3b", "u2a", "u1c"}},
                                           SortCase{Tag::Bitrate, {"u2a", "u1c", "u3b"}},
                                           SortCase{Tag::Genre, {"u3b", "u2a", "u1c"}},
                                           SortCase{Tag::Url, {"u1c", "u2a", "u3b"}}));

TEST(RadioPlayListSort, CompareRulesAndReversal)
{
    RadioPlayList list;
    PlayListItem a("a", "Same", "", "", "", "", 100);
    PlayListItem b("b", "sAME", "", "", "", "", 100);
    EXPECT_EQ(list.compare(a, b), -1);
    EXPECT_NE(list.compare(a, a), 0); // Id never reports equal
    list.setSort(int(Tag::Title), false);
    EXPECT_EQ(list.compare(a, b), 0); // lower-cased first
    list.setSort(int(Tag::Bitrate), false);
    EXPECT_EQ(list.compare(a, b), 0);
    b.bitrate = -5;
    EXPECT_EQ(list.compare(a, b), 1); // signed

    for (int tag = 0; tag <= 5; ++tag)
        for (const PlayListItem *x : {&a, &b})
            for (const PlayListItem *y : {&a, &b}) {
                list.setSort(tag, false);
                const int forward = list.compare(*x, *y);
                list.setSort(tag, true);
                EXPECT_EQ(list.compare(*x, *y), -forward) << "tag " << tag;
            }
}

// --- Searching ----------------------------------------------------------

TEST(RadioPlayListSearch, CaseRuleWholeIdsAndWrapping)
{
    RadioPlayList list;
    for (const char *t : {"ABC Radio", "abc radio", "x", "ABC too"})
        list.appendItem(makeEntry(QString("u_") + t, t));
    EXPECT_EQ(list.find("abc", Field::Title, -1), 0);  // no upper case: any case
    EXPECT_EQ(list.find("Abc", Field::Title, -1), -1); // upper case: exact case
    EXPECT_EQ(list.find("ABC", Field::Title, 0), 3);   // starts after the cursor
    EXPECT_EQ(list.find("ABC", Field::Title, 3), 0);   // and wraps once
    EXPECT_EQ(list.find("x", Field::Title, 2), -1);    // never tests the cursor's entry
    EXPECT_EQ(list.find("u_x", Field::Url, -1), 2);

    // Id: the whole decimal text, never a part of it (12 does not find 112).
    const QString id = QString::number(list.at(1)->id);
    EXPECT_EQ(list.find(id, Field::Id, -1), 1);
    EXPECT_EQ(list.find(id.mid(1), Field::Id, -1), -1);
    EXPECT_EQ(list.find("1" + id, Field::Id, -1), -1);
}
