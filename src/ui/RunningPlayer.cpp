#include "RunningPlayer.h"

#include "CommandLineOptions.h"
#include "MprisService.h"
#include "SessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QUrl>

namespace {

// The running player has its own working folder: paths go over whole. A
// launcher may pass a local file as a percent-encoded file URL.
QStringList absoluteLocations(const QStringList &arguments)
{
    QStringList locations;
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1String("file://")))
            locations << QUrl(argument).toLocalFile();
        else if (argument.contains(QLatin1String("://")))
            locations << argument;
        else
            locations << QFileInfo(argument).absoluteFilePath();
    }
    return locations;
}

} // namespace

bool handOverToRunningPlayer(const CommandLineOptions &options)
{
    if (options.quitRequested)
        return false;
    QDBusConnection bus = sessionBusIfAny();
    const QString name = QString::fromLatin1(MprisService::serviceName);
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(name).value())
        return false;
    QDBusInterface player(name, QString::fromLatin1(MprisService::objectPath),
                          QString::fromLatin1(MprisService::instanceInterface), bus);
    const QDBusMessage reply =
        options.arguments.isEmpty()
            ? player.call(QStringLiteral("Raise"))
            : player.call(QStringLiteral("Open"), absoluteLocations(options.arguments));
    return reply.type() == QDBusMessage::ReplyMessage;
}
