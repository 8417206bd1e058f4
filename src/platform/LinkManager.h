#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// What the link manager reports about a link.
struct LinkInfo
{
    QString profile;
};

// The data-link manager: opens a link with a network profile and reports,
// later and from the event loop, whether it came up, failed or broke. The
// desktop's is DesktopLinkManager; tests have their own. GUI thread only.
class LinkManager : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Starts the manager; with `reportSystemLink`, a link that is already
    // up (opened by someone else) is reported as `connected` once the event
    // loop runs.
    virtual void init(bool reportSystemLink) = 0;
    // A link identifier (0 or more) when the request was accepted, a
    // negative value when it was refused. The outcome arrives later as
    // `connected` or `openFailed`.
    virtual int openLink(const QString &profile) = 0;
    // Forgets the link; nothing more is reported about it.
    virtual void closeLink(int id) = 0;
    // The profiles a person may choose from.
    virtual QStringList profileNames() const = 0;

signals:
    void connected(int id, LinkInfo &info);
    void openFailed(int id, unsigned short reason, unsigned short detail);
    void broken(int id, LinkInfo &info);
};
