// The player driven from the keyboard: the bindings of the configuration
// file run the transport, in play and in browse mode, with the event sounds
// the transport asks for.
#include "FakeSources.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"
#include "WavelarkIndicators.h"
#include "WavelarkMarquee.h"
#include "stream.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int kModifier = Qt::Key_M;
constexpr int kUnbound = Qt::Key_X;

QByteArray bind(const char *name, int code, bool modified = false)
{
    return QByteArray(name) + " = " + (modified ? "^" : "") + QByteArray::number(code) + '\n';
}

QByteArray bindings()
{
    return bind("keyModifier", kModifier) + bind("keyPlayStop", Qt::Key_Space) +
           bind("keyPlayListNext", Qt::Key_Right) + bind("keyPlayListPrev", Qt::Key_Left) +
           bind("keyPlayListNextJump", Qt::Key_PageDown) +
           bind("keyPlayListPrevJump", Qt::Key_PageUp) + bind("keyBrowse", Qt::Key_B) +
           bind("keyPause", Qt::Key_P) + bind("keyRecall", Qt::Key_R) + bind("keySort", Qt::Key_S) +
           bind("keySortReverse", Qt::Key_S, true) + bind("keyVolumeUp", Qt::Key_Up) +
           bind("keyVolumeDown", Qt::Key_Down) + bind("keyVolumeDown", Qt::Key_Up, true) +
           bind("keyMute", Qt::Key_Q) + bind("keyShuffle", Qt::Key_H) +
           bind("keyRepeat", Qt::Key_T) + bind("keyScan", Qt::Key_C) +
           bind("keyScanNext", Qt::Key_N) + bind("keyPlayListTag", Qt::Key_G) +
           bind("keyCopyTag", Qt::Key_Y);
}

// True when the window consumed the key.
bool press(Wavelark &window, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

int playingIndex(Wavelark &window)
{
    return window.radioStream()->currentIndex(Selection::Playing);
}

int browsedIndex(Wavelark &window)
{
    return window.radioStream()->currentIndex(Selection::Browse);
}

QString header(Wavelark &window)
{
    return window.headerLabelWidget()->text();
}

QStringList localFiles(PlayerHome &player, const QStringList &names, int pcmBytes)
{
    QStringList files;
    for (const QString &name : names)
        files << player.home.write(name, testModuleData(pcmBytes));
    return files;
}

// The event sound files the transport may ask for; none exists, so each
// request shows only as its "playSound(): " line.
QByteArray soundSettings(PlayerHome &player)
{
    QByteArray out;
    for (const char *name :
         {"repeatSound", "repeatAllSound", "eofSound", "scanSound", "streamErrorSound"})
        out += QByteArray(name) + " = " + player.home.file(name).toUtf8() + '\n';
    return out;
}

qsizetype requests(StderrCapture &log, PlayerHome &player, const char *sound)
{
    return log.text().count("playSound(): " + player.home.file(sound) + '\n');
}

bool requested(StderrCapture &log, PlayerHome &player, const char *sound)
{
    return requests(log, player, sound) > 0;
}

// The index that plays each time decoding starts.
class PlayedIndexes : public QObject
{
public:
    explicit PlayedIndexes(Wavelark *window) : window_(window) { window->installEventFilter(this); }
    QList<int> indexes;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (int(event->type()) == StreamDecodeStartedEvent)
            indexes << playingIndex(*window_);
        return false;
    }

private:
    Wavelark *window_;
};

// A key bound to two commands runs the first of its group: in browse mode
// the browse-only group is tried first, in its own order.
TEST(Keys, AKeyBoundTwiceRunsTheFirstCommandOfItsGroup)
{
    PlayerHome player(bindings() + bind("keyAddFavorite", Qt::Key_G));
    auto window = makeWindow(localFiles(player, {"0", "1"}, 4000));
    Wavelark &w = *window;
    const QString favorites = player.home.file(".wavelark/favorites.pls");
    press(w, Qt::Key_B);
    QCoreApplication::processEvents();
    const int page = w.tagMarqueeWidget()->currentPage();
    press(w, Qt::Key_G);
    EXPECT_NE(w.tagMarqueeWidget()->currentPage(), page) << "browse mode: the tag first";
    EXPECT_FALSE(QFileInfo::exists(favorites));
    press(w, Qt::Key_B);
    QCoreApplication::processEvents();
    press(w, Qt::Key_G);
    EXPECT_TRUE(QFileInfo::exists(favorites)) << "play mode: the favorites first";
}

TEST(Keys, MoveThroughAStoppedPlaylistInPlayAndInBrowseMode)
{
    PlayerHome player("cyclicPlayList = false\nplayListJump = 5\n" + bindings());
    auto window = makeWindow(localFiles(player, {"0", "1", "2", "3", "4", "5", "6"}, 4000));
    Wavelark &w = *window;
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(press(w, Qt::Key_Right));
    EXPECT_EQ(playingIndex(w), 3);
    press(w, Qt::Key_PageDown);
    EXPECT_EQ(playingIndex(w), 6) << "a jump past the end selects the last item";
    for (int i = 0; i < 3; ++i)
        press(w, Qt::Key_Left);
    press(w, Qt::Key_PageUp);
    EXPECT_EQ(playingIndex(w), 0) << "a jump before the start selects the first item";

    // Play mode without cyclicPlayList: the ends hold.
    press(w, Qt::Key_Left);
    EXPECT_EQ(playingIndex(w), 0);
    press(w, Qt::Key_PageDown);
    press(w, Qt::Key_Right);
    press(w, Qt::Key_Right);
    EXPECT_EQ(playingIndex(w), 6);

    // Browse mode wraps whatever cyclicPlayList says, and leaves the playing item.
    press(w, Qt::Key_B);
    ASSERT_TRUE(w.transport().browseMode());
    press(w, Qt::Key_PageUp);
    press(w, Qt::Key_PageUp);
    EXPECT_EQ(browsedIndex(w), 0);
    EXPECT_TRUE(waitFor([&] { return header(w) == "-[ Browsing 1/7 ]-"; })) << header(w);
    press(w, Qt::Key_Left);
    EXPECT_EQ(browsedIndex(w), 6);
    press(w, Qt::Key_Right);
    EXPECT_EQ(browsedIndex(w), 0);
    EXPECT_EQ(playingIndex(w), 6);
    press(w, Qt::Key_B);
    EXPECT_TRUE(waitFor([&] { return header(w) == "-[ Playing 7/7 ]-"; })) << header(w);

    // With cyclicPlayList the play-mode ends wrap too.
    w.settings().cyclicPlayList = true;
    press(w, Qt::Key_Right);
    EXPECT_EQ(playingIndex(w), 0);
    press(w, Qt::Key_Left);
    EXPECT_EQ(playingIndex(w), 6);
    EXPECT_FALSE(w.radioStream()->isPlaying());
}

TEST(Keys, ModifierVolumeSortTagsAndUnboundKeys)
{
    PlayerHome player("volume = 50\n" + bindings());
    auto window = makeWindow(localFiles(player, {"c.wl", "a.wl", "b.wl"}, 4000));
    Wavelark &w = *window;
    RadioStream *stream = w.radioStream();
    WavelarkBlink *modifier = w.modifierIndicatorWidget();

    press(w, Qt::Key_Up);
    EXPECT_EQ(stream->volume(), 55);
    EXPECT_EQ(w.volumeIndicatorWidget()->text(), QStringLiteral("55"));
    // Armed, the same key runs its modified binding, once.
    EXPECT_TRUE(press(w, kModifier));
    EXPECT_TRUE(modifier->isBlinking());
    press(w, Qt::Key_Up);
    EXPECT_EQ(stream->volume(), 50);
    EXPECT_FALSE(modifier->isBlinking());
    press(w, Qt::Key_Up);
    EXPECT_EQ(stream->volume(), 55);
    // An unbound key is passed on, and still disarms.
    EXPECT_FALSE(press(w, kUnbound));
    press(w, kModifier);
    EXPECT_FALSE(press(w, kUnbound));
    press(w, Qt::Key_Up);
    EXPECT_EQ(stream->volume(), 60);
    // Left alone, the modifier times out.
    press(w, kModifier);
    ASSERT_TRUE(waitFor([&] { return !modifier->isBlinking(); }, 6000));
    EXPECT_EQ(modifier->text(), QString());
    press(w, Qt::Key_Up);
    EXPECT_EQ(stream->volume(), 65);

    // Muted, the volume keys move the figure but not the stream.
    press(w, Qt::Key_Q);
    EXPECT_EQ(stream->volume(), 0);
    press(w, Qt::Key_Down);
    EXPECT_EQ(stream->volume(), 0);
    press(w, Qt::Key_Q);
    EXPECT_EQ(stream->volume(), 60);

    // Sorting steps through the six tags and wraps; the header says which.
    press(w, Qt::Key_S);
    EXPECT_TRUE(waitFor([&] { return header(w) == "-[ Sorting by Title ]-"; })) << header(w);
    EXPECT_EQ(stream->playlist()->at(0)->title, QStringLiteral("a.wl"));
    for (int i = 0; i < 4; ++i)
        press(w, Qt::Key_S);
    EXPECT_TRUE(waitFor([&] { return header(w) == "-[ Sorting by Url ]-"; })) << header(w);
    press(w, Qt::Key_S);
    EXPECT_EQ(w.transport().sortTag(), 0);
    press(w, kModifier);
    press(w, Qt::Key_S);
    EXPECT_TRUE(waitFor([&] { return header(w) == "-[ Sorting by Rev. Id ]-"; })) << header(w);
    EXPECT_EQ(stream->playlist()->at(0)->title, QStringLiteral("b.wl"));
    // The next tag sorts ascending; the reverse flag is the user's to change.
    press(w, Qt::Key_S);
    EXPECT_FALSE(stream->sortReverse());
    EXPECT_TRUE(w.transport().sortReversed());
    EXPECT_TRUE(waitFor([&] { return header(w).startsWith("-[ Playing "); }, 5000)) << header(w);

    // The tag pages, and the shown one on the clipboard.
    press(w, Qt::Key_G);
    EXPECT_TRUE(waitFor([&] { return header(w) == "-[ Tag Stream Title ]-"; })) << header(w);
    press(w, Qt::Key_Y);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w.tagMarqueeWidget()->text());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("unspecified"));
}

TEST(Keys, RepeatShuffleAndTheEndOfTheListWithTheirSounds)
{
    PlayerHome player("");
    player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n" +
                                              soundSettings(player) + bindings());
    const QStringList files = localFiles(player, {"a.wl", "b.wl", "c.wl"}, 20000);
    StderrCapture log;
    {
        // Repeat all wraps to the first item; with repeat off the list ends.
        auto window = makeWindow(files.mid(0, 2));
        Wavelark &w = *window;
        press(w, Qt::Key_T);
        press(w, Qt::Key_T);
        EXPECT_EQ(w.repeatIndicatorWidget()->mode(), 2);
        press(w, Qt::Key_Space);
        ASSERT_TRUE(waitFor([&] { return requested(log, player, "repeatAllSound"); }));
        EXPECT_TRUE(w.radioStream()->isPlaying());
        press(w, Qt::Key_T);
        ASSERT_TRUE(waitFor([&] { return !w.radioStream()->isPlaying(); }));
        EXPECT_TRUE(requested(log, player, "eofSound"));
        EXPECT_FALSE(requested(log, player, "repeatSound"));
    }
    {
        // Repeat one plays the same item again.
        auto window = makeWindow(files.mid(0, 2));
        Wavelark &w = *window;
        PlayedIndexes played(&w);
        press(w, Qt::Key_T);
        press(w, Qt::Key_Space);
        ASSERT_TRUE(waitFor([&] { return played.indexes.size() >= 2; }));
        EXPECT_TRUE(requested(log, player, "repeatSound"));
        EXPECT_EQ(played.indexes.mid(0, 2), QList<int>({0, 0}));
        press(w, Qt::Key_Space);
    }
    {
        // A shuffle cycle plays every item once, then the list ends.
        auto window = makeWindow(files);
        Wavelark &w = *window;
        PlayedIndexes played(&w);
        const qsizetype endsBefore = requests(log, player, "eofSound");
        press(w, Qt::Key_H);
        press(w, Qt::Key_Space);
        ASSERT_TRUE(
            waitFor([&] { return !w.radioStream()->isPlaying() && !played.indexes.isEmpty(); }));
        const std::set<int> distinct(played.indexes.begin(), played.indexes.end());
        EXPECT_EQ(played.indexes.size(), 3);
        EXPECT_EQ(distinct.size(), 3u);
        EXPECT_EQ(requests(log, player, "eofSound"), endsBefore + 1);
    }
}

TEST(Keys, RepeatOneOfABadItemEndsTheList)
{
    PlayerHome player("");
    player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n"
                                          "skipBadFiles = true\n" +
                                              soundSettings(player) + bindings());
    const QString junk = player.home.write("junk.wl", QByteArray(300000, 'j'));
    StderrCapture log;
    auto window = makeWindow({junk, localFiles(player, {"good.wl"}, 4000).first()});
    Wavelark &w = *window;
    press(w, Qt::Key_T);
    press(w, Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return requested(log, player, "eofSound"); }, 30000));
    EXPECT_TRUE(waitFor([&] { return !w.radioStream()->isPlaying(); }));
    const QString text = log.text();
    EXPECT_LT(text.indexOf("playSound(): " + player.home.file("streamErrorSound")),
              text.indexOf("playSound(): " + player.home.file("eofSound")));
    EXPECT_EQ(playingIndex(w), 0);
}

TEST(Keys, ScanBrowseRecallAndPauseWhileAStationPlays)
{
    PlayerHome player("");
    player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n"
                                          "scanInterval = 600\nvolume = 40\n" +
                                              soundSettings(player) + bindings());
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    QStringList urls;
    for (const char *path : {"/one", "/two", "/three"}) {
        server.setRoute(path, TestHttpServer::Reply::make("ICY 200 OK", {{"icy-name", path}},
                                                          testModuleData(60000))
                                  .hang());
        urls << server.url(path);
    }
    StderrCapture log;
    auto window = makeWindow(urls);
    Wavelark &w = *window;
    RadioStream *stream = w.radioStream();
    ASSERT_TRUE(waitFor([&] { return w.currentLinkId() != -1; }));
    press(w, Qt::Key_Space);
    ASSERT_TRUE(stream->isPlaying());

    // Scan mode survives the exempt keys; the next item comes with its sound.
    press(w, Qt::Key_C);
    EXPECT_TRUE(stream->isScanning());
    press(w, Qt::Key_Up);
    EXPECT_EQ(stream->volume(), 45);
    press(w, Qt::Key_P);
    EXPECT_TRUE(stream->isPaused());
    press(w, Qt::Key_P);
    EXPECT_FALSE(stream->isPaused());
    press(w, Qt::Key_N);
    ASSERT_TRUE(waitFor([&] { return playingIndex(w) == 1; }));
    EXPECT_TRUE(requested(log, player, "scanSound"));
    EXPECT_TRUE(stream->isScanning());
    // Any other bound key only ends scan mode.
    EXPECT_TRUE(press(w, Qt::Key_Right));
    EXPECT_FALSE(stream->isScanning());
    EXPECT_FALSE(w.scanIndicatorWidget()->isBlinking());
    EXPECT_EQ(playingIndex(w), 1);
    press(w, Qt::Key_Right);
    EXPECT_EQ(playingIndex(w), 2);

    // Browse to the first item and play it; recall swaps back and forth.
    press(w, Qt::Key_B);
    press(w, Qt::Key_PageUp);
    EXPECT_EQ(browsedIndex(w), 0);
    EXPECT_EQ(playingIndex(w), 2);
    EXPECT_TRUE(stream->isPlaying());
    press(w, Qt::Key_Space);
    EXPECT_FALSE(w.transport().browseMode());
    EXPECT_EQ(playingIndex(w), 0);
    EXPECT_TRUE(stream->isPlaying());
    press(w, Qt::Key_R);
    EXPECT_EQ(playingIndex(w), 2);
    press(w, Qt::Key_R);
    EXPECT_EQ(playingIndex(w), 0);

    // Stop, then the pause key starts it again.
    press(w, Qt::Key_Space);
    EXPECT_FALSE(stream->isPlaying());
    press(w, Qt::Key_P);
    EXPECT_TRUE(stream->isPlaying());
    EXPECT_FALSE(stream->isPaused());

    // A pause that a call made outlasts a restart by the pause key.
    FakeCallState *call = fakeCall(&w);
    call->incoming = 1;
    ASSERT_TRUE(waitFor([&] { return stream->isPaused(); }));
    press(w, Qt::Key_Space);
    press(w, Qt::Key_P);
    EXPECT_TRUE(stream->isPlaying());
    EXPECT_TRUE(stream->isPaused());
    call->incoming = 0;
    EXPECT_TRUE(waitFor([&] { return !stream->isPaused(); }));
}

// The connecting sound starts a second after connecting and loops until
// the station's first progress report stops it.
TEST(Keys, ConnectingSoundLoopsUntilTheStationIsHeard)
{
    PlayerHome player("");
    const QString sound = player.home.write("connecting.wl", testModuleData(4000));
    player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n"
                                          "connectingSoundLoop = true\nconnectingSound = " +
                                              sound.toUtf8() + '\n' + bindings());
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/late", TestHttpServer::Reply::make("ICY 200 OK", {{"icy-name", "Late"}})
                                 .pause(std::chrono::milliseconds(2500))
                                 .send(testModuleData(60000))
                                 .hang());
    StderrCapture log;
    auto window = makeWindow({server.url("/late")});
    Wavelark &w = *window;
    RadioStream *stream = w.radioStream();
    ASSERT_TRUE(waitFor([&] { return w.currentLinkId() != -1; }));
    press(w, Qt::Key_Space);
    ASSERT_TRUE(waitFor([&] { return stream->soundPlaying() != 0; }));
    EXPECT_TRUE(log.text().contains("playSound(): " + sound + '\n'));
    ASSERT_TRUE(waitFor([&] { return stream->soundPlaying() == 0; }));
    EXPECT_TRUE(stream->isPlaying());
    EXPECT_TRUE(w.statusMarqueeWidget()->text().startsWith("buffer"))
        << w.statusMarqueeWidget()->text().toStdString();
}

} // namespace
