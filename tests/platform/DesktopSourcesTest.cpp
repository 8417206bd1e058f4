// The desktop's link manager on this machine's network, and the display
// state from a screen saver on a private session bus that the test starts.
#include "DesktopLinkManager.h"
#include "ScreenSaverDisplay.h"
#include "SessionBus.h"
#include "TempHome.h"
#include "WaitUntil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

struct Reports
{
    explicit Reports(LinkManager &link)
    {
        QObject::connect(&link, &LinkManager::connected, [this](int id, LinkInfo &info) {
            connected.append(id);
            profiles.append(info.profile);
        });
        QObject::connect(&link, &LinkManager::openFailed,
                         [this](int id, unsigned short, unsigned short) { failed.append(id); });
    }
    QList<int> connected, failed;
    QStringList profiles;
};

TEST(DesktopLink, ReportsTheSystemLinkAndAnswersRequestsForKnownProfilesLater)
{
    DesktopLinkManager link;
    const QStringList profiles = link.profileNames();
    ASSERT_FALSE(profiles.isEmpty());
    EXPECT_EQ(profiles.first(), QStringLiteral("Default"));
    for (const QString &name : profiles.mid(1)) {
        const QNetworkInterface iface = QNetworkInterface::interfaceFromName(name);
        EXPECT_TRUE(iface.flags().testFlag(QNetworkInterface::IsUp)) << name.toStdString();
        EXPECT_FALSE(iface.flags().testFlag(QNetworkInterface::IsLoopBack)) << name.toStdString();
    }

    // Without a network backend (as here) the network counts as reachable;
    // with one, an unreachable network fails requests instead.
    const bool reachable = DesktopLinkManager::networkReachable();
    Reports reports(link);
    link.init(true);
    EXPECT_TRUE(reports.connected.isEmpty()); // from the event loop, not at once
    if (reachable) {
        ASSERT_TRUE(processEventsUntil([&] { return reports.connected.size() == 1; }, 5000));
        EXPECT_GE(reports.connected.first(), 0);
    }

    EXPECT_LT(link.openLink(QStringLiteral("no such profile")), 0);
    const int closed = link.openLink(QStringLiteral("Default"));
    link.closeLink(closed);
    const int id = link.openLink(profiles.last());
    ASSERT_GE(closed, 0);
    ASSERT_GE(id, 0);
    EXPECT_NE(id, closed);
    QList<int> &answered = reachable ? reports.connected : reports.failed;
    ASSERT_TRUE(processEventsUntil([&] { return answered.contains(id); }, 5000));
    EXPECT_FALSE(reports.connected.contains(closed) || reports.failed.contains(closed));
    if (!reachable)
        return;
    EXPECT_EQ(reports.profiles.last(), profiles.last());

    // The network goes away and comes back: the open link breaks, and a new
    // one is reported; a change between two reachable states is no change.
    QList<int> broken;
    QObject::connect(&link, &LinkManager::broken,
                     [&broken](int brokenId, LinkInfo &) { broken.append(brokenId); });
    using R = QNetworkInformation::Reachability;
    link.reachabilityChanged(R::Disconnected);
    link.reachabilityChanged(R::Disconnected);
    EXPECT_EQ(broken, QList<int>{id});
    const qsizetype before = reports.connected.size();
    link.reachabilityChanged(R::Online);
    link.reachabilityChanged(R::Local);
    ASSERT_EQ(reports.connected.size(), before + 1);
    EXPECT_GT(reports.connected.last(), id);
}

bool busThreadRuns()
{
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("QDBusConnection"))
            return true;
    }
    return false;
}

TEST(SessionBus, WithoutABusNoConnectionAndNoBusThread)
{
    if (busThreadRuns())
        GTEST_SKIP() << "an earlier test in this process started Qt's bus thread";
    TempHome home; // an empty runtime folder
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    EXPECT_FALSE(sessionBusIfAny().isConnected());
    EXPECT_FALSE(busThreadRuns());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("XDG_RUNTIME_DIR", runtime);
}

// A screen saver with the desktop's interface, on the test's own bus.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    bool active = false;

public slots:
    bool GetActive() { return active; }

signals:
    void ActiveChanged(bool active);
};

// A session bus of the test's own, ended with the test.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        process_.start(daemon, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (!process_.waitForReadyRead(5000))
            return;
        address_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    QString address() const { return address_; }

private:
    QProcess process_;
    QString address_;
};

TEST(ScreenSaverDisplay, IsOffWhileTheSessionScreenSaverIsActive)
{
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "display-client");
    QDBusConnection server = QDBusConnection::connectToBus(bus.address(), "screen-saver");
    ASSERT_TRUE(client.isConnected() && server.isConnected());
    {
        // No screen saver on the bus: the display state is not known.
        ScreenSaverDisplay display(client);
        EXPECT_FALSE(display.isKnown());
    }

    FakeScreenSaver saver;
    ASSERT_TRUE(
        server.registerObject("/org/freedesktop/ScreenSaver", &saver,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(server.registerService("org.freedesktop.ScreenSaver"));
    saver.active = true;
    ScreenSaverDisplay display(client);
    EXPECT_TRUE(display.isKnown());
    // Asked once at the start...
    ASSERT_TRUE(processEventsUntil([&] { return display.displayOn() == 0; }, 5000));
    // ...told when it changes...
    saver.active = false;
    emit saver.ActiveChanged(false);
    ASSERT_TRUE(processEventsUntil([&] { return display.displayOn() == 1; }, 5000));
    // ...and asked again now and then, for screen savers that do not tell.
    saver.active = true;
    ASSERT_TRUE(processEventsUntil([&] { return display.displayOn() == 0; }, 5000));
    // A screen saver that goes away leaves the display on.
    server.unregisterService("org.freedesktop.ScreenSaver");
    ASSERT_TRUE(processEventsUntil([&] { return display.displayOn() == 1; }, 5000));
    QDBusConnection::disconnectFromBus("display-client");
    QDBusConnection::disconnectFromBus("screen-saver");
}

} // namespace

#include "DesktopSourcesTest.moc"
