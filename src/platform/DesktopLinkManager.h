#pragma once

#include "LinkManager.h"

#include <QNetworkInformation>

// The desktop's link manager. A desktop is normally online already: the
// system's own connection counts as a link that another program opened, and
// a request for a link comes up when the network is reachable. Reachability
// comes from Qt's network information with its NetworkManager backend;
// where that backend does not load, the network counts as reachable. A lost
// network breaks the open link; when it comes back, a new link is reported.
// Closing a link only forgets it: the system's network is left alone.
// GUI thread only.
class DesktopLinkManager : public LinkManager
{
    Q_OBJECT

public:
    explicit DesktopLinkManager(QObject *parent = nullptr);

    void init(bool reportSystemLink) override;
    // Accepts a profile of profileNames(); refuses any other.
    int openLink(const QString &profile) override;
    void closeLink(int id) override;
    // "Default", then the names of the network interfaces that are up and
    // not loopback.
    QStringList profileNames() const override;

    // Whether the network counts as reachable now.
    static bool networkReachable();
    // Connected to Qt's network information (public, so that a change can
    // be played to it): losing the network breaks the open link, getting it
    // back reports a new one when none is open.
    void reachabilityChanged(QNetworkInformation::Reachability reachability);

private:
    void reportUp(int id, const QString &profile);

    int nextId_ = 0;
    // The link up or requested; -1 when none.
    int openId_ = -1;
    // The last reachability seen: only a change between reachable and not
    // breaks a link or brings one.
    bool reachable_ = true;
};
