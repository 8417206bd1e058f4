#pragma once

#include <QString>

// The directory's addresses. The root is scheme and host (no trailing "/");
// everything else is a path below it.

// The value of the environment variable when set and not empty (tests point
// it at their own server), else `fallback`; trailing "/" removed.
QString rootUrlFromEnvironment(const char *variable, const QString &fallback);

// "http://yp.shoutcast.com", or WAVELARK_DIRECTORY_URL.
QString directoryRootUrl();

// root + "/sbin/newxml.phtml".
QString genreIndexUrl(const QString &root);

// The index URL with "?genre=" and the name percent-encoded as UTF-8
// ("Top 40" → "genre=Top%2040"): a raw space is refused by the transfer
// library, and "&" or "#" would change the query.
QString genreQueryUrl(const QString &root, const QString &genre);

// The index URL with "?search=" and the text percent-encoded, each space
// written as "+" ("drum & bass" → "search=drum+%26+bass").
QString searchQueryUrl(const QString &root, const QString &text);

// root + base + "?id=" + the id in unsigned decimal; the prefix is the part
// before the id, the same for every station of a list.
QString tuneInUrlPrefix(const QString &root, const QString &base);
QString tuneInUrl(const QString &prefix, qint32 id);
inline QString tuneInUrl(const QString &root, const QString &base, qint32 id)
{
    return tuneInUrl(tuneInUrlPrefix(root, base), id);
}
