#include "ScreenSaverDisplay.h"

#include "SessionBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");

} // namespace

ScreenSaverDisplay::ScreenSaverDisplay() : ScreenSaverDisplay(sessionBusIfAny())
{}

ScreenSaverDisplay::ScreenSaverDisplay(const QDBusConnection &bus) : bus_(bus)
{
    if (!bus_.isConnected() || !bus_.interface())
        return;
    if (!bus_.interface()->isServiceRegistered(service).value())
        return;
    known_ = true;
    bus_.connect(service, path, service, QStringLiteral("ActiveChanged"), this,
                 SLOT(activeChanged(bool)));
    connect(&poll_, &QTimer::timeout, this, &ScreenSaverDisplay::ask);
    poll_.start(1000);
    ask();
}

void ScreenSaverDisplay::activeChanged(bool active)
{
    active_ = active;
}

void ScreenSaverDisplay::ask()
{
    if (pending_)
        return;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetActive"));
    pending_ = new QDBusPendingCallWatcher(bus_.asyncCall(call, 2000), this);
    connect(pending_, &QDBusPendingCallWatcher::finished, this, &ScreenSaverDisplay::answered);
}

void ScreenSaverDisplay::answered(QDBusPendingCallWatcher *watcher)
{
    const QDBusPendingReply<bool> reply = *watcher;
    // A failed call (the service went away) counts as a display that is on,
    // so that the window is never left hidden by a screen saver that is gone.
    active_ = reply.isValid() && reply.value();
    watcher->deleteLater();
    pending_ = nullptr;
}
