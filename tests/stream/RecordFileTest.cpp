// The record buffer and file on their own: what reaches the file, in which
// order, when writes fail and when the file is created or removed.
#include "RecordFile.h"
#include "EngineFixture.h"
#include "TestHttpServer.h"

#include <QFileInfo>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

class RecordFileTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return home.file(name); }
    // Feeds blocks of the given sizes from `source`; each flush runs writeOut().
    void feed(RecordFile &file, const QByteArray &source, const std::vector<int> &sizes)
    {
        int at = 0;
        for (int size : sizes) {
            file.take(source.constData() + at, size_t(size), [&] {
                ++flushes;
                file.writeOut();
            });
            at += size;
        }
    }

    TempHome home;
    int flushes = 0;
};

// Blocks smaller and larger than the buffer, over many flushes: the file
// holds every byte once, in order, and each overflow is logged with the
// buffer size and the block length.
TEST_F(RecordFileTest, EveryByteReachesTheFileInOrder)
{
    std::mt19937 random(7);
    std::vector<int> sizes;
    int total = 0;
    for (int i = 0; i < 300; ++i) {
        sizes.push_back(int(random() % 3000) + 1);
        total += sizes.back();
    }
    sizes.push_back(1000); // exactly the buffer
    total += 1000;
    const QByteArray source = testNoise(total, 3);
    RecordFile file;
    ASSERT_EQ(file.open(path("rec.mp3"), 1000), 0);
    StderrCapture err;
    feed(file, source, sizes);
    file.writeOut();
    file.close();
    EXPECT_EQ(readAllBytes(path("rec.mp3")), source);
    EXPECT_GT(flushes, 100);
    EXPECT_EQ(file.lostBytes(), 0u);
    EXPECT_EQ(err.text().count("record buffer full, dumping: TOTAL=1000, LEN="), flushes);
}

// A new file is created 0644 and an empty one is removed on close; an
// existing file is appended to and kept.
TEST_F(RecordFileTest, CreatesAppendsAndRemovesEmptyFiles)
{
    home.write("old.mp3", "abc");
    const mode_t saved = umask(0);
    RecordFile file;
    ASSERT_EQ(file.open(path("old.mp3"), 16), 0);
    feed(file, "defghij", {7});
    file.close();
    ASSERT_EQ(file.open(path("new.mp3"), 16), 0);
    umask(saved);
    struct stat st
    {};
    ASSERT_EQ(::stat(QFile::encodeName(path("new.mp3")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    file.close();
    EXPECT_FALSE(QFileInfo::exists(path("new.mp3")));
    EXPECT_EQ(file.fileName(), path("new.mp3"));
    ASSERT_EQ(file.open(path("old.mp3"), 16), 0);
    file.close();
    EXPECT_EQ(readAllBytes(path("old.mp3")), QByteArray("abcdefghij"));
}

TEST_F(RecordFileTest, OpenFailures)
{
    RecordFile file;
    EXPECT_EQ(file.open(path("zero.mp3"), 0), ENOMEM);
    EXPECT_FALSE(QFileInfo::exists(path("zero.mp3")));
    EXPECT_EQ(file.open(path("missing/dir/rec.mp3"), 16), ENOENT);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.fileName(), path("missing/dir/rec.mp3"));
}

// While the file refuses writes (here: the file-size limit), held bytes stay
// held and are written by the next flush that succeeds; bytes that no longer
// fit are counted as lost, and the failure is reported once.
TEST_F(RecordFileTest, FailedWritesKeepTheDataAndAreReportedOnce)
{
    const QByteArray source = testNoise(10000, 5);
    RecordFile file;
    ASSERT_EQ(file.open(path("limited.mp3"), 1000), 0);
    struct rlimit saved
    {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit limited = saved;
    limited.rlim_cur = 2500;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    QString err;
    {
        StderrCapture capture;
        feed(file, source, std::vector<int>(10, 1000));
        err = capture.text();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    // 2500 bytes went out; the buffer holds the next 1000; the rest is lost.
    EXPECT_EQ(file.fill(), 1000u);
    EXPECT_EQ(file.lostBytes(), 10000u - 2500u - 1000u);
    const QString line = path("limited.mp3") + QStringLiteral(": ") +
                         QString::fromLocal8Bit(std::strerror(EFBIG)) + QLatin1Char('\n');
    EXPECT_EQ(err.count(line), 1) << err.toStdString();
    file.writeOut();
    file.close();
    EXPECT_EQ(readAllBytes(path("limited.mp3")), source.left(3500));
}

// Growing or shrinking the buffer while bytes are held keeps them.
TEST_F(RecordFileTest, ResizeKeepsHeldBytes)
{
    const QByteArray source = testNoise(3000, 9);
    RecordFile file;
    ASSERT_EQ(file.open(path("r.mp3"), 2000), 0);
    feed(file, source, {1500});
    ASSERT_TRUE(file.resize(500));
    EXPECT_EQ(file.fill(), 1500u);
    feed(file, source.mid(1500), {700, 800});
    ASSERT_TRUE(file.resize(4000));
    file.writeOut();
    file.close();
    EXPECT_EQ(readAllBytes(path("r.mp3")), source);
}

} // namespace
