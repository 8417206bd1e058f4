// Writing the PLS file, and reading it back.
#include "radioPlayList.h"

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

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::unique_ptr<PlayListItem> entry(const QString &url, const QString &title,
                                    const QString &streamTitle = QString())
{
    return std::make_unique<PlayListItem>(url, title, "", "", "", streamTitle, 0);
}

class PlayListSave : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString &name) const { return dir_.filePath(name); }
    QStringList folder() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::System); }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(PlayListSave, WritesTheExactPlsText)
{
    RadioPlayList list;
    list.appendItem(entry("http://same", "http://same"));              // no title line
    list.appendItem(entry("http://titled", "Titled"));                 // the title
    list.appendItem(entry("http://both", "Title", "Stream name"));     // the stream title
    list.add("http://unknown", QString());                             // "Unknown Track"
    list.appendItem(entry("http://empty", "http://empty", QLatin1String(""))); // empty = none
    ASSERT_EQ(list.save(path("out.pls")), 0);
    EXPECT_EQ(readAll(path("out.pls")),
              QByteArray("[playlist]\n"
                         "numberofentries=5\n"
                         "File1=http://same\n"
                         "Length1=-1\n"
                         "File2=http://titled\n"
                         "Title2=Titled\n"
                         "Length2=-1\n"
                         "File3=http://both\n"
                         "Title3=Stream name\n"
                         "Length3=-1\n"
                         "File4=http://unknown\n"
                         "Title4=Unknown Track\n"
                         "Length4=-1\n"
                         "File5=http://empty\n"
                         "Length5=-1\n"
                         "Version=2\n"));
}

TEST_F(PlayListSave, TextIsLatin1WhereItFits)
{
    RadioPlayList list;
    list.appendItem(entry("http://a", QString::fromUtf8("Caf\xc3\xa9")));
    list.appendItem(entry("http://b", QString::fromUtf8("\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe")));
    ASSERT_EQ(list.save(path("enc.pls")), 0);
    const QByteArray bytes = readAll(path("enc.pls"));
    EXPECT_TRUE(bytes.contains("Title1=Caf\xe9\n"));
    // Latin-1 cannot hold this title: it is kept as UTF-8 instead of lost.
    EXPECT_TRUE(bytes.contains("Title2=\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe\n"));
}

TEST_F(PlayListSave, RoundTripKeepsUrlsTitlesAndOrder)
{
    RadioPlayList list;
    list.appendItem(entry("http://x/1", "One"));
    list.appendItem(entry("file:///music/a b.mp3", QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac")));
    list.appendItem(entry("http://x/3", "", "Station"));
    list.appendItem(entry("http://x/4", QLatin1String("")));
    for (int i = 0; i < 1000; ++i)
        list.add(QString("http://bulk/%1").arg(i), QString("Bulk %1").arg(i));
    ASSERT_EQ(list.save(path("trip.pls")), 0);

    RadioPlayList back;
    ASSERT_TRUE(back.openFile(path("trip.pls"), PlayListFormat::Pls, true));
    ASSERT_EQ(back.count(), list.count());
    for (int i = 0; i < list.count(); ++i) {
        const PlayListItem &a = *list.at(i);
        const PlayListItem &b = *back.at(i);
        EXPECT_EQ(b.url, a.url);
        EXPECT_EQ(b.title, a.streamTitle.isEmpty() ? a.title : a.streamTitle);
    }
}

TEST_F(PlayListSave, EmptyListRemovesTheFileAndEmptyPathIsRefused)
{
    writeFile(path("fav.pls"), "old");
    RadioPlayList list;
    EXPECT_EQ(list.save(path("fav.pls")), 0);
    EXPECT_FALSE(QFile::exists(path("fav.pls")));
    EXPECT_EQ(list.save(path("never-there.pls")), 0);

    list.add("http://a", "");
    EXPECT_EQ(list.save(QString()), 22);
    EXPECT_EQ(list.save(path("no/such/folder/x.pls")), ENOENT);
    EXPECT_EQ(folder(), QStringList());
}

TEST_F(PlayListSave, ReplacesTheFileWholeAndLeavesNoTemporaryBehind)
{
    writeFile(path("fav.pls"), "old favourites");
    QFile::setPermissions(path("fav.pls"), QFile::ReadOwner | QFile::WriteOwner);
    RadioPlayList list;
    list.add("http://a", "A");
    ASSERT_EQ(list.save(path("fav.pls")), 0);
    EXPECT_TRUE(readAll(path("fav.pls")).startsWith("[playlist]\nnumberofentries=1\n"));
    EXPECT_EQ(QFile::permissions(path("fav.pls")),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(folder(), QStringList({"fav.pls"}));
}

TEST_F(PlayListSave, SymbolicLinkStaysAndItsTargetIsWritten)
{
    QDir(dir_.path()).mkdir("real");
    writeFile(path("real/fav.pls"), "old");
    ASSERT_TRUE(QFile::link(path("real/fav.pls"), path("link.pls")));
    RadioPlayList list;
    list.add("http://a", "A");
    ASSERT_EQ(list.save(path("link.pls")), 0);
    EXPECT_TRUE(QFileInfo(path("link.pls")).isSymLink());
    EXPECT_TRUE(readAll(path("real/fav.pls")).startsWith("[playlist]\n"));
}

TEST_F(PlayListSave, FailedWriteKeepsTheOldFile)
{
    const QByteArray old = "[playlist]\nnumberofentries=1\nFile1=http://precious\nLength1=-1\n"
                           "Version=2\n";
    writeFile(path("fav.pls"), old);
    RadioPlayList list;
    for (int i = 0; i < 200; ++i)
        list.add(QString("http://new/%1").arg(i), "");

    // A file size limit makes the write fail part-way, as a full disk would.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 512;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = list.save(path("fav.pls"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, EFBIG);
    EXPECT_EQ(readAll(path("fav.pls")), old);
    EXPECT_EQ(folder(), QStringList({"fav.pls"}));
}
