#include "MprisService.h"

#include "MprisAdaptors.h"
#include "PlayListItem.h"
#include "SessionBus.h"
#include "Wavelark.h"
#include "stream.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

#include <cmath>
#include <cstdio>
#include <utility>

MprisService::MprisService(const QDBusConnection &bus, Wavelark *window)
    : QObject(window), bus_(bus), window_(window), exported_(new QObject(this))
{
    new MprisRootAdaptor(exported_, this);
    new MprisPlayerAdaptor(exported_, this);
    new InstanceAdaptor(exported_, this);
    connect(window, &Wavelark::mediaStateChanged, this, &MprisService::refresh);
}

MprisService::~MprisService()
{
    if (!name_.isEmpty())
        bus_.unregisterService(name_);
    bus_.unregisterObject(QString::fromLatin1(objectPath));
}

bool MprisService::registerService(const QString &name)
{
    if (!bus_.registerObject(QString::fromLatin1(objectPath), exported_,
                             QDBusConnection::ExportAdaptors))
        return false;
    if (!bus_.registerService(name)) {
        bus_.unregisterObject(QString::fromLatin1(objectPath));
        return false;
    }
    name_ = name;
    lastStatus_ = playbackStatus();
    lastMetadata_ = metadata();
    lastVolume_ = volume();
    return true;
}

QString MprisService::playbackStatus() const
{
    RadioStream *stream = window_->radioStream();
    if (!stream || !stream->isPlaying())
        return QStringLiteral("Stopped");
    return stream->isPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QVariantMap MprisService::metadata() const
{
    RadioStream *stream = window_->radioStream();
    QVariantMap map;
    const int index = stream ? stream->currentIndex(Selection::Playing) : -1;
    if (index < 0) {
        map.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath(
                                        "/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return map;
    }
    map.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath("/org/wavelark/track/" +
                                                                    QString::number(index))));
    stream->inspectItem(Selection::Playing, [&map](const PlayListItem *item) {
        if (!item)
            return;
        // A station's current song (its StreamTitle) lands in the title and
        // says more than the station's name, which is kept apart.
        const QString title = item->title.isEmpty() ? item->streamTitle : item->title;
        auto add = [&map](const char *key, const QVariant &value, bool present) {
            if (present)
                map.insert(QString::fromLatin1(key), value);
        };
        add("xesam:title", title, !title.isEmpty());
        add("xesam:artist", QStringList{item->artist}, !item->artist.isEmpty());
        add("xesam:album", item->album, !item->album.isEmpty());
        add("xesam:genre", QStringList{item->genre}, !item->genre.isEmpty());
        add("xesam:url", item->url, !item->url.isEmpty());
    });
    return map;
}

double MprisService::volume() const
{
    return window_->mediaVolume() / 100.0;
}

void MprisService::setVolume(double volume)
{
    if (std::isnan(volume))
        return;
    window_->setMediaVolume(int(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
}

void MprisService::refresh()
{
    if (name_.isEmpty())
        return;
    QVariantMap changed;
    const QString status = playbackStatus();
    if (status != lastStatus_)
        changed.insert("PlaybackStatus", lastStatus_ = status);
    const QVariantMap meta = metadata();
    if (meta != lastMetadata_)
        changed.insert("Metadata", lastMetadata_ = meta);
    const double level = volume();
    if (level != lastVolume_)
        changed.insert("Volume", lastVolume_ = level);
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(objectPath), "org.freedesktop.DBus.Properties", "PropertiesChanged");
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus_.send(signal);
}

void MprisService::startFor(Wavelark *window)
{
    QDBusConnection bus = sessionBusIfAny();
    if (!bus.isConnected()) {
        static bool told = false;
        if (!std::exchange(told, true))
            std::fprintf(stderr, "Wavelark: no session bus, desktop controls are off\n");
        return;
    }
    auto *service = new MprisService(bus, window);
    if (!service->registerService()) {
        std::fprintf(stderr, "Wavelark: another player holds the desktop controls\n");
        delete service;
    }
}
