// The file browser and the genre browser on their own: rows, "..", the
// filter, hidden entries, the root, the keys and what is picked.
#include "FileBrowser.h"
#include "GenreBrowser.h"
#include "MenuTestSupport.h"
#include "TempHome.h"
#include "shoutCast.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kUp = Qt::Key_Up;
constexpr int kDown = Qt::Key_Down;
constexpr int kSelect = Qt::Key_Space;

QStringList rows(const QListWidget &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out.append(list.item(i)->text());
    return out;
}

TEST(Browsers, FileBrowserListsFoldersAlwaysAndFilesByFilter)
{
    TempHome home;
    home.write("top/b.pls", "x");
    home.write("top/A.PLS", "x"); // the filter ignores case, as the phone's card did
    home.write("top/song.mp3", "x");
    home.write("top/.hidden.pls", "x");
    home.write("top/Zeta/inner.pls", "x");
    home.write("top/.config/x", "x");
    home.write("top/only/sub/deep.txt", "x");
    const QString top = QDir(home.file("top")).canonicalPath();

    FileBrowser browser("*.pls", nullptr, "b", 0, kUp, kDown, kSelect);
    QSignalSpy filePicked(&browser, &FileBrowser::isFilePicked);
    QSignalSpy picked(&browser, &FileBrowser::picked);
    ASSERT_TRUE(browser.list(home.file("top")));
    // Hidden folders stay reachable; hidden files are nobody's audio.
    EXPECT_EQ(rows(browser), QStringList({"..", ".config", "only", "Zeta", "A.PLS", "b.pls"}));
    EXPECT_EQ(browser.currentRow(), 0);
    EXPECT_EQ(browser.shownFolder(), top);
    EXPECT_TRUE(browser.pickedFile().isEmpty());
    EXPECT_EQ(browser.pickedFolder(), top + "/..");

    // Up on the first row wraps to the last, a file: picked at once.
    QTest::keyClick(&browser, Qt::Key_Up);
    EXPECT_EQ(browser.currentRow(), 5);
    EXPECT_EQ(browser.pickedFile(), top + "/b.pls");
    ASSERT_FALSE(picked.isEmpty());
    EXPECT_EQ(picked.last().at(0).toString(), top + "/b.pls");
    EXPECT_TRUE(filePicked.last().at(0).toBool());
    EXPECT_TRUE(browser.pickedFolder().isEmpty());
    // Down on the last wraps to the first; a folder row empties the pick.
    QTest::keyClick(&browser, Qt::Key_Down);
    QTest::keyClick(&browser, Qt::Key_Down);
    EXPECT_EQ(browser.currentRow(), 1);
    EXPECT_TRUE(browser.pickedFile().isEmpty());
    EXPECT_FALSE(filePicked.last().at(0).toBool());

    // A folder with no matching files lists its folders only; select
    // enters, and ".." goes back up.
    QTest::keyClick(&browser, Qt::Key_Down);
    QTest::keyClick(&browser, Qt::Key_Space);
    EXPECT_EQ(rows(browser), QStringList({"..", "sub"}));
    EXPECT_EQ(browser.shownFolder(), top + "/only");
    QTest::keyClick(&browser, Qt::Key_Space);
    EXPECT_EQ(browser.shownFolder(), top);

    // A folder that cannot be read, or a file, leaves the listing.
    EXPECT_FALSE(browser.list(home.file("top/missing")));
    EXPECT_FALSE(browser.list(home.file("top/b.pls")));
    EXPECT_EQ(browser.shownFolder(), top);
    EXPECT_EQ(browser.count(), 6);
    // Other keys are left to the dialog.
    QKeyEvent other(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&browser, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST(Browsers, FileBrowserAtTheRootAndWithTheMouse)
{
    FileBrowser root("*", nullptr, "r", 1, kUp, kDown, kSelect);
    ASSERT_TRUE(root.list("/"));
    EXPECT_EQ(root.shownFolder(), QStringLiteral("/"));
    ASSERT_GT(root.count(), 0);
    EXPECT_NE(root.item(0)->text(), QStringLiteral(".."));
    // Rows at the root are "/name", never "//name".
    const int tmp = rows(root).indexOf("tmp");
    ASSERT_GE(tmp, 0);
    root.setCurrentRow(tmp);
    EXPECT_EQ(root.pickedFolder(), QStringLiteral("/tmp"));

    TempHome home;
    home.write("a/b/c/file.txt", "x");
    FileBrowser browser("*", nullptr, "m", 2, kUp, kDown, kSelect);
    browser.resize(300, 400);
    browser.show();
    ASSERT_TRUE(browser.list(home.file("a")));
    // A double click on a folder enters it once, not a second folder too.
    doubleClick(browser, 1);
    EXPECT_EQ(browser.shownFolder().section('/', -1), QStringLiteral("b"));
    // A double click on a file chooses it.
    ASSERT_TRUE(browser.list(home.file("a/b/c")));
    QSignalSpy fileClicked(&browser, &FileBrowser::isFileClicked);
    doubleClick(browser, 1);
    EXPECT_TRUE(browser.pickedFile().endsWith("/c/file.txt"));
    ASSERT_FALSE(fileClicked.isEmpty());
    EXPECT_TRUE(fileClicked.last().at(0).toBool());
}

TEST(Browsers, GenreBrowserRowsKeysAndAnnouncedLists)
{
    GenreBrowser browser(nullptr, kUp, kDown, kSelect);
    QList<ShoutCastGenre> genres{ShoutCastGenre("Search results")};
    browser.setGenres(genres);
    EXPECT_EQ(rows(browser), QStringList{"Search results"});
    EXPECT_EQ(browser.currentRow(), 0);

    genres.append(ShoutCastGenre("<b>Jazz</b>"));
    genres.append(ShoutCastGenre("Top 40"));
    browser.slotSetGenres(genres);
    EXPECT_EQ(rows(browser), QStringList({"Search results", "<b>Jazz</b>", "Top 40"}));
    QTest::keyClick(&browser, Qt::Key_Up);
    EXPECT_EQ(browser.currentRow(), 2);
    QTest::keyClick(&browser, Qt::Key_Down);
    EXPECT_EQ(browser.currentRow(), 0);
    // The select key is the dialog's.
    QKeyEvent select(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(&browser, &select);
    EXPECT_FALSE(select.isAccepted());
    EXPECT_EQ(browser.currentRow(), 0);
}

} // namespace
