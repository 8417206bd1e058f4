// The hold buffer keeps its bytes in order whatever the mix of appends,
// chunks taken from the front and size changes.
#include "HoldBuffer.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <deque>
#include <random>
#include <string>

namespace {

QByteArray held(const HoldBuffer &b)
{
    return QByteArray(b.data(), qsizetype(b.fill()));
}

TEST(HoldBuffer, AnAppendThatNeedsTheRoomBehindTheFrontStillFits)
{
    HoldBuffer b;
    b.resize(8);
    ASSERT_TRUE(b.append("abcdef", 6));
    EXPECT_EQ(b.takeFront(4), QByteArray("abcd"));
    EXPECT_EQ(b.room(), 6u);
    ASSERT_TRUE(b.append("ghijkl", 6));
    EXPECT_EQ(held(b), QByteArray("efghijkl"));
    EXPECT_FALSE(b.append("m", 1));
    EXPECT_EQ(held(b), QByteArray("efghijkl"));
}

TEST(HoldBuffer, ResizingKeepsTheHeldBytesAfterChunksWereTaken)
{
    HoldBuffer b;
    b.resize(8);
    ASSERT_TRUE(b.append("abcdefgh", 8));
    b.dropFront(3);
    b.resize(16);
    EXPECT_EQ(held(b), QByteArray("defgh"));
    EXPECT_EQ(b.room(), 11u);
    // Shrinking below the fill drops the newest bytes.
    b.resize(2);
    EXPECT_EQ(held(b), QByteArray("de"));
}

// A random mix of operations against a plain queue of the same bytes.
TEST(HoldBuffer, RandomAppendsAndTakesMatchAQueue)
{
    std::mt19937 random(7);
    HoldBuffer b;
    b.resize(64);
    std::deque<char> model;
    char next = 0;
    for (int step = 0; step < 20000; ++step) {
        const size_t n = random() % 40;
        if (random() % 50 == 0) {
            // A new size; the newest bytes beyond it are dropped.
            const size_t capacity = 16 + random() % 96;
            b.resize(capacity);
            if (model.size() > capacity)
                model.resize(capacity);
        } else if (random() % 2) {
            QByteArray block;
            for (size_t i = 0; i < n; ++i)
                block.append(next++);
            const bool fits = n <= b.room();
            ASSERT_EQ(b.append(block.constData(), n), fits);
            if (fits)
                model.insert(model.end(), block.begin(), block.end());
        } else {
            const QByteArray chunk = b.takeFront(n);
            ASSERT_EQ(size_t(chunk.size()), std::min(n, model.size()));
            for (char c : chunk) {
                ASSERT_EQ(c, model.front());
                model.pop_front();
            }
        }
        ASSERT_EQ(b.fill(), model.size());
        ASSERT_EQ(b.room(), b.capacity() - model.size());
    }
    const std::string rest(model.begin(), model.end());
    EXPECT_EQ(held(b), QByteArray(rest.data(), qsizetype(rest.size())));
}

} // namespace
