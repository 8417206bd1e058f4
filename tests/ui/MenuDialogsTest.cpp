// The soft-key menu driven as a person would: entries chosen, dialogs
// answered with the keyboard and the mouse, and the playlist, the files on
// disk and the screen checked afterwards.
#include "FileBrowser.h"
#include "MenuTestSupport.h"
#include "PlayListItem.h"
#include "PrefsPage.h"
#include "SoftKeyBar.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWidgetAction>

#include <gtest/gtest.h>

namespace {

using Reply = TestHttpServer::Reply;

const QString kRemote = QStringLiteral("http://127.0.0.1:9/radio");

FileBrowser *browserOf(QDialog *dialog)
{
    return dialog->findChild<FileBrowser *>(QStringLiteral("fileBrowser"));
}

// Moves the picker's highlight onto the row with this text, then presses `then`.
DialogScript::Step pickRow(const QString &text, Qt::Key then = Qt::Key_Return)
{
    return [text, then](QDialog *dialog) {
        FileBrowser *browser = browserOf(dialog);
        ASSERT_NE(browser, nullptr);
        pressUntil(browser, Qt::Key_Down, [&] {
            return browser->currentItem() && browser->currentItem()->text() == text;
        });
        ASSERT_EQ(browser->currentItem()->text(), text);
        QTest::keyClick(browser, then);
    };
}

std::unique_ptr<Wavelark> linkedWindow(const QStringList &arguments)
{
    auto window = makeWindow(arguments);
    EXPECT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    return window;
}

// Every entry of the menu, depth first, as "Menu/Entry" lines; the recent
// searches box shows as "[recent searches]".
void listEntries(const QMenu *menu, const QString &path, QStringList &lines)
{
    for (QAction *action : menu->actions()) {
        if (qobject_cast<QWidgetAction *>(action))
            lines << path + QStringLiteral("[recent searches]");
        else if (action->menu())
            listEntries(action->menu(), path + action->text() + u'/', lines);
        else
            lines << path + action->text();
    }
}

PrefsPage *shownPage(Wavelark &window)
{
    for (PrefsPage *page : window.findChildren<PrefsPage *>())
        if (page->isShown())
            return page;
    return nullptr;
}

// The menu a person reads, built from the window's command table: every
// command in its place and in its order, the second Preferences entries
// where their menus end, and one command behind each name.
TEST(MenuDialogs, TheMenuShowsEveryCommandInItsPlace)
{
    PlayerHome player("");
    auto window = makeWindow({});
    QStringList lines;
    listEntries(window->popupMenu(), QString(), lines);
    const QStringList expected = {"File/Open URL",
                                  "File/Open File",
                                  "File/Open Folder",
                                  "File/About",
                                  "Favorites/Open",
                                  "Favorites/Add current",
                                  "Favorites/Save as favorites",
                                  "Playlist/Add",
                                  "Playlist/Remove current",
                                  "Playlist/Delete current",
                                  "Playlist/Save",
                                  "Playlist/Save as",
                                  "Playlist/Search/Title",
                                  "Playlist/Search/Album",
                                  "Playlist/Search/Artist",
                                  "Playlist/Search/Id",
                                  "Playlist/Search/Url",
                                  "Playlist/Search/Stream Title",
                                  "Preferences/Interface",
                                  "Preferences/Network",
                                  "Preferences/Sounds",
                                  "Preferences/Advanced",
                                  "Preferences/ShoutCast",
                                  "Network/Connect",
                                  "Network/Disconnect",
                                  "Network/Flush fill buffer",
                                  "Network/Preferences",
                                  "SHOUTcast/Genres",
                                  "SHOUTcast/Refresh this genre",
                                  "SHOUTcast/Refresh index",
                                  "SHOUTcast/Search",
                                  "SHOUTcast/Search results",
                                  "SHOUTcast/[recent searches]",
                                  "SHOUTcast/Preferences",
                                  "View/Station list",
                                  "View/Song history",
                                  "View/Song notifications",
                                  "View/Close to tray"};
    EXPECT_EQ(lines, expected);
    // Both Network preference entries open the one page.
    ASSERT_TRUE(choose(*window, {"Network", "Preferences"}));
    PrefsPage *network = shownPage(*window);
    ASSERT_NE(network, nullptr);
    network->finish(false);
    ASSERT_TRUE(choose(*window, {"Preferences", "Network"}));
    EXPECT_EQ(shownPage(*window), network);
    network->finish(false);
    QStringList names;
    for (const WindowCommand &command : Wavelark::commands())
        names << QString::fromLatin1(command.name);
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
    EXPECT_FALSE(window->runCommand("noSuchCommand"));
}

TEST(MenuDialogs, OpenUrlFileAndFolder)
{
    MenuHome home;
    home.song("b.wl");
    home.song("a.wl");
    QDir().mkpath(home.music + "/sub/deeper");
    DialogScript script;
    auto window = linkedWindow({});
    ASSERT_TRUE(playlistUrls(*window).isEmpty());

    script.expect("Open URL:", typeAndReturn(kRemote));
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{kRemote});
    EXPECT_TRUE(
        waitFor([&] { return window->headerLabelWidget()->text() == "-[ Playing 1/1 ]-"; }));

    // A location nobody understands: the box, and the list stays.
    script.expect("Open URL:", typeAndReturn(home.file("none.pls")));
    script.expect("Wavelark", [](QDialog *box) {
        EXPECT_EQ(dialogText(box), QStringLiteral("Unrecognized or invalid URL"));
        box->accept();
    });
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    EXPECT_TRUE(script.done());
    EXPECT_EQ(playlistUrls(*window), QStringList{kRemote});
    // Cancelling forgets the text and changes nothing.
    script.expect("Open URL:", clickButton("Cancel"));
    script.expect("Open URL:", [](QDialog *dialog) {
        EXPECT_TRUE(textEntry(dialog)->toPlainText().isEmpty());
        dialog->reject();
    });
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{kRemote});

    // A file picked with the keys: the picker starts in the music folder.
    script.expect("Open filename:", [](QDialog *dialog) {
        FileBrowser *browser = browserOf(dialog);
        ASSERT_NE(browser, nullptr);
        QStringList rows;
        for (int i = 0; i < browser->count(); ++i)
            rows.append(browser->item(i)->text());
        EXPECT_EQ(rows, QStringList({"..", "sub", "a.wl", "b.wl"}));
        pickRow("a.wl")(dialog);
    });
    ASSERT_TRUE(choose(*window, {"File", "Open File"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{"file://" + home.music + "/a.wl"});

    // A folder holding only folders leaves the list alone.
    script.expect("Open all in folder:", [](QDialog *dialog) {
        pickRow("sub", Qt::Key_Space)(dialog);
        EXPECT_EQ(browserOf(dialog)->item(1)->text(), QStringLiteral("deeper"));
        QTest::keyClick(browserOf(dialog), Qt::Key_Return);
    });
    ASSERT_TRUE(choose(*window, {"File", "Open Folder"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{"file://" + home.music + "/a.wl"});
    // The picker comes back where it was; ".." leads up to the files.
    script.expect("Open all in folder:", [](QDialog *dialog) {
        EXPECT_EQ(browserOf(dialog)->shownFolder().section('/', -1), QStringLiteral("sub"));
        pickRow("..", Qt::Key_Space)(dialog);
        QTest::keyClick(browserOf(dialog), Qt::Key_Return);
    });
    ASSERT_TRUE(choose(*window, {"File", "Open Folder"}));
    EXPECT_EQ(playlistUrls(*window),
              QStringList({"file://" + home.music + "/a.wl", "file://" + home.music + "/b.wl"}));
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

// Return (bound to select here) or a double click on a file is the choice;
// hidden files are neither listed nor taken from a folder argument.
TEST(MenuDialogs, ReturnOrADoubleClickChoosesAFileAndHiddenFilesStayOut)
{
    MenuHome home("keySelect = 16777220\n");
    home.song("a.wl");
    home.song("b.wl");
    home.song(".hidden.wl");
    DialogScript script;
    auto window = linkedWindow({});
    auto leaveOpenDialog = [](QDialog *dialog) {
        if (dialog->isVisible())
            dialog->reject();
    };
    script.expect("Open filename:", [&](QDialog *dialog) {
        FileBrowser *browser = browserOf(dialog);
        ASSERT_NE(browser, nullptr);
        QStringList rows;
        for (int i = 0; i < browser->count(); ++i)
            rows.append(browser->item(i)->text());
        EXPECT_EQ(rows, QStringList({"..", "a.wl", "b.wl"}));
        pickRow("b.wl", Qt::Key_Return)(dialog);
        leaveOpenDialog(dialog);
    });
    ASSERT_TRUE(choose(*window, {"File", "Open File"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{"file://" + home.music + "/b.wl"});
    script.expect("Open filename:", [&](QDialog *dialog) {
        doubleClick(*browserOf(dialog), 1);
        leaveOpenDialog(dialog);
    });
    ASSERT_TRUE(choose(*window, {"File", "Open File"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{"file://" + home.music + "/a.wl"});
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
    window.reset();

    window = linkedWindow({home.music});
    EXPECT_EQ(playlistUrls(*window),
              QStringList({"file://" + home.music + "/a.wl", "file://" + home.music + "/b.wl"}));
}

TEST(MenuDialogs, AddSkipsDuplicatesAndDeleteAsksOnlyForLocalFiles)
{
    MenuHome home;
    const QString a = home.song("a.wl");
    home.song("c.wl");
    home.song("My Song.wl");
    DialogScript script;
    auto window = linkedWindow({kRemote, a});

    // Adding the whole folder: "a.wl" is there already.
    script.expect("Add folder or file:",
                  [](QDialog *dialog) { QTest::keyClick(browserOf(dialog), Qt::Key_Return); });
    ASSERT_TRUE(choose(*window, {"Playlist", "Add"}));
    const QString m = "file://" + home.music + "/";
    EXPECT_EQ(playlistUrls(*window),
              QStringList({kRemote, m + "a.wl", m + "c.wl", m + "My Song.wl"}));

    // A remote item goes without a question.
    ASSERT_TRUE(choose(*window, {"Playlist", "Delete current"}));
    EXPECT_TRUE(script.seen.size() == 1);
    EXPECT_EQ(playlistUrls(*window).size(), 3);
    EXPECT_FALSE(playlistUrls(*window).contains(kRemote));

    // A local one is named in the question; Cancel keeps it.
    ASSERT_EQ(playingIndex(*window), 0);
    script.expect("Wavelark", [&](QDialog *box) {
        EXPECT_TRUE(dialogText(box).startsWith("Do you really want to delete this file?\n"));
        EXPECT_TRUE(dialogText(box).endsWith(home.music + "/a.wl"));
        clickButton("Cancel")(box);
    });
    script.expect("Wavelark", clickButton("OK"));
    ASSERT_TRUE(choose(*window, {"Playlist", "Delete current"}));
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(playlistUrls(*window).size(), 3);
    ASSERT_TRUE(choose(*window, {"Playlist", "Delete current"}));
    EXPECT_FALSE(QFile::exists(home.music + "/a.wl"));
    EXPECT_EQ(playlistUrls(*window), QStringList({m + "c.wl", m + "My Song.wl"}));

    // A location written as a URL names the decoded file (which the
    // stream, reading the location as a path, reports missing).
    script.expect("Open URL:", typeAndReturn(m + "My%20Song.wl"));
    script.expect("Connection error", clickButton("OK"));
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    ASSERT_TRUE(waitFor([&] { return script.done(); }));
    script.expect("Wavelark", [&](QDialog *box) {
        EXPECT_TRUE(dialogText(box).endsWith(home.music + "/My Song.wl"));
        clickButton("OK")(box);
    });
    ASSERT_TRUE(choose(*window, {"Playlist", "Delete current"}));
    EXPECT_FALSE(QFile::exists(home.music + "/My Song.wl"));
    EXPECT_TRUE(QFile::exists(home.music + "/c.wl"));
    EXPECT_TRUE(playlistUrls(*window).isEmpty());
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

DialogScript::Step saveAs(const QString &name)
{
    return [name](QDialog *dialog) {
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("saveName"));
        ASSERT_NE(edit, nullptr);
        EXPECT_FALSE(button(dialog, "OK")->isEnabled());
        QTest::keyClicks(edit, name);
        EXPECT_TRUE(button(dialog, "OK")->isEnabled());
        QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    };
}

TEST(MenuDialogs, SaveAsAddsTheExtensionOnlyWhenMissingAndAFailedSaveLeavesNothing)
{
    MenuHome home;
    const QString a = home.song("a.wl");
    const QString b = home.song("b.wl");
    const QString out = home.music + "/out";
    QDir().mkpath(out + "/dir.pls");
    DialogScript script;
    auto window = linkedWindow({a, b});
    window->setSaveFolder(out);

    for (const char *name : {"mix", "mix.pls", "a.pls.bak"}) {
        script.expect("Save playlist as:", saveAs(name));
        ASSERT_TRUE(choose(*window, {"Playlist", "Save as"}));
    }
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden),
              QStringList({"a.pls.bak", "mix.pls"}));
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("Playlist saved as a.pls.bak"));
    const QByteArray saved = readAllBytes(out + "/mix.pls");
    EXPECT_TRUE(saved.contains("File1=file://" + home.music.toUtf8() + "/a.wl\n"));
    EXPECT_TRUE(saved.contains("numberofentries=2"));

    // A name that is a folder: the error dialog, and no piece of a file.
    script.expect("Save playlist as:", saveAs("dir"));
    script.expect("Connection error", [](QDialog *dialog) {
        EXPECT_FALSE(dialogText(dialog).isEmpty());
        dialog->accept();
    });
    ASSERT_TRUE(choose(*window, {"Playlist", "Save as"}));
    EXPECT_TRUE(script.done());
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"a.pls.bak", "dir.pls", "mix.pls"}));

    // "Save in:" chooses the folder; the label names it.
    script.expect("Save playlist as:", [](QDialog *dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("saveName")), "x");
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("saveInChoose")),
                          Qt::LeftButton);
        EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("saveIn"))->text(),
                  QStringLiteral("music"));
        QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    });
    script.expect("Select folder:",
                  [](QDialog *dialog) { QTest::keyClick(browserOf(dialog), Qt::Key_Return); });
    ASSERT_TRUE(choose(*window, {"Playlist", "Save as"}));
    EXPECT_TRUE(QFile::exists(home.music + "/x.pls"));

    // "Save" overwrites a playlist picked in the picker, which lists only them.
    ASSERT_TRUE(choose(*window, {"Playlist", "Remove current"}));
    script.expect("Save to *.pls:", [](QDialog *dialog) {
        FileBrowser *browser = browserOf(dialog);
        for (int i = 0; i < browser->count(); ++i)
            EXPECT_FALSE(browser->item(i)->text().endsWith(".wl"));
        pickRow("x.pls")(dialog);
    });
    ASSERT_TRUE(choose(*window, {"Playlist", "Save"}));
    EXPECT_TRUE(readAllBytes(home.music + "/x.pls").contains("numberofentries=1"));
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

TEST(MenuDialogs, FavoritesAddOpenAndSaveStartingWithoutAFile)
{
    MenuHome home;
    const QString a = home.song("a.wl");
    const QString favorites = home.file(".wavelark/favorites.pls");
    DialogScript script;
    auto window = linkedWindow({a});
    ASSERT_FALSE(QFile::exists(favorites));

    ASSERT_TRUE(choose(*window, {"Favorites", "Add current"}));
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("Added to the favorites"));
    script.expect("Open URL:", typeAndReturn(kRemote));
    ASSERT_TRUE(choose(*window, {"File", "Open URL"}));
    ASSERT_TRUE(choose(*window, {"Favorites", "Add current"}));
    ASSERT_TRUE(choose(*window, {"Favorites", "Add current"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{kRemote});

    ASSERT_TRUE(choose(*window, {"Favorites", "Open"}));
    const QStringList both{"file://" + home.music + "/a.wl", kRemote};
    EXPECT_EQ(playlistUrls(*window), both);

    ASSERT_TRUE(choose(*window, {"Playlist", "Remove current"}));
    ASSERT_TRUE(choose(*window, {"Favorites", "Save as favorites"}));
    EXPECT_EQ(window->statusMarqueeWidget()->text(), QStringLiteral("Favorites saved"));
    const QByteArray saved = readAllBytes(favorites);
    EXPECT_TRUE(saved.contains("numberofentries=1")) << saved.toStdString();
    EXPECT_TRUE(saved.contains(kRemote.toUtf8()));

    // Without the file, opening the favorites is an unknown location.
    ASSERT_TRUE(QFile::remove(favorites));
    script.expect("Wavelark", [](QDialog *box) {
        EXPECT_EQ(dialogText(box), QStringLiteral("Unrecognized or invalid URL"));
        box->accept();
    });
    ASSERT_TRUE(choose(*window, {"Favorites", "Open"}));
    EXPECT_EQ(playlistUrls(*window), QStringList{kRemote});
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

TEST(MenuDialogs, PlaylistSearchesShareTheirTextAndTheAboutBoxDoesNotWait)
{
    MenuHome home;
    QStringList files;
    for (const char *name : {"alpha.wl", "beta.wl", "gamma.wl", "delta.wl"})
        files.append(home.song(name));
    DialogScript script;
    auto window = linkedWindow(files);

    script.expect("Search playlist title:", typeAndReturn("gam"));
    ASSERT_TRUE(choose(*window, {"Playlist", "Search", "Title"}));
    EXPECT_EQ(playingIndex(*window), 2);
    script.expect("Search playlist URL:", [](QDialog *dialog) {
        EXPECT_EQ(textEntry(dialog)->toPlainText(), QStringLiteral("gam"));
        typeAndReturn("delta")(dialog);
    });
    ASSERT_TRUE(choose(*window, {"Playlist", "Search", "Url"}));
    EXPECT_EQ(playingIndex(*window), 3);
    // Nothing matches: the cursor stays.
    script.expect("Search playlist artist:", typeAndReturn("nobody"));
    ASSERT_TRUE(choose(*window, {"Playlist", "Search", "Artist"}));
    script.expect("Search playlist album:", typeAndReturn("nothing"));
    ASSERT_TRUE(choose(*window, {"Playlist", "Search", "Album"}));
    EXPECT_EQ(playingIndex(*window), 3);
    // Cancel empties the shared text and moves nothing.
    script.expect("Search playlist stream title:", clickButton("Cancel"));
    ASSERT_TRUE(choose(*window, {"Playlist", "Search", "Stream Title"}));
    EXPECT_EQ(playingIndex(*window), 3);
    const uint32_t firstId = window->radioStream()->playlist()->at(0)->id;
    script.expect("Search playlist ID:", [firstId](QDialog *dialog) {
        EXPECT_TRUE(textEntry(dialog)->toPlainText().isEmpty());
        typeAndReturn(QString::number(firstId))(dialog);
    });
    ASSERT_TRUE(choose(*window, {"Playlist", "Search", "Id"}));
    EXPECT_EQ(playingIndex(*window), 0);
    EXPECT_TRUE(script.done());

    ASSERT_TRUE(choose(*window, {"File", "About"}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QMessageBox *about = nullptr;
    for (QMessageBox *box : window->findChildren<QMessageBox *>())
        if (box->isVisible())
            about = box;
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->text().startsWith("Wavelark 0.3\n"));
    EXPECT_EQ(about->text().count('\n'), 1);
    about->close();
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
}

// Recording from the record indicator: with recordOneFile, the second
// recording goes on in the first one's file; a folder that cannot take a
// recording is reported.
// A fresh home names a music folder it does not have: recordings go home
// until there is one.
TEST(MenuDialogs, RecordingsGoHomeUntilThereIsAMusicFolder)
{
    PlayerHome player("");
    auto window = makeWindow({});
    EXPECT_EQ(QDir(window->settings().recordDirectory).canonicalPath(),
              QDir(player.home.file("")).canonicalPath());
    window.reset();
    QDir().mkpath(player.home.file("Music"));
    window = makeWindow({});
    EXPECT_EQ(QDir(window->settings().recordDirectory).canonicalPath(),
              QDir(player.home.file("Music")).canonicalPath());
}

TEST(MenuDialogs, RecordingOneFileAppendsAndAFailedStartIsReported)
{
    MenuHome home("recordOneFile = true\nrecordBufSize = 16\n");
    const QString records = home.file("records");
    QDir().mkpath(records);
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute(
        "/live",
        Reply::make("ICY 200 OK", {{"icy-name", "Station"}}, testModuleData(400000)).hang());
    StderrCapture log;
    auto window = linkedWindow({server.url("/live")});
    window->settings().recordDirectory = records;
    RadioStream *stream = window->radioStream();
    QTest::mouseClick(window->recordIndicatorWidget(), Qt::LeftButton);
    ASSERT_TRUE(window->recordIndicatorWidget()->isBlinking());

    QStringList files;
    qint64 size = 0;
    for (int run = 0; run < 2; ++run) {
        QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return stream->isPlaying() && stream->isRecording(); }));
        files.append(stream->recordFileName());
        const qint64 before = size;
        ASSERT_TRUE(waitFor([&] { return QFileInfo(files.last()).size() > before + 8192; })) << run;
        QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return !stream->isPlaying() && !stream->isRecording(); }));
        size = QFileInfo(files.last()).size();
    }
    EXPECT_EQ(files.at(0), files.at(1));
    EXPECT_EQ(QDir(records).entryList(QDir::Files), QStringList{QFileInfo(files.at(0)).fileName()});

    // A folder that is not there: the person is told why, and the record
    // toggle goes off so that the next start does not ask again.
    window->settings().recordDirectory = home.file("missing/folder");
    window->settings().recordOneFile = false;
    DialogScript script;
    script.expect("Recording error", [&](QDialog *dialog) {
        EXPECT_EQ(dialogText(dialog), "Recording could not start in " +
                                          home.file("missing/folder") +
                                          ": No such file or directory");
        dialog->accept();
    });
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return log.text().contains("recordStart failed: "); }));
    ASSERT_TRUE(waitFor([&] { return script.done(); }));
    EXPECT_FALSE(window->recordIndicatorWidget()->isBlinking());
    EXPECT_TRUE(script.unexpected.isEmpty()) << script.unexpected.join('|').toStdString();
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    window.reset();
    server.stop();
}

} // namespace
