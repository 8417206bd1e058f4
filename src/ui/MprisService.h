#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Wavelark;

// The player's desktop controls: the MPRIS 2 root and player interfaces,
// and an interface of our own through which a second start of the program
// hands its locations over, all at /org/mpris/MediaPlayer2 on `bus`. It
// reads the window's state when the window says it changed and tells the
// desktop which properties changed. GUI thread only.
class MprisService : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *serviceName = "org.mpris.MediaPlayer2.wavelark";
    static constexpr const char *objectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *instanceInterface = "org.wavelark.Instance";

    // Registers the window's media controls on the session bus, when there
    // is one and no other player holds them.
    static void startFor(Wavelark *window);

    MprisService(const QDBusConnection &bus, Wavelark *window);
    ~MprisService() override;

    // Exports the object and takes the service name; false when either
    // fails (another player holds the name).
    bool registerService(const QString &name = QString::fromLatin1(serviceName));

    Wavelark *window() const { return window_; }
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);

public slots:
    // Compares with what was last announced and sends PropertiesChanged.
    void refresh();

private:
    QDBusConnection bus_;
    Wavelark *window_;
    QObject *exported_;
    QString name_;
    QString lastStatus_;
    QVariantMap lastMetadata_;
    double lastVolume_ = -1;
};
