// The display widgets on their own: the marquee's cycle and pages, the
// indicators' states and signals, the list box's wrap.
#include "UiTestSupport.h"
#include "WavelarkIndicators.h"
#include "WavelarkListBox.h"
#include "WavelarkMarquee.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kLong =
    QStringLiteral("A title far too long to fit into a narrow marquee, so it scrolls");

TEST(Marquee, LongTextShowsItsHeadPausesScrollsToItsTailAndReturns)
{
    WavelarkMarquee marquee(QStringLiteral("first"), nullptr, 5, 60);
    EXPECT_EQ(marquee.shown(), QStringLiteral("first"));
    marquee.resize(120, 30);
    marquee.setText(QStringLiteral("short"));
    EXPECT_EQ(marquee.shown(), QStringLiteral("short"));
    EXPECT_TRUE(marquee.alignment() & Qt::AlignHCenter);

    marquee.setText(kLong);
    const QString head = marquee.shown();
    EXPECT_TRUE(kLong.startsWith(head));
    EXPECT_LT(head.size(), kLong.size());
    EXPECT_TRUE(marquee.alignment() & Qt::AlignLeft);
    // No step before the pause at the head.
    EXPECT_FALSE(marquee.isScrolling());
    ASSERT_TRUE(waitFor([&] { return marquee.shown().startsWith(kLong.mid(1, 5)); }, 5000));
    // It moves one character per step until the tail shows, then pauses.
    ASSERT_TRUE(waitFor([&] { return kLong.endsWith(marquee.shown()); }, 5000));
    ASSERT_TRUE(waitFor([&] { return !marquee.isScrolling(); }, 5000));
    // And jumps back to the head.
    ASSERT_TRUE(waitFor([&] { return marquee.shown().startsWith(kLong.left(5)); }, 5000));

    // Interval 0: the head stays.
    marquee.setInterval(0);
    marquee.setText(kLong);
    QTest::qWait(300);
    EXPECT_TRUE(kLong.startsWith(marquee.shown()));
    EXPECT_FALSE(marquee.isScrolling());
}

// The status line is given the same text on every progress event.
TEST(Marquee, TheSameTextAgainKeepsItsPlaceAndStillRefitsToANewWidth)
{
    QWidget window;
    WavelarkMarquee marquee(QString(), &window, 5, 60);
    marquee.resize(2000, 30);
    window.show();
    marquee.setText(kLong);
    marquee.setText(kLong);
    EXPECT_EQ(marquee.shown(), kLong);
    EXPECT_TRUE(marquee.alignment() & Qt::AlignHCenter);
    EXPECT_FALSE(marquee.isScrolling());

    // Narrowed, the unchanged text no longer fits: its head shows and it scrolls.
    marquee.resize(120, 30);
    ASSERT_TRUE(waitFor([&] { return marquee.shown().size() < kLong.size(); }, 5000));
    const QString head = marquee.shown();
    EXPECT_LT(head.size(), kLong.size());
    EXPECT_TRUE(kLong.startsWith(head));
    EXPECT_TRUE(marquee.alignment() & Qt::AlignLeft);
    ASSERT_TRUE(waitFor([&] { return marquee.shown().startsWith(kLong.mid(1, 5)); }, 5000));
    // A scrolling text set again starts over from its head.
    marquee.setText(kLong);
    EXPECT_EQ(marquee.shown(), head);
}

// The marquee paints its text itself and asks for a new layout only when
// a text's height differs: a second line, a larger font.
TEST(Marquee, PaintsItsTextAndTheWindowMakesRoomForTallerTexts)
{
    QWidget window;
    auto *box = new QVBoxLayout(&window);
    auto *marquee = new WavelarkMarquee(QString(), &window, 0, 60);
    box->addWidget(marquee);
    box->addStretch(1);
    window.resize(300, 400);
    window.show();
    marquee->setText(QStringLiteral("one line"));
    ASSERT_TRUE(waitFor([&] { return marquee->height() > 0; }, 5000));
    const int one = marquee->height();
    const QImage painted = marquee->grab().toImage();
    const QRgb background = painted.pixel(0, 0);
    bool inked = false;
    for (int y = 0; y < painted.height() && !inked; ++y)
        for (int x = 0; x < painted.width() && !inked; ++x)
            inked = painted.pixel(x, y) != background;
    EXPECT_TRUE(inked) << "the text is painted";

    marquee->setText(QStringLiteral("first line\nsecond line"));
    ASSERT_TRUE(waitFor([&] { return marquee->height() >= 2 * one - 2; }, 5000))
        << marquee->height();
    marquee->setText(QStringLiteral("one line again"));
    ASSERT_TRUE(waitFor([&] { return marquee->height() == one; }, 5000)) << marquee->height();
    QFont larger = marquee->font();
    larger.setPixelSize(3 * QFontMetrics(larger).height());
    marquee->setFont(larger);
    ASSERT_TRUE(waitFor([&] { return marquee->height() > 2 * one; }, 5000)) << marquee->height();
    EXPECT_EQ(marquee->shown(), QStringLiteral("one line again"));
    EXPECT_EQ(marquee->accessibleName(), QStringLiteral("one line again"))
        << "what a screen reader reads";
}

TEST(Marquee, PagesWrapAndShowAPlaceholderForEmptyEntries)
{
    WavelarkMarquee marquee(QString(), nullptr, 0, 1000);
    marquee.resize(400, 30);
    marquee.addPage(QStringLiteral("Title"), true);
    marquee.nextPage();
    EXPECT_EQ(marquee.currentPage(), 0);
    marquee.prevPage();
    EXPECT_EQ(marquee.text(), QStringLiteral("Title"));
    marquee.addPage(QString(), false);
    marquee.addPage(QStringLiteral("Url"), false);
    EXPECT_EQ(marquee.text(), QStringLiteral("Title"));
    marquee.nextPage();
    EXPECT_EQ(marquee.text(), QStringLiteral("unspecified"));
    marquee.prevPage();
    marquee.prevPage();
    EXPECT_EQ(marquee.text(), QStringLiteral("Url"));
    marquee.nextPage();
    EXPECT_EQ(marquee.currentPage(), 0);
    EXPECT_FALSE(marquee.showPage(3));
    EXPECT_TRUE(marquee.showPage(2));
    QSignalSpy pressed(&marquee, &WavelarkMarquee::MarqueeMouseDoubleClickEvent);
    QTest::mouseDClick(&marquee, Qt::LeftButton);
    EXPECT_EQ(pressed.count(), 1);
    marquee.clearPages();
    EXPECT_EQ(marquee.currentPage(), -1);
    EXPECT_EQ(marquee.text(), QString());
}

TEST(Indicators, EachShowsItsStateAndSignalsItsChanges)
{
    PlayerHome player("");
    WavelarkVolume volume(nullptr, 45);
    QSignalSpy muted(&volume, &WavelarkVolume::muteChanged);
    volume.setVolume(130);
    EXPECT_EQ(volume.text(), QStringLiteral("100"));
    QTest::mouseClick(&volume, Qt::LeftButton);
    EXPECT_TRUE(volume.isMuted());
    EXPECT_FALSE(volume.pixmap().isNull());
    volume.setVolume(20);
    EXPECT_TRUE(volume.text().isEmpty());
    volume.setMuted(false);
    EXPECT_EQ(volume.text(), QStringLiteral("20"));
    EXPECT_EQ(muted.count(), 2);

    WavelarkRepeat repeat(nullptr, 0);
    QSignalSpy modes(&repeat, &WavelarkRepeat::repeatChanged);
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(&repeat, Qt::LeftButton);
    EXPECT_EQ(repeat.mode(), 0);
    ASSERT_EQ(modes.count(), 3);
    EXPECT_EQ(modes.at(1).at(0).toInt(), 2);

    WavelarkShuffle shuffle(nullptr, false);
    QSignalSpy shuffled(&shuffle, &WavelarkShuffle::shuffleChanged);
    const QImage off = shuffle.pixmap().toImage();
    QTest::mouseClick(&shuffle, Qt::LeftButton);
    EXPECT_TRUE(shuffle.isOn());
    EXPECT_NE(shuffle.pixmap().toImage(), off);
    ASSERT_EQ(shuffled.count(), 1);

    WavelarkBlink blink(nullptr, QStringLiteral("M"), 20, false, true);
    QSignalSpy blinked(&blink, &WavelarkBlink::blinkChanged);
    EXPECT_EQ(blink.text(), QStringLiteral("M"));
    blink.setBlinking(true);
    blink.setBlinking(true);
    EXPECT_EQ(blinked.count(), 1);
    ASSERT_TRUE(waitFor([&] { return blink.text().isEmpty(); }, 3000));
    ASSERT_TRUE(waitFor([&] { return !blink.text().isEmpty(); }, 3000));
    blink.stop();
    EXPECT_EQ(blink.text(), QStringLiteral("M"));
    EXPECT_FALSE(blink.isBlinking());
    blink.stopAndBlank();
    EXPECT_TRUE(blink.text().isEmpty());

    // A picture indicator that is off is drawn faint; on, at full strength
    // in its shown half of the blink.
    auto strongestAlpha = [](const QPixmap &pixmap) {
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        int alpha = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                alpha = std::max(alpha, qAlpha(image.pixel(x, y)));
        return alpha;
    };
    WavelarkBlink record(nullptr, QStringLiteral("/record.xpm"), 20, true, false);
    ASSERT_FALSE(record.pixmap().isNull());
    EXPECT_LT(strongestAlpha(record.pixmap()), 128);
    record.setText(QStringLiteral("ignored"));
    EXPECT_TRUE(record.text().isEmpty());
    record.setBlinking(true);
    ASSERT_FALSE(record.pixmap().isNull());
    EXPECT_EQ(strongestAlpha(record.pixmap()), 255);
    record.setBlinking(false);
    EXPECT_LT(strongestAlpha(record.pixmap()), 128);
    WavelarkBlink missing(nullptr, QStringLiteral("/none.xpm"), 500, true, false);
    EXPECT_TRUE(missing.pixmap().isNull());
}

TEST(ListBox, KeysMoveWithWrapAndSelect)
{
    WavelarkListBox box(Qt::Key_8, Qt::Key_2, Qt::Key_5);
    box.addItems({"Recent searches", "jazz", "rock"});
    box.setCurrentRow(2);
    QSignalSpy chosen(&box, &WavelarkListBox::selected);
    QTest::keyClick(&box, Qt::Key_2);
    EXPECT_EQ(box.currentRow(), 0);
    QTest::keyClick(&box, Qt::Key_8);
    EXPECT_EQ(box.currentRow(), 2);
    QTest::keyClick(&box, Qt::Key_8);
    EXPECT_EQ(box.currentRow(), 1);
    QTest::keyClick(&box, Qt::Key_5);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.currentRow(), 1);
}

} // namespace
