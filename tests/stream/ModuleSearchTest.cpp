#include "AudioDevice.h"
#include "DecoderRegistry.h"
#include "EngineFixture.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// The engine's search, on a registry of its own over the fixture's device.
class ModuleSearch : public EngineFixture
{
protected:
    DecoderModulePtr find(const QByteArray &bytes)
    {
        return std::move(registry.find(bytes.constData(), size_t(bytes.size()), false).module);
    }
    DecoderModulePtr probe(const QString &path)
    {
        return std::move(registry.probeFile(path, true).module);
    }

    ModuleSearch()
    {
        // As the engine learns the device's formats at its start.
        if (device.open(false) == 0)
            device.close(true);
    }

    AudioDevice device{&ops, [] { return false; }};
    DecoderRegistry registry{0, device};
};

QStringList linesMatching(const QString &text, const QString &prefix)
{
    QStringList out;
    for (const QString &line : text.split('\n'))
        if (line.startsWith(prefix))
            out << line;
    return out;
}

TEST_F(ModuleSearch, TriesEntriesInCaseInsensitiveOrderAndSaysWhy)
{
    installModule(TESTMOD_REFUSE_PATH, "Alpha.so");
    installModule(TESTMOD_MISSING_PATH, "beta.so");
    QDir().mkpath(home.file(".wavelark/plugins/Cdir"));
    writeFile(".wavelark/plugins/d.txt", "not a library");
    writeFile(".wavelark/plugins/.hidden.so", "hidden");
    installModule(TESTMOD_PATH, "E.so");
    installModule(TESTMOD_PATH, "f.so");
    TestStream data;
    const QByteArray bytes = data.bytes();

    DecoderModulePtr module;
    QString log;
    {
        StderrCapture capture;
        module = find(bytes);
        log = capture.text();
    }
    ASSERT_TRUE(module);
    EXPECT_EQ(module->name, QStringLiteral("E.so"));
    const QString dir = home.file(".wavelark/plugins/");
    const QString len = QString::number(bytes.size());
    EXPECT_EQ(linesMatching(log, "TRYING"),
              QStringList({"TRYING (LEN=" + len + "): " + dir + "Alpha.so",
                           "TRYING (LEN=" + len + "): " + dir + "beta.so",
                           "TRYING (LEN=" + len + "): " + dir + "Cdir",
                           "TRYING (LEN=" + len + "): " + dir + "d.txt",
                           "TRYING (LEN=" + len + "): " + dir + "E.so"}));
    const QStringList noGood = linesMatching(log, "NO GOOD: ");
    ASSERT_EQ(noGood.size(), 4);
    EXPECT_EQ(noGood[0], QStringLiteral("NO GOOD: Alpha.so"));
    EXPECT_EQ(noGood[1], QStringLiteral("NO GOOD: beta.so"));
    EXPECT_TRUE(noGood[2].startsWith("NO GOOD: Cdir, ")) << noGood[2];
    EXPECT_TRUE(noGood[3].startsWith("NO GOOD: d.txt, ")) << noGood[3];
    EXPECT_EQ(linesMatching(log, "USING MODULE: "), QStringList({"USING MODULE: E.so"}));
    registry.release(module);
    EXPECT_FALSE(module);
}

TEST_F(ModuleSearch, ASecondOpenFeedThatFailsMovesOnToTheNextModule)
{
    installModule(TESTMOD_REOPEN_FAILS_PATH, "a_reopen.so");
    installModule(TESTMOD_PATH, "b_good.so");
    TestStream data;
    const QByteArray bytes = data.bytes();
    StderrCapture capture;
    DecoderModulePtr module = find(bytes);
    ASSERT_TRUE(module);
    EXPECT_EQ(module->name, QStringLiteral("b_good.so"));
    EXPECT_TRUE(capture.text().contains("NO GOOD: a_reopen.so\n"));
    registry.release(module);
}

TEST_F(ModuleSearch, NoModuleOrTooFewBytesGivesNothing)
{
    TestStream data;
    data.acceptAfter = 100;
    const QByteArray bytes = data.bytes();
    EXPECT_FALSE(find(bytes));
    installModule(TESTMOD_PATH, "test.so");
    StderrCapture capture;
    EXPECT_FALSE(find(bytes));
    data.pcm = pcm(100);
    const QByteArray more = data.bytes();
    DecoderModulePtr module = find(more);
    EXPECT_TRUE(module);
    registry.release(module);
}

TEST_F(ModuleSearch, ProbeFileReadsInBlocksUntilAModuleAccepts)
{
    installModule(TESTMOD_PATH, "test.so");
    TestStream data;
    data.acceptAfter = 70000; // needs the third 32 KB block
    data.pcm = pcm(200000);
    const QString path = writeFile("a.raw", data.bytes());
    StderrCapture capture;
    DecoderModulePtr module = probe(path);
    ASSERT_TRUE(module);
    EXPECT_EQ(linesMatching(capture.text(), "TRYING").size(), 3);
    registry.release(module);
    EXPECT_FALSE(probe(QString()));
    EXPECT_FALSE(probe(home.file("missing")));
}

} // namespace
