#include "InstalledData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString besideProgram(const QString &relative)
{
    if (!QCoreApplication::instance())
        return {};
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                           relative);
}

} // namespace

QString installedPluginDirectory()
{
    return besideProgram(QStringLiteral(WAVELARK_PLUGIN_INSTALL_DIR));
}

QString installedDataDirectory()
{
    return besideProgram(QStringLiteral(WAVELARK_DATA_INSTALL_DIR));
}

QString userOrInstalledFile(const QString &name)
{
    const QString user = QDir::homePath() + QStringLiteral("/.wavelark") + name;
    if (QFileInfo::exists(user))
        return user;
    const QString installed = installedDataDirectory();
    if (!installed.isEmpty() && QFileInfo::exists(installed + name))
        return installed + name;
    return user;
}
