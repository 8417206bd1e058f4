#include "DesktopLinkManager.h"

#include "SessionBus.h"

#include <QNetworkInterface>
#include <QTimer>

#include <utility>

namespace {

// Loaded once per process; null when the backend does not load here.
QNetworkInformation *networkInformation()
{
    static QNetworkInformation *const info = [] {
        if (!QNetworkInformation::instance() && systemBusMayExist())
            QNetworkInformation::loadBackendByName(u"networkmanager");
        return QNetworkInformation::instance();
    }();
    return info;
}

} // namespace

DesktopLinkManager::DesktopLinkManager(QObject *parent) : LinkManager(parent)
{}

bool DesktopLinkManager::networkReachable()
{
    const QNetworkInformation *info = networkInformation();
    return !info || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

void DesktopLinkManager::init(bool reportSystemLink)
{
    if (QNetworkInformation *info = networkInformation())
        connect(info, &QNetworkInformation::reachabilityChanged, this,
                &DesktopLinkManager::reachabilityChanged);
    reachable_ = networkReachable();
    if (!reportSystemLink)
        return;
    QTimer::singleShot(0, this, [this] {
        // A request made meanwhile reports for itself.
        if (openId_ == -1 && networkReachable()) {
            openId_ = nextId_++;
            reportUp(openId_, QString());
        }
    });
}

int DesktopLinkManager::openLink(const QString &profile)
{
    if (!profileNames().contains(profile))
        return -1;
    const int id = nextId_++;
    openId_ = id;
    QTimer::singleShot(0, this, [this, id, profile] {
        // Closed or broken before the loop came round: nothing to report.
        if (openId_ != id)
            return;
        if (networkReachable()) {
            reportUp(id, profile);
            return;
        }
        openId_ = -1;
        emit openFailed(id, 0, 0);
    });
    return id;
}

void DesktopLinkManager::reportUp(int id, const QString &profile)
{
    LinkInfo info{profile};
    emit connected(id, info);
}

void DesktopLinkManager::closeLink(int id)
{
    if (openId_ == id)
        openId_ = -1;
}

void DesktopLinkManager::reachabilityChanged(QNetworkInformation::Reachability reachability)
{
    const bool reachable = reachability != QNetworkInformation::Reachability::Disconnected;
    if (reachable == std::exchange(reachable_, reachable))
        return;
    if (!reachable && openId_ != -1) {
        const int id = std::exchange(openId_, -1);
        LinkInfo info;
        emit broken(id, info);
    } else if (reachable && openId_ == -1) {
        openId_ = nextId_++;
        reportUp(openId_, QString());
    }
}

QStringList DesktopLinkManager::profileNames() const
{
    QStringList names{QStringLiteral("Default")};
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack))
            names.append(iface.name());
    }
    return names;
}
