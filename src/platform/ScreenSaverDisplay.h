#pragma once

#include "DisplayState.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

class QDBusPendingCallWatcher;

// The display state of a desktop session: off while the session's screen
// saver (org.freedesktop.ScreenSaver on the session bus) is active. Not
// known when there is no session bus or no such service. The state is
// asked without blocking, once a second and whenever the service says it
// changed; displayOn() gives the last answer. GUI thread only.
class ScreenSaverDisplay : public QObject, public DisplayState
{
    Q_OBJECT

public:
    // On the session bus, when one is reachable.
    ScreenSaverDisplay();
    // On the given bus (tests use a bus of their own).
    explicit ScreenSaverDisplay(const QDBusConnection &bus);

    bool isKnown() const override { return known_; }
    int displayOn() const override { return active_ ? 0 : 1; }

private slots:
    void activeChanged(bool active);

private:
    void ask();
    void answered(QDBusPendingCallWatcher *watcher);

    QDBusConnection bus_;
    bool known_ = false;
    bool active_ = false;
    QDBusPendingCallWatcher *pending_ = nullptr;
    QTimer poll_;
};
