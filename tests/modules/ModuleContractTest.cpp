// The calling contract every module keeps: handles, argument checks, the
// result codes of feed and decodeFrame, several feeds at once.
#include "DecodeRun.h"
#include "Fixtures.h"
#include "ModuleLoader.h"

#include <gtest/gtest.h>

namespace {

std::vector<QString> moduleList()
{
    const QStringList names = moduleNames();
    return {names.begin(), names.end()};
}

const unsigned char *bytes(const QByteArray &b)
{
    return reinterpret_cast<const unsigned char *>(b.constData());
}

class ModuleContract : public ::testing::TestWithParam<QString>
{
protected:
    const LoadedModule &m() const { return loadModule(GetParam()); }
    QByteArray stream() const { return fixture(standardFixtures(GetParam()).front()); }
};

TEST_P(ModuleContract, BadHandlesAndArgumentsAreRefusedWithoutHarm)
{
    ASSERT_TRUE(m().ok());
    const unsigned char *pcm = bytes("x");
    int len = 7;
    EXPECT_EQ(m().decodeFrame(12345, &pcm, &len), -1);
    EXPECT_EQ(pcm, nullptr);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(m().feed(12345, bytes("abc"), 3), -1);
    EXPECT_EQ(m().valid(12345, bytes(stream()), int(stream().size())), 0);
    EXPECT_EQ(m().getInfo(12345), nullptr);
    m().finish(12345); // unknown: nothing happens

    const int h = m().openFeed(nullptr, 0);
    ASSERT_NE(h, -1);
    EXPECT_EQ(m().feed(h, nullptr, 5), -1);
    EXPECT_EQ(m().feed(h, bytes("abc"), -1), -1);
    EXPECT_EQ(m().feed(h, nullptr, 0), 0) << "a zero-length feed is accepted";
    EXPECT_EQ(m().decodeFrame(h, nullptr, &len), -1);
    EXPECT_EQ(m().decodeFrame(h, &pcm, nullptr), -1);
    EXPECT_EQ(m().valid(h, nullptr, 10), 0);
    EXPECT_EQ(m().valid(h, bytes("abc"), 0), 0);
    EXPECT_EQ(m().decodeFrame(h, &pcm, &len), 2) << "nothing fed: more input needed";
    EXPECT_EQ(len, 0);
    m().finish(h);
    EXPECT_EQ(m().getInfo(h), nullptr) << "a finished handle is gone";
    m().finish(h);
}

TEST_P(ModuleContract, SeveralFeedsDecodeIndependently)
{
    // The stream and the event-sound player decode side by side: two feeds
    // interleaved call by call give what each gives alone.
    const QByteArray a = stream();
    const QByteArray b = fixture(standardFixtures(GetParam())[1]);
    const DecodeOutcome aloneA = decodeAll(m(), a, fixedFeed(5000));
    const DecodeOutcome aloneB = decodeAll(m(), b, fixedFeed(5000));
    const int ha = m().openFeed(nullptr, 0), hb = m().openFeed(nullptr, 0);
    ASSERT_NE(ha, hb);
    QByteArray outA, outB;
    auto drain = [&](int h, QByteArray &out) {
        const unsigned char *pcm = nullptr;
        int len = 0;
        int r;
        while ((r = m().decodeFrame(h, &pcm, &len)) == 0 || r == 1) {
            if (len == 0)
                break;
            out.append(reinterpret_cast<const char *>(pcm), len);
        }
    };
    for (qsizetype pos = 0; pos < std::max(a.size(), b.size()); pos += 5000) {
        if (pos < a.size()) {
            ASSERT_EQ(m().feed(ha, bytes(a) + pos, int(std::min<qsizetype>(5000, a.size() - pos))),
                      0);
        }
        if (pos < b.size()) {
            ASSERT_EQ(m().feed(hb, bytes(b) + pos, int(std::min<qsizetype>(5000, b.size() - pos))),
                      0);
        }
        drain(ha, outA);
        drain(hb, outB);
    }
    m().finish(ha);
    m().finish(hb);
    EXPECT_EQ(outA, aloneA.pcm);
    EXPECT_EQ(outB, aloneB.pcm);
}

TEST_P(ModuleContract, ResultOneComesOnceWithTheFirstFrameOfAStream)
{
    const DecodeOutcome out = decodeAll(m(), stream(), randomFeed(7, 3000));
    ASSERT_FALSE(out.error);
    ASSERT_EQ(out.changes.size(), 1u);
    EXPECT_EQ(out.changes[0].atByte, 0u);
    EXPECT_GT(out.frames, 10);
}

TEST_P(ModuleContract, FeedingWithoutDecodingIsBounded)
{
    // A caller that only feeds gets a refusal long before memory runs out.
    const QByteArray chunk = stream().left(32 * 1024);
    const int h = m().openFeed(nullptr, 0);
    int accepted = 0;
    while (accepted < 4096 && m().feed(h, bytes(chunk), int(chunk.size())) == 0)
        ++accepted;
    m().finish(h);
    EXPECT_LT(accepted, 4096) << "128 MiB accepted without a single decode";
}

TEST_P(ModuleContract, OpenFeedsAreBounded)
{
    std::vector<int> handles;
    int h;
    while (handles.size() < 1000 && (h = m().openFeed(nullptr, 0)) != -1)
        handles.push_back(h);
    EXPECT_LT(handles.size(), 1000u);
    EXPECT_GE(handles.size(), 2u);
    for (int x : handles)
        m().finish(x);
    h = m().openFeed(nullptr, 0);
    EXPECT_NE(h, -1) << "finished handles free their slots";
    m().finish(h);
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleContract, ::testing::ValuesIn(moduleList()),
                         [](const auto &p) { return p.param.toStdString(); });

} // namespace
