// The record buffer and file on their own: what reaches the file, in which
// order, when writes fail and when the file is created or removed.
#include "EngineFixture.h"
#include "RecordFile.h"

#include <QFileInfo>

#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray noise(int n, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray out(n, 0);
    for (char &c : out)
        c = char(random());
    return out;
}

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
    const QByteArray source = noise(total, 3);
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

TEST_F(RecordFileTest, OverflowLineNamesTheSizeAndTheBlock)
{
    RecordFile file;
    ASSERT_EQ(file.open(path("small.mp3"), 10), 0);
    StderrCapture err;
    feed(file, "abcdefghijkl", {6, 6});
    EXPECT_EQ(flushes, 1);
    EXPECT_EQ(err.text(), QStringLiteral("record buffer full, dumping: TOTAL=10, LEN=6\n"));
}

TEST_F(RecordFileTest, AppendsToAnExistingFileAndCreatesNewOnes0644)
{
    home.write("old.mp3", "abc");
    const mode_t saved = umask(0);
    RecordFile file;
    ASSERT_EQ(file.open(path("old.mp3"), 16), 0);
    feed(file, "defghij", {7});
    file.close();
    ASSERT_EQ(file.open(path("new.mp3"), 16), 0);
    feed(file, "xyz", {3});
    file.close();
    umask(saved);
    EXPECT_EQ(readAllBytes(path("old.mp3")), QByteArray("abcdefghij"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path("new.mp3")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(file.fileName(), path("new.mp3"));
}

// An empty recording is removed; a file that already had bytes is kept.
TEST_F(RecordFileTest, EmptyNewFileIsDeletedOnClose)
{
    RecordFile file;
    ASSERT_EQ(file.open(path("empty.mp3"), 16), 0);
    EXPECT_TRUE(QFileInfo::exists(path("empty.mp3")));
    file.close();
    EXPECT_FALSE(QFileInfo::exists(path("empty.mp3")));
    home.write("kept.mp3", "abc");
    ASSERT_EQ(file.open(path("kept.mp3"), 16), 0);
    file.close();
    EXPECT_EQ(readAllBytes(path("kept.mp3")), QByteArray("abc"));
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
    const QByteArray source = noise(10000, 5);
    RecordFile file;
    ASSERT_EQ(file.open(path("limited.mp3"), 1000), 0);
    struct rlimit saved {};
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
    const QByteArray source = noise(3000, 9);
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
