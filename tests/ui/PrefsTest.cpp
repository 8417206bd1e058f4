// The preference pages as a person uses them: controls that act at once,
// text fields that wait for OK, Cancel, and the file OK writes.
#include "PrefsPage.h"
#include "StderrCapture.h"
#include "UiTestSupport.h"
#include "WavelarkConfig.h"
#include "stream.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

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
    EXPECT_TRUE(w.radioStream()->skipBadFiles());
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
    EXPECT_EQ(stream->proxy(), QString());
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
    EXPECT_EQ(stream->recordBufSize(), 3u * 1024);
    QTest::mouseClick(page->okButton(), Qt::LeftButton);
    EXPECT_EQ(stream->proxy(), QStringLiteral("proxy.test:3128"));
    EXPECT_EQ(stream->proxyPassword(), QStringLiteral("secret"));
    EXPECT_EQ(stream->proxyType(), 3);
    EXPECT_TRUE(stream->allowedProxyPorts().isEmpty());
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
    EXPECT_EQ(stream->allowedProxyPorts(), QStringList({"80", "8080"}));
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
    EXPECT_EQ(w.radioStream()->soundsVolume(), 30);
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
