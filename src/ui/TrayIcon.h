#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class Wavelark;

// The window's icon in the desktop's tray, where the desktop has one: the
// song and station in its tooltip, the transport in its menu, and a click
// that shows or hides the window. With "close to tray" on, closing the
// window hides it and the icon stays; without a tray, closing quits as it
// always did.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(Wavelark &window);

    // The icon is in a tray now.
    bool shown() const;
    bool closesToTray() const { return closeToTray_; }
    void setCloseToTray(bool on) { closeToTray_ = on; }
    // Shows the window when it is hidden or minimised, else hides it.
    void toggleWindow();
    QSystemTrayIcon *icon() const { return icon_; }
    QMenu &menu() { return menu_; }

private:
    void addCommand(const QString &label, const char *command);

    Wavelark &window_;
    QMenu menu_;
    QSystemTrayIcon *icon_ = nullptr;
    bool closeToTray_ = false;
};
