#pragma once

#include "DirectoryReaders.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Where the directory client asks and how it reads the answers. Chosen once,
// from the environment, when the client is made:
//   WAVELARK_DIRECTORY_URL set (not empty): the XML directory at that root;
//   otherwise the community station service at WAVELARK_RADIO_BROWSER_URL,
//   or at https://all.api.radio-browser.info when that is unset or empty.
// Roots lose their trailing "/". Immutable: any thread may use it.
class DirectorySource
{
public:
    explicit DirectorySource(const QString &root) : root_(root) {}
    virtual ~DirectorySource() = default;

    static std::unique_ptr<DirectorySource> fromEnvironment();

    const QString &root() const { return root_; }

    virtual QString genreIndexUrl() const = 0;
    // limit: stations asked for at most, where the source takes a limit (0:
    // the source's default).
    virtual QString genreUrl(const QString &genre, int limit) const = 0;
    virtual QString searchUrl(const QString &text, int limit) const = 0;
    // The `count` stations listened to most; empty when the source has no
    // such list.
    virtual QString topStationsUrl(int) const { return {}; }
    // The address that tells the service the station was started; empty
    // when the source has none or the station carries no id for it.
    virtual QString clickUrl(const ShoutCastStation &) const { return {}; }
    // Sent with every request of this source; empty sends none of our own.
    virtual QByteArray userAgent() const { return {}; }
    // The genre cache of this source, given the path of the XML directory's
    // cache: each source keeps its own, so that names never mix.
    virtual QString genreCachePath(const QString &xmlCachePath) const { return xmlCachePath; }

    virtual std::unique_ptr<GenreIndexReader> genreIndexReader() const = 0;
    virtual std::unique_ptr<StationListReader> stationListReader() const = 0;

private:
    const QString root_;
};

// The XML directory (genre index "/sbin/newxml.phtml", tune-in playlists).
std::unique_ptr<DirectorySource> makeXmlDirectorySource(const QString &root);
// The community station service (JSON; stations carry their stream address).
std::unique_ptr<DirectorySource> makeRadioBrowserSource(const QString &root);

// WAVELARK_RADIO_BROWSER_URL, or the service's default root; no trailing "/".
QString radioBrowserRootUrl();
