#include "SongNotifier.h"

#include "SessionBus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

SongNotifier::SongNotifier(QObject *parent) : QObject(parent), bus_(sessionBusIfAny())
{}

void SongNotifier::songChanged(const QString &song, const QString &station, bool show)
{
    if (song.isEmpty() || song == std::exchange(lastSong_, song))
        return;
    if (!show || !enabled_ || !bus_.isConnected())
        return;
    // Until the server has answered, the newest song waits: it replaces
    // the notification the answer names.
    queued_ = {song, station};
    if (!waiting_)
        sendQueued();
}

void SongNotifier::sendQueued()
{
    const auto [song, station] = std::exchange(queued_, {});
    if (song.isEmpty())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    call.setArguments({QStringLiteral("Wavelark"), lastId_, QStringLiteral("wavelark"), song,
                       station, QStringList(), QVariantMap(), -1});
    // Never waited for: a notification server that hangs must not stop the window.
    waiting_ = true;
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            lastId_ = reply.value();
        w->deleteLater();
        waiting_ = false;
        sendQueued();
    });
}
