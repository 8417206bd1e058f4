// De-interleaving against a reference encoder: whatever the split of the
// received bytes, the hold buffer gets exactly the audio and the queue gets
// exactly the texts, each at the number of audio bytes that precede it.
#include "IcyDeinterleaver.h"
#include "HoldBuffer.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Expected
{
    QByteArray audio;
    std::vector<std::pair<QByteArray, qint64>> texts;
};

struct Case
{
    QByteArray wire;
    Expected expected;
};

// A random stream: audio of audioLen bytes, a text at roughly every third
// boundary (sometimes the largest block, sometimes a multiple of 16 long so
// that it has no zero padding).
Case makeCase(std::mt19937 &rng, int metaint, int audioLen)
{
    Case c;
    c.expected.audio = testNoise(audioLen, rng());
    std::map<int, QByteArray> texts;
    for (int b = 0; b < audioLen / metaint; ++b) {
        if (rng() % 3)
            continue;
        int len = int(rng() % 200) + 1;
        if (rng() % 8 == 0)
            len = 255 * 16;
        else if (rng() % 4 == 0)
            len = 16 * (1 + int(rng() % 20));
        QByteArray text(len, 'x');
        for (char &ch : text)
            ch = char(' ' + rng() % 95);
        texts[b] = text;
        c.expected.texts.push_back({text, qint64(b + 1) * metaint});
    }
    c.wire = icyInterleave(c.expected.audio, metaint, texts);
    return c;
}

struct Outcome
{
    QByteArray audio;
    std::vector<std::pair<QByteArray, qint64>> texts;
};

Outcome deinterleave(const QByteArray &wire, int metaint, const std::vector<qsizetype> &cuts)
{
    HoldBuffer buf;
    buf.resize(size_t(wire.size()) + 1);
    IcyDeinterleaver d;
    d.setInterval(metaint);
    qsizetype at = 0;
    for (qsizetype cut : cuts) {
        EXPECT_TRUE(d.append(buf, wire.constData() + at, size_t(cut - at)));
        at = cut;
    }
    EXPECT_TRUE(d.append(buf, wire.constData() + at, size_t(wire.size() - at)));
    Outcome out{QByteArray(buf.data(), qsizetype(buf.fill())), {}};
    for (const auto &mark : d.queue())
        out.texts.push_back({mark.text, mark.position});
    return out;
}

std::vector<qsizetype> randomCuts(std::mt19937 &rng, qsizetype size, qsizetype maxPiece)
{
    std::vector<qsizetype> cuts;
    for (qsizetype at = 0;;) {
        at += 1 + qsizetype(rng() % size_t(maxPiece));
        if (at >= size)
            return cuts;
        cuts.push_back(at);
    }
}

void expectMatches(const Outcome &out, const Expected &expected, const char *what)
{
    ASSERT_EQ(out.audio.size(), expected.audio.size()) << what;
    EXPECT_TRUE(out.audio == expected.audio) << what;
    EXPECT_EQ(out.texts, expected.texts) << what;
}

} // namespace

TEST(IcyDeinterleaver, RandomSplitsAndIntervalsGiveTheReferenceAudioAndTexts)
{
    std::mt19937 rng(20240607);
    std::vector<int> intervals = {1, 2, 3, 15, 16, 17, 255, 4096, 8192, 16000};
    for (int i = 0; i < 30; ++i)
        intervals.push_back(1 + int(rng() % 16000));
    for (int metaint : intervals) {
        const int audioLen = metaint * (1 + int(rng() % 12)) + int(rng() % (metaint + 1));
        const Case c = makeCase(rng, metaint, std::min(audioLen, 400000));
        const std::string what = "metaint " + std::to_string(metaint);
        expectMatches(deinterleave(c.wire, metaint, {}), c.expected, what.c_str());
        for (qsizetype piece :
             {qsizetype(1 + rng() % 7), qsizetype(1 + rng() % 5000), qsizetype(16384)}) {
            if (piece == 1 && c.wire.size() > 200000)
                continue;
            expectMatches(deinterleave(c.wire, metaint, randomCuts(rng, c.wire.size(), piece)),
                          c.expected, what.c_str());
        }
    }
}

TEST(IcyDeinterleaver, LargestBlockWithoutPaddingSplitAtEveryOffset)
{
    std::mt19937 rng(7);
    const int metaint = 100;
    Expected expected{testNoise(3 * metaint + 40, 3), {}};
    QByteArray full(255 * 16, 'A');
    for (char &ch : full)
        ch = char('A' + rng() % 26);
    const std::map<int, QByteArray> texts = {{0, full}, {2, full.left(17)}};
    expected.texts = {{full, metaint}, {full.left(17), 3 * metaint}};
    const QByteArray wire = icyInterleave(expected.audio, metaint, texts);
    for (qsizetype cut = 0; cut <= wire.size(); ++cut)
        expectMatches(deinterleave(wire, metaint, {cut}), expected,
                      ("cut at " + std::to_string(cut)).c_str());
    // And in three pieces around the length byte of the large block.
    for (qsizetype a = 95; a <= 105; ++a)
        for (qsizetype b = a; b <= a + 4100 && b <= wire.size(); b += 97)
            expectMatches(deinterleave(wire, metaint, {a, b}), expected, "three pieces");
}

TEST(IcyDeinterleaver, RefusedBlockChangesNothing)
{
    HoldBuffer buf;
    buf.resize(8);
    IcyDeinterleaver d;
    d.setInterval(4);
    ASSERT_TRUE(d.append(buf, "abcd", 4));
    EXPECT_FALSE(d.append(buf,
                          "\x00"
                          "efghijk",
                          8));
    EXPECT_EQ(buf.fill(), 4u);
    EXPECT_TRUE(d.partialPending());
    // Room is asked for the whole block, metadata included.
    EXPECT_FALSE(d.append(buf,
                          "\x00"
                          "efgh",
                          5));
    ASSERT_TRUE(d.append(buf,
                         "\x00"
                         "efg",
                         4));
    EXPECT_EQ(QByteArray(buf.data(), qsizetype(buf.fill())), QByteArray("abcdefg"));
}

TEST(IcyDeinterleaver, StripHeaderDeinterleavesTheBodyThatArrivedBeforeIt)
{
    std::mt19937 rng(11);
    const int metaint = 50;
    const Case c = makeCase(rng, metaint, 1000);
    const QByteArray header = "ICY 200 OK\r\nicy-metaint: 50\r\n\r\n";
    const QByteArray wire = header + c.wire;
    // Arrives before the header is read, and ends inside a metadata block.
    qsizetype early = header.size() + 10 * (metaint + 1) + 300;
    early = std::min(early, wire.size() - 1);
    HoldBuffer buf;
    buf.resize(size_t(wire.size()));
    IcyDeinterleaver d;
    ASSERT_TRUE(d.append(buf, wire.constData(), size_t(early)));
    d.stripHeader(buf, size_t(header.size()), metaint);
    EXPECT_EQ(d.interval(), metaint);
    for (qsizetype at = early; at < wire.size(); at += 7)
        ASSERT_TRUE(
            d.append(buf, wire.constData() + at, size_t(std::min<qsizetype>(7, wire.size() - at))));
    EXPECT_TRUE(QByteArray(buf.data(), qsizetype(buf.fill())) == c.expected.audio);
    std::vector<std::pair<QByteArray, qint64>> texts;
    for (const auto &mark : d.queue())
        texts.push_back({mark.text, mark.position});
    EXPECT_EQ(texts, c.expected.texts);
}

TEST(IcyDeinterleaver, TextsBecomeDueWhenTheirAudioIsTaken)
{
    HoldBuffer buf;
    buf.resize(4096);
    IcyDeinterleaver d;
    d.setInterval(100);
    const QByteArray wire = icyInterleave(
        testNoise(1000), 100,
        {{0, "StreamTitle='one';"}, {1, "StreamTitle='two';"}, {6, "StreamTitle='three';"}});
    ASSERT_TRUE(d.append(buf, wire.constData(), size_t(wire.size())));
    // Positions 100, 200 and 700.
    EXPECT_FALSE(d.advance(99));
    EXPECT_EQ(d.advance(1), QString("StreamTitle='one';"));
    EXPECT_FALSE(d.advance(99));
    // "two" (due at 200) and "three" (due at 700) reached by one chunk: the
    // newer wins and both leave the queue.
    EXPECT_EQ(d.advance(600), QString("StreamTitle='three';"));
    EXPECT_TRUE(d.queue().empty());
    EXPECT_FALSE(d.advance(1000));
}

TEST(IcyDeinterleaver, LaterTextsKeepTheirTimingAfterOneBecomesDue)
{
    HoldBuffer buf;
    buf.resize(8192);
    IcyDeinterleaver d;
    d.setInterval(1000);
    std::map<int, QByteArray> texts;
    for (int b = 0; b < 6; ++b)
        texts[b] = "t" + QByteArray::number(b);
    const QByteArray wire = icyInterleave(testNoise(6500), 1000, texts);
    ASSERT_TRUE(d.append(buf, wire.constData(), size_t(wire.size())));
    // Chunks of 1500 bytes: texts due at 1000, 2000, …, 6000.
    std::vector<QString> seen;
    for (int i = 0; i < 5; ++i)
        seen.push_back(d.advance(1500).value_or(QString("-")));
    EXPECT_EQ(seen, (std::vector<QString>{"t0", "t2", "t3", "t5", "-"}));
}

TEST(IcyDeinterleaver, DueTextsAreReadAsUtf8OrLatin1)
{
    HoldBuffer buf;
    buf.resize(256);
    IcyDeinterleaver d;
    d.setInterval(4);
    const QByteArray wire = icyInterleave("aaaabbbb", 4, {{0, "Z\xc3\xbcrich"}, {1, "Z\xfcrich"}});
    ASSERT_TRUE(d.append(buf, wire.constData(), size_t(wire.size())));
    EXPECT_EQ(d.advance(4), QString::fromUtf8("Zürich"));
    EXPECT_EQ(d.advance(4), QString::fromUtf8("Zürich"));
}

TEST(IcyDeinterleaver, QueueStaysBoundedAgainstATextAfterEveryByte)
{
    HoldBuffer buf;
    buf.resize(1 << 20);
    IcyDeinterleaver d;
    d.setInterval(1);
    std::map<int, QByteArray> texts;
    for (int b = 0; b < 5000; ++b)
        texts[b] = "n" + QByteArray::number(b);
    const QByteArray wire = icyInterleave(testNoise(5000), 1, texts);
    ASSERT_TRUE(d.append(buf, wire.constData(), size_t(wire.size())));
    EXPECT_EQ(buf.fill(), 5000u);
    EXPECT_EQ(d.queue().size(), IcyDeinterleaver::MaxQueued);
    EXPECT_EQ(d.queue().back().text, QByteArray("n4999"));
    EXPECT_EQ(d.advance(5000), QString("n4999"));
}
