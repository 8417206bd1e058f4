#include "DirectoryUrls.h"

#include <QUrl>

QString rootUrlFromEnvironment(const char *variable, const QString &fallback)
{
    QString root = qEnvironmentVariable(variable);
    if (root.isEmpty())
        root = fallback;
    while (root.endsWith(u'/'))
        root.chop(1);
    return root;
}

QString directoryRootUrl()
{
    return rootUrlFromEnvironment("WAVELARK_DIRECTORY_URL",
                                  QStringLiteral("http://yp.shoutcast.com"));
}

QString genreIndexUrl(const QString &root)
{
    return root + QStringLiteral("/sbin/newxml.phtml");
}

QString genreQueryUrl(const QString &root, const QString &genre)
{
    return QStringLiteral("%1?genre=%2")
        .arg(genreIndexUrl(root), QString::fromLatin1(QUrl::toPercentEncoding(genre)));
}

QString searchQueryUrl(const QString &root, const QString &text)
{
    QByteArray query = QUrl::toPercentEncoding(text, " ");
    query.replace(' ', '+');
    return QStringLiteral("%1?search=%2").arg(genreIndexUrl(root), QString::fromLatin1(query));
}

QString tuneInUrlPrefix(const QString &root, const QString &base)
{
    return root + base + QStringLiteral("?id=");
}

QString tuneInUrl(const QString &prefix, qint32 id)
{
    return prefix + QString::number(quint32(id));
}
