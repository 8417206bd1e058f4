#include "MprisAdaptors.h"

#include "MprisService.h"
#include "Wavelark.h"

MprisRootAdaptor::MprisRootAdaptor(QObject *exported, MprisService *service)
    : QDBusAbstractAdaptor(exported), service_(service)
{}

QString MprisRootAdaptor::identity() const
{
    return QStringLiteral("Wavelark");
}

QString MprisRootAdaptor::desktopEntry() const
{
    return QStringLiteral("wavelark");
}

QStringList MprisRootAdaptor::supportedUriSchemes() const
{
    return {"http", "https", "ftp", "ftps", "file"};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    // What the decoder modules play, and the playlists.
    return {"audio/mpeg",    "audio/aac",       "audio/aacp",    "audio/ogg",      "audio/vorbis",
            "audio/opus",    "audio/flac",      "audio/x-flac",  "audio/wav",      "audio/x-wav",
            "audio/x-scpls", "audio/x-mpegurl", "audio/mpegurl", "application/ogg"};
}

void MprisRootAdaptor::Quit()
{
    // After the reply has gone out.
    QMetaObject::invokeMethod(service_->window(), &Wavelark::slotQuit, Qt::QueuedConnection);
}

void MprisRootAdaptor::Raise()
{
    service_->window()->runCommand("raise");
}

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject *exported, MprisService *service)
    : QDBusAbstractAdaptor(exported), service_(service)
{}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return service_->playbackStatus();
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return service_->metadata();
}

double MprisPlayerAdaptor::volume() const
{
    return service_->volume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    service_->setVolume(volume);
}

void MprisPlayerAdaptor::Next()
{
    service_->window()->runCommand("next");
}

void MprisPlayerAdaptor::Previous()
{
    service_->window()->runCommand("previous");
}

void MprisPlayerAdaptor::Pause()
{
    service_->window()->runCommand("pause");
}

void MprisPlayerAdaptor::PlayPause()
{
    service_->window()->runCommand("pauseOrResume");
}

void MprisPlayerAdaptor::Stop()
{
    service_->window()->runCommand("stop");
}

void MprisPlayerAdaptor::Play()
{
    service_->window()->runCommand("play");
}

void MprisPlayerAdaptor::OpenUri(const QString &uri)
{
    service_->window()->openLocations({uri});
}

InstanceAdaptor::InstanceAdaptor(QObject *exported, MprisService *service)
    : QDBusAbstractAdaptor(exported), service_(service)
{}

void InstanceAdaptor::Open(const QStringList &locations)
{
    service_->window()->openLocations(locations);
}

void InstanceAdaptor::Raise()
{
    service_->window()->runCommand("raise");
}
