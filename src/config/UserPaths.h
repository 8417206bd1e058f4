#pragma once

#include <QDir>
#include <QString>

// The per-user files, all under the home directory.
struct UserPaths
{
    QString configPath;     // ~/.wavelark/config
    QString favoritesPath;  // ~/.wavelark/favorites.pls
    QString genreCachePath; // ~/.wavelark/genre.cache
    QString pluginDir;      // ~/.wavelark/plugins/

    static UserPaths forHome(const QString &home = QDir::homePath())
    {
        return {home + QStringLiteral("/.wavelark/config"),
                home + QStringLiteral("/.wavelark/favorites.pls"),
                home + QStringLiteral("/.wavelark/genre.cache"),
                home + QStringLiteral("/.wavelark/plugins/")};
    }
};
