#include "PlayListItem.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

bool isZero(const DecoderInfo &info)
{
    const DecoderInfo zero{};
    return std::memcmp(&info, &zero, sizeof info) == 0;
}

DecoderInfo sampleInfo()
{
    DecoderInfo info{};
    info.rate = 44100;
    info.mode = WAVELARK_MODE_JOINT_STEREO;
    info.flags = WAVELARK_INFO_FORMAT_VALID;
    std::strcpy(info.description, "MPEG 1 Layer III");
    return info;
}

} // namespace

TEST(PlayListItem, IdsGrowByOneAndStayUniqueAcrossThreads)
{
    PlayListItem first("a", "", "", "", "", "");
    PlayListItem second("b", "", "", "", "", "");
    EXPECT_GE(first.id, 1u);
    EXPECT_EQ(second.id, first.id + 1);

    constexpr int kThreads = 4, kEach = 5000;
    std::vector<std::vector<uint32_t>> ids(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&ids, t] {
            for (int i = 0; i < kEach; ++i)
                ids[t].push_back(PlayListItem("u", "", "", "", "", "").id);
        });
    for (auto &thread : threads)
        thread.join();
    std::set<uint32_t> all;
    for (const auto &list : ids)
        all.insert(list.begin(), list.end());
    ASSERT_EQ(all.size(), size_t(kThreads * kEach));
    EXPECT_GT(*all.begin(), second.id);
    // Nothing else created entries meanwhile, so no number was skipped.
    EXPECT_EQ(*all.rbegin() - *all.begin() + 1, uint32_t(kThreads * kEach));
}

TEST(PlayListItem, CopyIsANewEntryWithTheTagsOnly)
{
    PlayListItem source("http://s", "T", "Ar", "Al", "G", "ST", 64, 2);
    source.bad = source.played = true;
    source.error = "boom";
    const DecoderInfo info = sampleInfo();
    source.setStreamInfo(&info);

    PlayListItem copy(source);
    EXPECT_GT(copy.id, source.id);
    EXPECT_EQ(
        QStringList({copy.url, copy.title, copy.artist, copy.album, copy.genre, copy.streamTitle}),
        QStringList({"http://s", "T", "Ar", "Al", "G", "ST"}));
    EXPECT_EQ(copy.bitrate, 64);
    EXPECT_FALSE(copy.retryCounter.has_value());
    EXPECT_EQ(source.retryCounter, 2);
    EXPECT_FALSE(copy.bad || copy.played || copy.streamInfoValid);
    EXPECT_TRUE(copy.error.isNull() && copy.format.isNull());
    EXPECT_TRUE(isZero(copy.streamInfo));
}

TEST(PlayListItem, StreamInfoIsCopiedAndItsTextsTakenOut)
{
    PlayListItem item("u", "Old title", "Old artist", "Old album", "", "");
    DecoderInfo info = sampleInfo();
    std::string title = "New title";
    const std::string album = "Caf\xc3\xa9";
    info.title = title.c_str();
    info.album = album.c_str();
    item.setStreamInfo(&info);

    EXPECT_TRUE(item.streamInfoValid);
    EXPECT_EQ(item.format, "MPEG 1 Layer III");
    EXPECT_EQ(item.title, "New title");
    EXPECT_EQ(item.artist, "Old artist"); // null pointer: kept
    EXPECT_EQ(item.album, QString::fromUtf8("Caf\xc3\xa9"));
    EXPECT_EQ(item.streamInfo.rate, 44100u);
    // The module's texts die with its next call: the copy must not point at them.
    EXPECT_EQ(item.streamInfo.title, nullptr);
    EXPECT_EQ(item.streamInfo.album, nullptr);
    title.assign(100, 'x');
    EXPECT_EQ(item.title, "New title");

    item.setStreamInfo(nullptr);
    EXPECT_FALSE(item.streamInfoValid);
    EXPECT_TRUE(isZero(item.streamInfo));
    EXPECT_TRUE(item.format.isNull());

    std::memset(info.description, 'd', sizeof info.description); // no terminator
    info.title = info.album = nullptr;
    item.setStreamInfo(&info);
    EXPECT_EQ(item.format, QString(WAVELARK_INFO_DESCRIPTION_SIZE, u'd'));
}
