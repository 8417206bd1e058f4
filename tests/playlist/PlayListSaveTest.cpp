// Writing the PLS file, and reading it back.
#include "PlayListTestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class PlayListSave : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString &name) const { return dir_.filePath(name); }
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList files() const { return QDir(dir_.path()).entryList(QDir::Files); }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(PlayListSave, WritesTheExactPlsText)
{
    RadioPlayList list;
    list.appendItem(makeEntry("http://same", "http://same")); // title = url: none
    list.appendItem(makeEntry("http://titled", QString::fromUtf8("Caf\xc3\xa9")));
    list.appendItem(makeEntry("http://both", "Title", "Stream name")); // the stream title
    list.add("http://unknown", QString());
    list.appendItem(makeEntry("http://e", "http://e", QLatin1String(""))); // empty: none
    list.appendItem(makeEntry("http://cyr", QString::fromUtf8("\xd0\xa0\xd0\xb0")));
    ASSERT_EQ(list.save(path("out.pls")), 0);
    EXPECT_EQ(readAll(path("out.pls")),
              QByteArray("[playlist]\nnumberofentries=6\n"
                         "File1=http://same\nLength1=-1\n"
                         "File2=http://titled\nTitle2=Caf\xe9\nLength2=-1\n" // Latin-1
                         "File3=http://both\nTitle3=Stream name\nLength3=-1\n"
                         "File4=http://unknown\nTitle4=Unknown Track\nLength4=-1\n"
                         "File5=http://e\nLength5=-1\n"
                         // Latin-1 cannot hold this title: UTF-8 rather than lost.
                         "File6=http://cyr\nTitle6=\xd0\xa0\xd0\xb0\nLength6=-1\n"
                         "Version=2\n"));
}

TEST_F(PlayListSave, RoundTripKeepsUrlsTitlesAndOrder)
{
    RadioPlayList list;
    list.appendItem(
        makeEntry("file:///music/a b.mp3", QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac")));
    list.appendItem(makeEntry("http://x/3", "", "Station"));
    list.appendItem(makeEntry("http://x/4", QLatin1String("")));
    for (int i = 0; i < 1000; ++i)
        list.add(QString("http://bulk/%1").arg(i), QString("Bulk %1").arg(i));
    ASSERT_EQ(list.save(path("trip.pls")), 0);

    RadioPlayList back;
    ASSERT_TRUE(back.openFile(path("trip.pls"), PlayListFormat::Pls, true));
    ASSERT_EQ(back.count(), list.count());
    for (int i = 0; i < list.count(); ++i) {
        const PlayListItem &a = *list.at(i);
        EXPECT_EQ(back.at(i)->url, a.url);
        EXPECT_EQ(back.at(i)->title, a.streamTitle.isEmpty() ? a.title : a.streamTitle);
    }
}

TEST_F(PlayListSave, ReturnCodesAndTheEmptyList)
{
    write("fav.pls", "old");
    RadioPlayList list;
    EXPECT_EQ(list.save(path("fav.pls")), 0);
    EXPECT_FALSE(QFile::exists(path("fav.pls")));
    EXPECT_EQ(list.save(path("never-there.pls")), 0);

    list.add("http://a", "");
    EXPECT_EQ(list.save(QString()), 22);
    EXPECT_EQ(list.save(path("no/such/folder/x.pls")), ENOENT);
    EXPECT_EQ(files(), QStringList());
}

TEST_F(PlayListSave, ReplacesWholeKeepsModeAndLinks)
{
    QDir(dir_.path()).mkdir("real");
    write("real/fav.pls", "old");
    QFile::setPermissions(path("real/fav.pls"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::link(path("real/fav.pls"), path("link.pls")));
    RadioPlayList list;
    list.add("http://a", "A");
    ASSERT_EQ(list.save(path("link.pls")), 0);
    EXPECT_TRUE(QFileInfo(path("link.pls")).isSymLink());
    EXPECT_TRUE(readAll(path("real/fav.pls")).startsWith("[playlist]\nnumberofentries=1\n"));
    EXPECT_EQ(QFile::permissions(path("real/fav.pls")),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(QDir(path("real")).entryList(QDir::Files), QStringList({"fav.pls"}));
}

TEST_F(PlayListSave, FailedWriteKeepsTheOldFile)
{
    const QByteArray old = "[playlist]\nnumberofentries=1\nFile1=http://precious\nVersion=2\n";
    write("fav.pls", old);
    RadioPlayList list;
    for (int i = 0; i < 200; ++i)
        list.add(QString("http://new/%1").arg(i), "");

    // A file size limit makes the write fail part-way, as a full disk would.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = list.save(path("fav.pls"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, EFBIG);
    EXPECT_EQ(readAll(path("fav.pls")), old);
    EXPECT_EQ(files(), QStringList({"fav.pls"}));
}
