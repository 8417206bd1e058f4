// Reading playlists from files and buffers into a list.
#include "radioPlayList.h"
#include "stderrCapture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace {

QStringList urls(const RadioPlayList &list)
{
    QStringList out;
    for (const auto &item : list.items())
        out << item->url;
    return out;
}

QStringList titles(const RadioPlayList &list)
{
    QStringList out;
    for (const auto &item : list.items())
        out << item->title;
    return out;
}

// A scratch folder that is also the working directory while it lives.
class PlayListFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        oldCwd_ = QDir::currentPath();
        // A separate working directory shows what is resolved against what.
        ASSERT_TRUE(QDir(dir_.path()).mkpath("cwd"));
        ASSERT_TRUE(QDir::setCurrent(path("cwd")));
    }
    void TearDown() override { QDir::setCurrent(oldCwd_); }

    QString path(const QString &name) const { return dir_.filePath(name); }
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString p = path(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return p;
    }

    QTemporaryDir dir_;
    QString oldCwd_;
};

} // namespace

// --- openFile / openBuffer ----------------------------------------------

TEST_F(PlayListFiles, OpenFileAcceptsAnUpperCaseFileScheme)
{
    const QString p = write("x.pls", "[playlist]\nFile1=http://a\nTitle1=A\n");
    RadioPlayList list;
    ASSERT_TRUE(list.openFile("FILE://" + p, PlayListFormat::Pls, false));
    EXPECT_EQ(urls(list), QStringList({"http://a"}));
    EXPECT_EQ(titles(list), QStringList({"A"}));
}

TEST_F(PlayListFiles, UnreadableFileLeavesListAndSaysSo)
{
    RadioPlayList list;
    list.add("http://keep", "");
    const QString missing = path("missing.pls");
    StderrCapture err;
    EXPECT_FALSE(list.openFile(missing, PlayListFormat::Pls, true));
    EXPECT_FALSE(list.openFile(dir_.path(), PlayListFormat::Pls, true));
    EXPECT_EQ(err.text(), (missing + ": could not open file for reading.\n" + dir_.path()
                           + ": could not open file for reading.\n")
                              .toLocal8Bit());
    EXPECT_EQ(urls(list), QStringList({"http://keep"}));
}

TEST_F(PlayListFiles, ClearFirstOnlyWhenSomethingIsAdded)
{
    RadioPlayList list;
    list.add("http://old", "");
    ASSERT_TRUE(list.openBuffer("[playlist]\nTitle1=no file\n", 26, PlayListFormat::Pls));
    EXPECT_EQ(urls(list), QStringList({"http://old"}));

    const QByteArray body = "#EXTM3U\n#EXTINF:1,N\nhttp://new\n#EXTINF:2,O\nhttp://old\n";
    ASSERT_TRUE(list.openBuffer(body.constData(), body.size(), PlayListFormat::M3u));
    EXPECT_EQ(urls(list), QStringList({"http://new", "http://old"}));
    EXPECT_EQ(titles(list), QStringList({"N", "O"}));

    list.parse(QByteArrayView("http://more\n"), PlayListFormat::PlainList, false);
    EXPECT_EQ(list.count(), 3);
}

TEST_F(PlayListFiles, BufferThatCannotBeReadSaysSo)
{
    RadioPlayList list;
    StderrCapture err;
    EXPECT_FALSE(list.openBuffer(nullptr, 10, PlayListFormat::Pls));
    EXPECT_EQ(err.text(), QByteArray("Could not open buffer for reading, aborting.\n\n"));
    EXPECT_TRUE(list.openBuffer(nullptr, 0, PlayListFormat::Pls));
}

// --- addLocation --------------------------------------------------------

TEST_F(PlayListFiles, LocationsAreClassified)
{
    QDir(path("cwd")).mkdir("folder");
    RadioPlayList list;
    EXPECT_TRUE(list.addLocation("HTTP://Radio/x", false));
    EXPECT_TRUE(list.addLocation("https://s", false));
    EXPECT_TRUE(list.addLocation("ftp://f", false));
    EXPECT_TRUE(list.addLocation("ftps://g", false));
    EXPECT_TRUE(list.addLocation("http://host/list.pls", false)); // a URL, not opened
    EXPECT_TRUE(list.addLocation("sub/song.mp3", false));          // need not exist
    EXPECT_FALSE(list.addLocation("folder", false));
    EXPECT_TRUE(list.addLocation("FILE://folder", false));         // taken unchanged
    EXPECT_TRUE(list.addLocation("noslash", false));

    const QString cwd = QDir::currentPath();
    EXPECT_EQ(urls(list), QStringList({"HTTP://Radio/x", "https://s", "ftp://f", "ftps://g",
                                       "http://host/list.pls", "file://" + cwd + "/sub/song.mp3",
                                       "FILE://folder", "file://" + cwd + "/noslash"}));
    EXPECT_EQ(titles(list), QStringList({"HTTP://Radio/x", "https://s", "ftp://f", "ftps://g",
                                         "http://host/list.pls", "song.mp3", "folder", "noslash"}));
}

TEST_F(PlayListFiles, PlaylistLocationsAreReadByTheirSuffix)
{
    write("cwd/a.PLS", "[playlist]\nFile1=http://pls\n");
    write("cwd/b.m3u", "#EXTM3U\n#EXTINF:1,M\nhttp://m3u\n");
    RadioPlayList list;
    EXPECT_TRUE(list.addLocation("a.PLS", false));
    EXPECT_TRUE(list.addLocation("b.m3u", true)); // clears before its first entry
    EXPECT_FALSE(list.addLocation("absent.m3u", false));
    EXPECT_EQ(urls(list), QStringList({"http://m3u"}));
}

// --- Plain M3U and nested playlists -------------------------------------

TEST_F(PlayListFiles, PlainM3uResolvesRelativeFilesAgainstItsOwnFolder)
{
    const QString m3u = write("music/list.m3u", "a.mp3\nhttp://radio/stream\n../b.ogg\n");
    RadioPlayList list;
    ASSERT_TRUE(list.openFile(m3u, PlayListFormat::M3u, false));
    EXPECT_EQ(urls(list), QStringList({"file://" + path("music/a.mp3"), "http://radio/stream",
                                       "file://" + dir_.path() + "/b.ogg"}));
    EXPECT_EQ(titles(list), QStringList({"a.mp3", "http://radio/stream", "b.ogg"}));
}

TEST_F(PlayListFiles, NestedPlaylistsAreReadInPlaceAndClearOnlyOnce)
{
    write("lists/inner.pls", "[playlist]\nFile1=http://inner1\nFile2=http://inner2\n");
    const QString outer = write("lists/outer.m3u", "http://first\ninner.pls\nhttp://last\n");
    RadioPlayList list;
    list.add("http://old", "");
    ASSERT_TRUE(list.openFile(outer, PlayListFormat::M3u, true));
    EXPECT_EQ(urls(list), QStringList({"http://first", "http://inner1", "http://inner2",
                                       "http://last"}));
}

TEST_F(PlayListFiles, SelfIncludingPlaylistStopsWithAMessage)
{
    const QString self = write("self.m3u", "http://a\nself.m3u\nhttp://b\n");
    RadioPlayList list;
    StderrCapture err;
    ASSERT_TRUE(list.openFile(self, PlayListFormat::M3u, false));
    EXPECT_EQ(urls(list), QStringList({"http://a", "http://b"}));
    EXPECT_EQ(err.text(), QByteArray("self.m3u: playlist includes itself, skipped.\n"));
}

TEST_F(PlayListFiles, CycleThroughOtherPlaylistsStops)
{
    write("a.m3u", "http://a\nb.m3u\n");
    write("b.m3u", "http://b\nc.m3u\n");
    write("c.m3u", "http://c\na.m3u\n");
    RadioPlayList list;
    StderrCapture err;
    ASSERT_TRUE(list.openFile(path("a.m3u"), PlayListFormat::M3u, false));
    EXPECT_EQ(urls(list), QStringList({"http://a", "http://b", "http://c"}));
    EXPECT_TRUE(err.text().contains("a.m3u: playlist includes itself, skipped."));
}

TEST_F(PlayListFiles, ManyRepeatedIncludesAreReadOnce)
{
    // Each level names the next one 50 times: reading every mention would
    // take 50^5 reads; each file is read once instead.
    for (int level = 0; level < 5; ++level) {
        QByteArray body = "http://level" + QByteArray::number(level) + "\n";
        for (int k = 0; k < 50; ++k)
            body += "l" + QByteArray::number(level + 1) + ".m3u\n";
        write(QString("l%1.m3u").arg(level), body);
    }
    write("l5.m3u", "http://bottom\n");
    RadioPlayList list;
    ASSERT_TRUE(list.openFile(path("l0.m3u"), PlayListFormat::M3u, false));
    EXPECT_EQ(list.count(), 6);
}

TEST_F(PlayListFiles, DeepNestingIsCut)
{
    constexpr int kLevels = 40;
    for (int level = 0; level < kLevels; ++level)
        write(QString("d%1.m3u").arg(level),
              "http://d" + QByteArray::number(level) + "\nd" + QByteArray::number(level + 1)
                  + ".m3u\n");
    RadioPlayList list;
    StderrCapture err;
    ASSERT_TRUE(list.openFile(path("d0.m3u"), PlayListFormat::M3u, false));
    EXPECT_GT(list.count(), 1);
    EXPECT_LT(list.count(), kLevels);
    EXPECT_TRUE(err.text().contains(": playlists nested too deeply, skipped.\n"));
}
