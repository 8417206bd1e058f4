// Desktop notifications as a listener sees them: a notification server on
// the test's own session bus gets each new song with its station while the
// window is in the background, each replacing the one before; none while
// the window is in front, and none once they are turned off.
#include "MenuTestSupport.h"
#include "PrivateBus.h"
#include "SoftKeyBar.h"
#include "TestHttpServer.h"
#include "stream.h"

#include <QDBusConnection>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// What a notification server is asked to show.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        uint replaces;
        QString summary, body;
    };
    QList<Shown> shown;

public slots:
    uint Notify(const QString &, uint replaces, const QString &, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &, int)
    {
        shown.append({replaces, summary, body});
        return uint(shown.size()) + 40;
    }
};

TEST(SongNotifier, EachNewSongReplacesTheLastWhileTheWindowIsInTheBackground)
{
    PlayerHome player("");
    PrivateBus bus(player.home.file(""));
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection serverBus = QDBusConnection::connectToBus(bus.address(), "notifications");
    NotificationServer server;
    ASSERT_TRUE(serverBus.registerService("org.freedesktop.Notifications"));
    ASSERT_TRUE(serverBus.registerObject("/org/freedesktop/Notifications", &server,
                                         QDBusConnection::ExportAllSlots));
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());

    TestHttpServer http;
    ASSERT_TRUE(http.start());
    http.setRoute("/live", TestHttpServer::Reply::make(
                               "ICY 200 OK", {{"icy-metaint", "1000"}, {"icy-name", "Station"}},
                               icyInterleave(testModuleData(200000, 40, 1000), 1000,
                                             {{20, "StreamTitle='First song';"},
                                              {60, "StreamTitle='Second song';"}}))
                               .hang());
    auto window = makeWindow({http.url("/live")});
    QWidget front;
    front.show();
    front.activateWindow();
    ASSERT_TRUE(waitFor([&] { return !window->isActiveWindow(); }));
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor(
        [&] { return !server.shown.isEmpty() && server.shown.last().summary == "Second song"; }));
    EXPECT_EQ(server.shown.last().body, QStringLiteral("Station"));
    ASSERT_GE(server.shown.size(), 2);
    EXPECT_EQ(server.shown[0].replaces, 0u);
    EXPECT_EQ(server.shown.last().replaces, uint(server.shown.size() - 1) + 40)
        << "each replaces the one before";
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    window.reset();

    // Turned off from the View menu, and remembered so.
    const qsizetype before = server.shown.size();
    window = makeWindow({http.url("/live")});
    ASSERT_TRUE(choose(*window, {"View", "Song notifications"}));
    front.activateWindow();
    ASSERT_TRUE(waitFor([&] { return !window->isActiveWindow(); }));
    ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return window->windowTitle().startsWith("Second song"); }));
    QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
    window.reset();
    EXPECT_EQ(server.shown.size(), before);
    EXPECT_TRUE(
        readAllBytes(player.home.file(".wavelark/state")).contains("notifications = false"));
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    http.stop();
}

} // namespace

#include "SongNotifierTest.moc"
