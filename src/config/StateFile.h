#pragma once

#include <QByteArray>
#include <QString>

// What the window remembers between runs, apart from the configuration
// file (which is written only when the preferences say so): the volume, the
// mute, the last entry played, the window's geometry, whether the station
// list is shown, and the notification and tray choices. Kept in ~/.wavelark/state as "key = value"
// lines.
struct WindowState
{
    int volume = -1; // -1: not remembered, the configuration's volume holds
    // The configuration's volume when the state was written: a volume set
    // in the preferences since then is the one heard.
    int configVolume = -1;
    bool muted = false;
    QString lastUrl; // the last entry played; empty when none
    QString lastTitle;
    QByteArray geometry;       // QWidget::saveGeometry()
    bool listShown = false;    // the station list beside the sections
    bool notifications = true; // a desktop notification for each song
    bool closeToTray = false;  // closing the window leaves the tray icon
};

// The file's outcome: its state, and a message when a file was there but
// could not be read whole (the defaults stand then, as without a file).
struct StateRead
{
    WindowState state;
    QString message;
};

class StateFile
{
public:
    static QString defaultPath(); // ~/.wavelark/state
    static StateRead read(const QString &path);
    // Replaces the file whole; 0 or the errno of the failed step.
    static int write(const QString &path, const WindowState &state);
    // The file's text for a state, and the state a text holds; a line that
    // is not understood makes the whole text unusable (false).
    static QByteArray format(const WindowState &state);
    static bool parse(const QByteArray &text, WindowState &state);
};
