// Reading playlists from files and buffers into a list.
#include "PlayListTestUtil.h"
#include "StderrCapture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A scratch folder; its sub-folder "cwd" is the working directory meanwhile,
// which shows what is resolved against what.
class PlayListFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        oldCwd_ = QDir::currentPath();
        ASSERT_TRUE(QDir(dir_.path()).mkpath("cwd/folder"));
        ASSERT_TRUE(QDir::setCurrent(path("cwd")));
    }
    void TearDown() override { QDir::setCurrent(oldCwd_); }

    QString path(const QString &name) const { return dir_.filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path(name);
    }

    QTemporaryDir dir_;
    QString oldCwd_;
};

} // namespace

TEST_F(PlayListFiles, OpenFileTakesAnyCaseFileSchemeAndReportsFailure)
{
    const QString p = write("x.pls", "[playlist]\nFile1=http://a\nTitle1=A\n");
    RadioPlayList list;
    ASSERT_TRUE(list.openFile("FILE://" + p, PlayListFormat::Pls, false));
    EXPECT_EQ(titlesOf(list), QStringList({"A"}));

    StderrCapture err;
    EXPECT_FALSE(list.openFile(path("missing.pls"), PlayListFormat::Pls, true));
    EXPECT_FALSE(list.openFile(dir_.path(), PlayListFormat::Pls, true));
    EXPECT_FALSE(list.openBuffer(nullptr, 10, PlayListFormat::Pls));
    EXPECT_EQ(err.bytes(), (path("missing.pls") + ": could not open file for reading.\n" +
                            dir_.path() + ": could not open file for reading.\n" +
                            "Could not open buffer for reading, aborting.\n\n")
                               .toLocal8Bit());
    EXPECT_EQ(urlsOf(list), QStringList({"http://a"}));
}

TEST_F(PlayListFiles, ClearFirstOnlyWhenSomethingIsAdded)
{
    RadioPlayList list;
    list.add("http://old", "");
    const QByteArray none = "[playlist]\nTitle1=no file\n";
    ASSERT_TRUE(list.openBuffer(none.constData(), none.size(), PlayListFormat::Pls));
    EXPECT_EQ(urlsOf(list), QStringList({"http://old"}));

    const QByteArray body = "#EXTM3U\n#EXTINF:1,N\nhttp://new\n#EXTINF:2,O\nhttp://old\n";
    ASSERT_TRUE(list.openBuffer(body.constData(), body.size(), PlayListFormat::M3u));
    EXPECT_EQ(titlesOf(list), QStringList({"N", "O"}));
}

TEST_F(PlayListFiles, LocationsAreClassified)
{
    write("cwd/a.PLS", "[playlist]\nFile1=http://pls\n");
    RadioPlayList list;
    for (const char *ok : {"HTTP://Radio/x", "ftps://g", "http://h/list.pls", "sub/song.mp3",
                           "FILE://folder", "a.PLS"})
        EXPECT_TRUE(list.addLocation(ok, false)) << ok;
    EXPECT_FALSE(list.addLocation("folder", false));
    EXPECT_FALSE(list.addLocation("absent.m3u", false));

    const QString cwd = QDir::currentPath();
    EXPECT_EQ(urlsOf(list),
              QStringList({"HTTP://Radio/x", "ftps://g", "http://h/list.pls",
                           "file://" + cwd + "/sub/song.mp3", "FILE://folder", "http://pls"}));
    EXPECT_EQ(titlesOf(list), QStringList({"HTTP://Radio/x", "ftps://g", "http://h/list.pls",
                                           "song.mp3", "folder", "Unknown Track"}));
}

TEST_F(PlayListFiles, PlainM3uResolvesRelativeFilesAgainstItsOwnFolder)
{
    const QString m3u = write("music/list.m3u", "a.mp3\nhttp://radio/stream\n../b.ogg\n");
    RadioPlayList list;
    ASSERT_TRUE(list.openFile(m3u, PlayListFormat::M3u, false));
    EXPECT_EQ(urlsOf(list), QStringList({"file://" + path("music/a.mp3"), "http://radio/stream",
                                         "file://" + dir_.path() + "/b.ogg"}));
    EXPECT_EQ(titlesOf(list), QStringList({"a.mp3", "http://radio/stream", "b.ogg"}));
}

TEST_F(PlayListFiles, NestedPlaylistsAreReadInPlaceAndClearOnlyOnce)
{
    write("lists/inner.pls", "[playlist]\nFile1=http://in1\nFile2=http://in2\n");
    const QString outer = write("lists/outer.m3u", "http://first\ninner.pls\nhttp://last\n");
    RadioPlayList list;
    list.add("http://old", "");
    ASSERT_TRUE(list.openFile(outer, PlayListFormat::M3u, true));
    EXPECT_EQ(urlsOf(list),
              QStringList({"http://first", "http://in1", "http://in2", "http://last"}));
}

TEST_F(PlayListFiles, SelfIncludingPlaylistsStopWithAMessage)
{
    const QString self = write("self.m3u", "http://a\nself.m3u\nhttp://b\n");
    write("b.m3u", "http://b\nc.m3u\n");
    write("c.m3u", "http://c\nb.m3u\n");
    RadioPlayList list;
    StderrCapture err;
    ASSERT_TRUE(list.openFile(self, PlayListFormat::M3u, false));
    ASSERT_TRUE(list.openFile(path("b.m3u"), PlayListFormat::M3u, false));
    EXPECT_EQ(urlsOf(list), QStringList({"http://a", "http://b", "http://c"}));
    EXPECT_EQ(err.bytes(), QByteArray("self.m3u: playlist includes itself, skipped.\n"
                                      "b.m3u: playlist includes itself, skipped.\n"));
}

TEST_F(PlayListFiles, RepeatedAndDeepIncludesStayBounded)
{
    // Each level names the next one 50 times: reading every mention would
    // take 50^4 reads; each file is read once instead.
    for (int level = 0; level < 4; ++level) {
        QByteArray body = "http://level" + QByteArray::number(level) + "\n";
        for (int k = 0; k < 50; ++k)
            body += "l" + QByteArray::number(level + 1) + ".m3u\n";
        write(QString("l%1.m3u").arg(level), body);
    }
    write("l4.m3u", "http://bottom\n");
    RadioPlayList list;
    ASSERT_TRUE(list.openFile(path("l0.m3u"), PlayListFormat::M3u, false));
    EXPECT_EQ(list.count(), 5);

    constexpr int kLevels = 40; // a chain of distinct files, each naming the next
    for (int i = 0; i < kLevels; ++i)
        write(QString("d%1.m3u").arg(i),
              "http://d" + QByteArray::number(i) + "\nd" + QByteArray::number(i + 1) + ".m3u\n");
    RadioPlayList deep;
    StderrCapture err;
    ASSERT_TRUE(deep.openFile(path("d0.m3u"), PlayListFormat::M3u, false));
    EXPECT_GT(deep.count(), 1);
    EXPECT_LT(deep.count(), kLevels);
    EXPECT_TRUE(err.bytes().contains(": playlists nested too deeply, skipped.\n"));
}
