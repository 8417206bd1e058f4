// The preference pages as a person uses them: controls that act at once,
// text fields that wait for OK, Cancel, and the file OK writes.
#include "PrefsPage.h"
#include "StderrCapture.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"
#include "WavelarkConfig.h"
#include "stream.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace {

PrefsPage *shownPage(Wavelark &window)
{
    for (PrefsPage *page : window.findChildren<PrefsPage *>())
        if (page->isShown())
            return page;
    return nullptr;
}

// The control in the row of the n-th label with that text.
template <class Control>
Control *control(PrefsPage *page, const QString &label, int nth = 0)
{
    for (QLabel *text : page->contentFrame()->findChildren<QLabel *>()) {
        if (text->text() != label || nth-- > 0)
            continue;
        auto *grid = qobject_cast<QGridLayout *>(text->parentWidget()->layout());
        int row, column, rows, columns;
        grid->getItemPosition(grid->indexOf(text), &row, &column, &rows, &columns);
        return qobject_cast<Control *>(grid->itemAtPosition(row, 1)->widget());
    }
    return nullptr;
}

void press(Wavelark &window, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &event);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The settings part of the file (the key bindings follow it).
QByteArray settingsPart(const QByteArray &file)
{
    return file.left(file.indexOf("# Key bindings."));
}

// What the writer makes of the window's settings now.
QByteArray expectedSettings(Wavelark &window)
{
    WavelarkSettings settings = window.settings();
    QStringList searches;
    return settingsPart(WavelarkConfig(settings, *window.radioStream(), searches).text());
}

const QByteArray kKeys = "keyPrefsInterface = " + QByteArray::number(Qt::Key_F2) +
                         "\nkeyPrefsNetwork = " + QByteArray::number(Qt::Key_F3) + '\n';

TEST(Prefs, InterfacePageActsAtOnceAndOkWritesTheFile)
{
    PlayerHome player("volume = 45\n" + kKeys);
    const QString configPath = player.home.file(".wavelark/config");
    auto window = makeWindow({});
    Wavelark &w = *window;
    press(w, Qt::Key_F2);
    PrefsPage *page = shownPage(w);
    ASSERT_NE(page, nullptr);
    // The start-up volume changes; the volume playing does not, even after Cancel.
    control<QSpinBox>(page, "Volume:")->setValue(80);
    EXPECT_EQ(w.settings().volume, 80);
    control<QCheckBox>(page, "Skip bad:")->setChecked(true);
    EXPECT_TRUE(w.radioStream()->settings().skipBadFiles);
    QTest::mouseClick(page->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(shownPage(w), nullptr);
    EXPECT_EQ(w.settings().volume, 80);
    EXPECT_EQ(w.radioStream()->volume(), 45);
    EXPECT_FALSE(fileBytes(configPath).contains("volume = 80"));

    press(w, Qt::Key_F2);
    ASSERT_EQ(shownPage(w), page) << "the page is built once";
    control<QCheckBox>(page, "Autoplay:")->click();
    EXPECT_TRUE(w.settings().autoPlay);
    QTest::mouseClick(page->okButton(), Qt::LeftButton);
    const QByteArray written = fileBytes(configPath);
    EXPECT_TRUE(written.contains("\nautoPlay = true\n"));
    EXPECT_TRUE(written.contains("\nvolume = 80\n"));
    EXPECT_TRUE(written.contains("keyPrefsInterface = "));
    EXPECT_EQ(settingsPart(written), expectedSettings(w));
}

double luminance(QColor c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A page opens with its first row focused; Tab walks the rows, then OK and
// Cancel; keys on the page never run the player's commands behind it; an
// unticked box can be seen on the page.
TEST(Prefs, APageHasTheFocusKeepsItsKeysAndShowsItsBoxes)
{
    PlayerHome player(kKeys + "keyPlayStop = 32\nkeyQuit = 81\n");
    const QString song = player.home.write("song.wl", testModuleData(400000));
    auto window = makeWindow({song});
    Wavelark &w = *window;
    press(w, Qt::Key_F2);
    PrefsPage *page = shownPage(w);
    ASSERT_NE(page, nullptr);
    auto *grid = page->contentFrame()->findChild<QGridLayout *>();
    ASSERT_NE(grid, nullptr);
    QList<QWidget *> rows;
    for (int row = 0; row < grid->rowCount(); ++row)
        if (QLayoutItem *item = grid->itemAtPosition(row, 1); item && item->widget())
            rows.append(item->widget());
    ASSERT_GT(rows.size(), 3);
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() != nullptr; }));
    EXPECT_EQ(QApplication::focusWidget(), rows.first());

    QList<QWidget *> walked = {QApplication::focusWidget()};
    for (int i = 0; i < rows.size() + 2; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.append(QApplication::focusWidget());
    }
    QList<QWidget *> expected = rows;
    expected << page->okButton() << page->cancelButton() << rows.first();
    EXPECT_EQ(walked, expected);

    // A letter on a check box and Space or Q that reach the page itself.
    auto *box = control<QCheckBox>(page, "Autoplay:");
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_Q);
    QTest::keyClick(page->contentFrame(), Qt::Key_Space);
    QTest::keyClick(page->contentFrame(), Qt::Key_Q);
    EXPECT_NE(w.radioStream(), nullptr);
    EXPECT_FALSE(w.radioStream()->isPlaying());
    EXPECT_TRUE(page->isShown());

    box->setChecked(false);
    const QImage image = box->grab().toImage();
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    const QColor fill = image.pixelColor(indicator.center());
    const QColor pageColour = page->contentFrame()->palette().color(QPalette::Window);
    EXPECT_GE(contrast(fill, pageColour), 3.0)
        << fill.name().toStdString() << " on " << pageColour.name().toStdString();

    // Escape leaves the page; the window's keys work again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(page->isShown());
    press(w, Qt::Key_Space);
    EXPECT_TRUE(waitFor([&] { return w.radioStream()->isPlaying(); }));
    window.reset();
}

// The decode thread asks for the buffer-empty sound while a person changes
// its settings on the Sounds page: the request is carried to the window's
// thread and uses the settings as they are there (ThreadSanitizer sees a
// race otherwise).
TEST(Prefs, TheBufferEmptySoundFollowsTheSoundsPageWhilePlaying)
{
    PlayerHome player("decodeWait = 2\nbufferEmptySound = /no/such/empty.wav\n");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    // Decoded after the initial wait, which asks for the sound meanwhile.
    server.setRoute("/held",
                    TestHttpServer::Reply::make("ICY 200 OK", {}, testModuleData(3000)).hang());
    StderrCapture log;
    auto window = makeWindow({server.url("/held")});
    Wavelark &w = *window;
    ASSERT_TRUE(waitFor([&] { return w.currentLinkId() != -1; }));
    w.slotPrefsSound();
    PrefsPage *sounds = shownPage(w);
    ASSERT_NE(sounds, nullptr);
    QCheckBox *loop = control<QCheckBox>(sounds, "Loop:");
    ASSERT_NE(loop, nullptr);
    ASSERT_TRUE(w.startPlayback());
    int flips = 0;
    EXPECT_TRUE(waitFor([&] {
        loop->setChecked(++flips % 2 == 1);
        return log.text().count("playSound(): /no/such/empty.wav\n") >= 2;
    }));
    EXPECT_GT(flips, 1);
    window.reset();
    server.stop();
}

TEST(Prefs, NetworkTextFieldsWaitForOkAndCancelPutsThemBack)
{
    PlayerHome player(kKeys);
    const QString configPath = player.home.file(".wavelark/config");
    auto window = makeWindow({});
    Wavelark &w = *window;
    RadioStream *stream = w.radioStream();
    press(w, Qt::Key_F3);
    PrefsPage *page = shownPage(w);
    ASSERT_NE(page, nullptr);
    auto *proxy = control<QLineEdit>(page, "Proxy:");
    proxy->setText("proxy.test:3128");
    EXPECT_EQ(stream->settings().proxy, QString());
    QTest::mouseClick(page->cancelButton(), Qt::LeftButton);
    press(w, Qt::Key_F3);
    EXPECT_EQ(proxy->text(), QString());

    // A comma makes the ports list invalid: it is dropped, as the file's reader would.
    proxy->setText("proxy.test:3128");
    control<QLineEdit>(page, "Allowed ports:")->setText("80, 8080");
    auto *password = control<QLineEdit>(page, "Password:");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    password->setText("secret");
    control<QComboBox>(page, "Type:")->setCurrentText("socks5");
    control<QSpinBox>(page, "Rec. bufsize:")->setValue(3);
    EXPECT_EQ(stream->settings().recordBufSize, 3u * 1024);
    QTest::mouseClick(page->okButton(), Qt::LeftButton);
    EXPECT_EQ(stream->settings().proxy, QStringLiteral("proxy.test:3128"));
    EXPECT_EQ(stream->settings().proxyPassword, QStringLiteral("secret"));
    EXPECT_EQ(stream->settings().proxyType, 3);
    EXPECT_TRUE(stream->settings().allowedProxyPorts.isEmpty());
    const QByteArray written = fileBytes(configPath);
    EXPECT_TRUE(written.contains("\n#allowedProxyPorts = 80 8080\n"));
    EXPECT_TRUE(written.contains("\nproxyType = socks5\n"));
    EXPECT_EQ(settingsPart(written), expectedSettings(w));
    // It holds the password: its owner's alone.
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(configPath).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // With an on-screen keyboard up, a focused field keeps to the upper half.
    press(w, Qt::Key_F3);
    const int fullHeight = page->contentFrame()->height();
    proxy->setFocus();
    ASSERT_TRUE(waitFor([&] { return proxy->hasFocus(); }));
    emit w.kbStateChanged(true);
    EXPECT_EQ(page->contentFrame()->height(), fullHeight / 2);
    emit w.kbStateChanged(false);
    EXPECT_EQ(page->contentFrame()->height(), fullHeight);
    control<QLineEdit>(page, "Allowed ports:")->setText("80 8080");
    QTest::mouseClick(page->okButton(), Qt::LeftButton);
    EXPECT_EQ(stream->settings().allowedProxyPorts, QStringList({"80", "8080"}));
}

TEST(Prefs, SoundsAdvancedAndDirectoryPages)
{
    PlayerHome player("shoutCastSearches = jazz|rock\n");
    const QString configPath = player.home.file(".wavelark/config");
    auto window = makeWindow({});
    Wavelark &w = *window;

    w.slotPrefsSound();
    PrefsPage *sounds = shownPage(w);
    ASSERT_NE(sounds, nullptr);
    const QStringList labels = {"Error sound:", "Scan sound:", "Empty sound file:", "Repeat:",
                                "Repeat all:",  "EOF:",        "Connecting:",       "Retry:"};
    for (const QString &label : labels)
        control<QLineEdit>(sounds, label)->setText("/typed/" + label);
    control<QSpinBox>(sounds, "Volume:")->setValue(30);
    EXPECT_EQ(w.radioStream()->settings().soundsVolume, 30);
    QTest::mouseClick(sounds->cancelButton(), Qt::LeftButton);
    for (const QString &label : labels)
        EXPECT_EQ(control<QLineEdit>(sounds, label)->text(), QString()) << label.toStdString();
    w.slotPrefsSound();
    control<QLineEdit>(sounds, "EOF:")->setText("/sounds/end.wav");
    control<QCheckBox>(sounds, "Loop:", 1)->setChecked(true);
    EXPECT_TRUE(w.settings().connectingSoundLoop);
    QTest::mouseClick(sounds->okButton(), Qt::LeftButton);
    EXPECT_EQ(w.settings().eofSound, QStringLiteral("/sounds/end.wav"));
    EXPECT_TRUE(fileBytes(configPath).contains("\neofSound = /sounds/end.wav\n"));

    w.slotPrefsAdvanced();
    PrefsPage *advanced = shownPage(w);
    auto *inbuf = control<QSpinBox>(advanced, "Inbuf:");
    inbuf->setValue(0);
    EXPECT_EQ(inbuf->value(), 1);
    inbuf->setValue(20000);
    EXPECT_EQ(inbuf->value(), 9999);
    EXPECT_EQ(w.radioStream()->inBufSize(), 9999u * 1024);
    QTest::mouseClick(advanced->cancelButton(), Qt::LeftButton);

    // "Reset" rewrites the file at once, whatever the page's own buttons do.
    w.slotPrefsShoutCast();
    PrefsPage *directory = shownPage(w);
    control<QSpinBox>(directory, "Max items:")->setValue(0);
    EXPECT_EQ(w.settings().shoutCastMaxItems, 0);
    ASSERT_TRUE(fileBytes(configPath).contains("shoutCastSearches = jazz|rock"));
    QTest::mouseClick(control<QPushButton>(directory, "Reset searches:"), Qt::LeftButton);
    QTest::mouseClick(directory->cancelButton(), Qt::LeftButton);
    const QByteArray written = fileBytes(configPath);
    EXPECT_TRUE(written.contains("\n#shoutCastSearches = \n"));
    EXPECT_FALSE(written.contains("jazz"));
}

TEST(Prefs, AFailedWriteIsShownAndTheSettingsStay)
{
    PlayerHome player("");
    // A path under a plain file cannot be written, not even by root.
    const QString blocker = player.home.write("not-a-folder", "x");
    DialogCatcher dialogs;
    auto window = makeWindow({"-c", blocker + "/config"});
    Wavelark &w = *window;
    w.slotPrefsInterface();
    PrefsPage *page = shownPage(w);
    control<QSpinBox>(page, "Playlist jump:")->setValue(9);
    QTest::mouseClick(page->okButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !dialogs.titles.isEmpty(); }));
    EXPECT_TRUE(dialogs.texts.at(0).startsWith(blocker + "/config: "))
        << dialogs.texts.at(0).toStdString();
    EXPECT_EQ(w.settings().playListJump, 9);
}

} // namespace
