#pragma once

#include <QObject>
#include <QString>

// What the link manager reports about a link.
struct LinkInfo
{
    QString profile;
};

// The data-link manager. On a desktop the system's own network connection
// is the link: it counts as open from start-up, and a request for a link
// comes up at once (asynchronously, from the event loop) unless a test has
// told the manager otherwise. GUI thread only.
class LinkManager : public QObject
{
    Q_OBJECT

public:
    explicit LinkManager(QObject *parent = nullptr);

    // Starts the manager; with `reportSystemLink`, the system's connection
    // is announced as an open link once the event loop runs.
    void init(bool reportSystemLink);
    // A link identifier (0 or more) when the request was accepted, a
    // negative value when it was refused. The outcome arrives later.
    int openLink(const QString &profile);
    void closeLink(int id);
    // The link currently open, or -1.
    int openId() const { return openId_; }

    // Test hooks: how the next requests end, and breaking the open link.
    enum class Outcome { Connect, Fail, Refuse };
    void setOutcome(Outcome outcome) { outcome_ = outcome; }
    void breakLink();

    // The profiles a user may choose: the machine's network interfaces.
    static QStringList profileNames();

signals:
    void connected(int id, LinkInfo &info);
    void openFailed(int id, unsigned short reason, unsigned short detail);
    void broken(int id, LinkInfo &info);

private:
    void announce(int id, const QString &profile);

    int nextId_ = 1;
    int openId_ = -1;
    Outcome outcome_ = Outcome::Connect;
};

// The phone's profile chooser: 0 when the user chose one (written into
// `profile`), anything else when none was chosen.
int getProfileNamebySelect(QString &profile, QWidget *parent = nullptr);
