#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <utility>

// Desktop notifications of the song that plays (org.freedesktop.Notifications
// on the session bus): each new song replaces the previous notification.
// Nothing is sent without a session bus, or when turned off.
class SongNotifier : public QObject
{
    Q_OBJECT

public:
    explicit SongNotifier(QObject *parent = nullptr);
    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }
    // A song that began; it is shown when `show` (the window is in the
    // background), and the same song again sends nothing.
    void songChanged(const QString &song, const QString &station, bool show);

private:
    void sendQueued();

    QDBusConnection bus_;
    bool enabled_ = true;
    uint lastId_ = 0;
    QString lastSong_;
    bool waiting_ = false;               // a call the server has not answered yet
    std::pair<QString, QString> queued_; // song and station to show next
};
