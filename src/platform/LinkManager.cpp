#include "LinkManager.h"

#include <QDir>
#include <QInputDialog>
#include <QTimer>

LinkManager::LinkManager(QObject *parent) : QObject(parent)
{}

void LinkManager::init(bool reportSystemLink)
{
    if (!reportSystemLink)
        return;
    const int id = nextId_++;
    openId_ = id;
    QTimer::singleShot(0, this, [this, id] { announce(id, QString()); });
}

int LinkManager::openLink(const QString &profile)
{
    if (outcome_ == Outcome::Refuse)
        return -1;
    const int id = nextId_++;
    if (outcome_ == Outcome::Fail) {
        QTimer::singleShot(0, this, [this, id] { emit openFailed(id, 0, 0); });
        return id;
    }
    openId_ = id;
    QTimer::singleShot(0, this, [this, id, profile] { announce(id, profile); });
    return id;
}

void LinkManager::announce(int id, const QString &profile)
{
    // Closed or broken before the loop came round: nothing to announce.
    if (openId_ != id)
        return;
    LinkInfo info{profile};
    emit connected(id, info);
}

void LinkManager::closeLink(int id)
{
    if (openId_ == id)
        openId_ = -1;
}

void LinkManager::breakLink()
{
    if (openId_ < 0)
        return;
    const int id = openId_;
    openId_ = -1;
    LinkInfo info;
    emit broken(id, info);
}

QStringList LinkManager::profileNames()
{
    QStringList names =
        QDir(QStringLiteral("/sys/class/net")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("lo"));
    return names;
}

int getProfileNamebySelect(QString &profile, QWidget *parent)
{
    const QStringList names = LinkManager::profileNames();
    if (names.isEmpty())
        return -1;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        parent, QObject::tr("Network profile"), QObject::tr("Connect with:"), names, 0, false, &ok);
    if (!ok || chosen.isEmpty())
        return -1;
    profile = chosen;
    return 0;
}
