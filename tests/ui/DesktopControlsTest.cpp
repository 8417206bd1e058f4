// The desktop's media controls on a private session bus: what they report
// as a station plays, what they make the player do, and a second start of
// the program handing its location to the player already running.
#include "MprisService.h"
#include "PrivateBus.h"
#include "RunProgram.h"
#include "TestHttpServer.h"
#include "TrayIcon.h"
#include "UiTestSupport.h"
#include "WavelarkIndicators.h"
#include "stream.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kService = QString::fromLatin1(MprisService::serviceName);
const QString kPath = QString::fromLatin1(MprisService::objectPath);
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// Calls on the service, which lives on this thread: the event loop must run
// while the call waits (and QDBusInterface would introspect it blocking).
QDBusMessage invoke(QDBusConnection &bus, const QString &interface, const QString &method,
                    const QVariantList &args = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::BlockWithGui, 5000);
}

QVariant property(QDBusConnection &bus, const QString &interface, const QString &name)
{
    const QDBusMessage reply =
        invoke(bus, "org.freedesktop.DBus.Properties", "Get", {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
}

QVariantMap metadata(QDBusConnection &bus)
{
    return qdbus_cast<QVariantMap>(property(bus, kPlayer, "Metadata").value<QDBusArgument>());
}

bool call(QDBusConnection &bus, const QString &method, const QVariantList &args = {})
{
    return invoke(bus, kPlayer, method, args).type() == QDBusMessage::ReplyMessage;
}

// The PlaybackStatus values the service announced, in order.
class Announcements : public QObject
{
    Q_OBJECT

public:
    QStringList statuses;
    int volumes = 0;

public slots:
    void changed(const QString &interface, const QVariantMap &properties, const QStringList &)
    {
        if (interface != kPlayer)
            return;
        if (properties.contains("PlaybackStatus"))
            statuses << properties.value("PlaybackStatus").toString();
        if (properties.contains("Volume"))
            ++volumes;
    }
};

TEST(DesktopControls, FollowAStationAndDriveThePlayer)
{
    PlayerHome player("volume = 40\ninBufSize = 128\n");
    PrivateBus bus(player.home.file(""));
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection serviceBus = QDBusConnection::connectToBus(bus.address(), "controls-service");
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "controls-client");
    ASSERT_TRUE(serviceBus.isConnected() && client.isConnected());

    TestHttpServer server;
    ASSERT_TRUE(server.start());
    const QByteArray audio = icyInterleave(testModuleData(100000, 40, 1000), 1000,
                                           {{80, "StreamTitle='Artist - Song';"}});
    server.setRoute(
        "/live", TestHttpServer::Reply::make("ICY 200 OK",
                                             {{"icy-metaint", "1000"}, {"icy-name", "Live"}}, audio)
                     .hang());
    const QString local = player.home.write("local.wl", testModuleData(4000));
    {
        auto window = makeWindow({server.url("/live"), local});
        MprisService service(serviceBus, window.get());
        ASSERT_TRUE(service.registerService());
        Announcements seen;
        ASSERT_TRUE(client.connect(kService, kPath, "org.freedesktop.DBus.Properties",
                                   "PropertiesChanged", &seen,
                                   SLOT(changed(QString, QVariantMap, QStringList))));
        EXPECT_EQ(property(client, "org.mpris.MediaPlayer2", "Identity").toString(), "Wavelark");
        EXPECT_FALSE(property(client, kPlayer, "CanSeek").toBool());
        EXPECT_EQ(property(client, kPlayer, "PlaybackStatus").toString(), "Stopped");

        ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
        ASSERT_TRUE(call(client, "Play"));
        ASSERT_TRUE(waitFor([&] { return seen.statuses.contains("Playing"); }));
        ASSERT_TRUE(waitFor([&] {
            return metadata(client).value("xesam:title").toString() == "Artist - Song";
        })) << metadata(client).value("xesam:title").toString().toStdString();
        EXPECT_EQ(metadata(client).value("xesam:url").toString(), server.url("/live"));
        call(client, "Pause");
        ASSERT_TRUE(waitFor([&] { return seen.statuses.endsWith("Paused"); }));
        EXPECT_TRUE(window->radioStream()->isPaused());
        call(client, "PlayPause");
        ASSERT_TRUE(waitFor([&] { return seen.statuses.endsWith("Playing"); }));

        // The volume goes the way of the volume keys.
        invoke(client, "org.freedesktop.DBus.Properties", "Set",
               {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(0.5))});
        EXPECT_EQ(window->radioStream()->volume(), 50);
        EXPECT_EQ(window->volumeIndicatorWidget()->text(), "50");
        EXPECT_TRUE(waitFor([&] { return seen.volumes > 0; }));

        call(client, "Next");
        EXPECT_EQ(window->radioStream()->currentIndex(Selection::Playing), 1);
        call(client, "Previous");
        EXPECT_EQ(window->radioStream()->currentIndex(Selection::Playing), 0);
        call(client, "Stop");
        ASSERT_TRUE(waitFor([&] { return seen.statuses.endsWith("Stopped"); }));

        // The tray icon's menu runs the same commands; a click hides and
        // shows the window; its tooltip is the window's title.
        TrayIcon *tray = window->trayIcon();
        const auto trayCommand = [tray](const QString &text) {
            for (QAction *action : tray->menu().actions())
                if (action->text() == text) {
                    action->trigger();
                    return true;
                }
            return false;
        };
        ASSERT_TRUE(trayCommand("Play/Stop"));
        ASSERT_TRUE(waitFor([&] { return seen.statuses.endsWith("Playing"); }));
        ASSERT_TRUE(waitFor([&] { return tray->icon()->toolTip().startsWith("Artist - Song"); }))
            << tray->icon()->toolTip().toStdString();
        EXPECT_EQ(tray->icon()->toolTip(), window->windowTitle());
        ASSERT_TRUE(trayCommand("Mute"));
        EXPECT_TRUE(window->volumeIndicatorWidget()->isMuted());
        EXPECT_EQ(window->radioStream()->volume(), 0);
        ASSERT_TRUE(trayCommand("Mute"));
        ASSERT_TRUE(trayCommand("Next"));
        EXPECT_EQ(window->radioStream()->currentIndex(Selection::Playing), 1);
        ASSERT_TRUE(trayCommand("Previous"));
        ASSERT_TRUE(trayCommand("Play/Stop"));
        ASSERT_TRUE(waitFor([&] { return seen.statuses.endsWith("Stopped"); }));
        window->show();
        tray->toggleWindow();
        EXPECT_FALSE(window->isVisible());
        tray->toggleWindow();
        EXPECT_TRUE(window->isVisible());

        // A location of its own replaces the list and plays, paused or not.
        call(client, "Play");
        call(client, "Pause");
        ASSERT_TRUE(window->radioStream()->isPaused());
        ASSERT_TRUE(call(client, "OpenUri", {"file://" + local}));
        EXPECT_EQ(window->radioStream()->count(), 1u);
        EXPECT_FALSE(window->radioStream()->isPaused());
        EXPECT_TRUE(waitFor(
            [&] { return metadata(client).value("xesam:url").toString() == "file://" + local; }));
    }
    QDBusConnection::disconnectFromBus("controls-service");
    QDBusConnection::disconnectFromBus("controls-client");
}

int waitExit(pid_t pid, int ms = 30000)
{
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, ms)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DesktopControls, ASecondStartHandsItsLocationToTheRunningPlayer)
{
    PlayerHome player("");
    PrivateBus bus(player.home.file(""));
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "handover-client");
    ASSERT_TRUE(client.isConnected());
    const QStringList env = {"QT_QPA_PLATFORM=offscreen", "WAVELARK_AUDIO=null",
                             "DBUS_SESSION_BUS_ADDRESS=" + bus.address()};
    // Favorites, so that the program does not ask the station directory.
    const QString kept = player.home.write("kept.wl", testModuleData(4000));
    player.home.write(".wavelark/favorites.pls",
                      "[playlist]\nNumberOfEntries=1\nFile1=" + kept.toUtf8() + "\n");
    const pid_t first = startProgram(QStringLiteral(WAVELARK_PROGRAM), {}, env);
    ASSERT_GT(first, 0);
    ASSERT_TRUE(waitFor([&] { return client.interface()->isServiceRegistered(kService).value(); }));

    const QString song = player.home.write("song.wl", testModuleData(4000));
    EXPECT_EQ(waitExit(startProgram(QStringLiteral(WAVELARK_PROGRAM), {song}, env)), 0);
    EXPECT_TRUE(waitFor(
        [&] { return metadata(client).value("xesam:url").toString() == "file://" + song; }));
    ::kill(first, SIGTERM);
    EXPECT_EQ(waitExit(first), 0);
    QDBusConnection::disconnectFromBus("handover-client");
}

} // namespace

#include "DesktopControlsTest.moc"
