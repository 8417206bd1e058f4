// The community station service: JSON answers read whole at the end of the
// transfer, stations that carry their own stream address, and a click call
// when one is started.
#include "DirectorySource.h"
#include "DirectoryUrls.h"

#include "RadioBrowserJson.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// Tags most stations first; a few hundred fill the genre dialog.
constexpr int kTagLimit = 300;
// Stations asked for when the window sets no item limit.
constexpr int kDefaultStationLimit = 300;

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString stationQuery(int limit)
{
    return QStringLiteral("hidebroken=true&order=clickcount&reverse=true&limit=%1")
        .arg(limit > 0 ? limit : kDefaultStationLimit);
}

class JsonIndexReader final : public GenreIndexReader
{
public:
    Outcome feed(QByteArrayView piece, QStringList &) override
    {
        if (body_.append(piece))
            return Outcome::Accepted;
        refusal_ = body_.overflowText();
        return Outcome::Refused;
    }
    Outcome finish(QStringList &names) override
    {
        return radiobrowser::readTags(body_.body(), names, refusal_) ? Outcome::ListStarted
                                                                     : Outcome::Refused;
    }
    QString refusal() const override { return refusal_; }

private:
    radiobrowser::BodyCollector body_;
    QString refusal_;
};

class JsonStationReader final : public StationListReader
{
public:
    Outcome feed(QByteArrayView piece, QList<ShoutCastStation> &) override
    {
        if (body_.append(piece))
            return Outcome::Accepted;
        refusal_ = body_.overflowText();
        return Outcome::Refused;
    }
    // The stations of the last list stay when this one is refused.
    Outcome finish(QList<ShoutCastStation> &stations) override
    {
        QList<ShoutCastStation> read;
        if (!radiobrowser::readStations(body_.body(), read, refusal_))
            return Outcome::Refused;
        stations = std::move(read);
        listed_ = true;
        return Outcome::Listed;
    }
    bool listStarted() const override { return listed_; }
    QString refusal() const override { return refusal_; }

private:
    radiobrowser::BodyCollector body_;
    QString refusal_;
    bool listed_ = false;
};

class RadioBrowserSource final : public DirectorySource
{
public:
    using DirectorySource::DirectorySource;

    QString genreIndexUrl() const override
    {
        return root() +
               QStringLiteral("/json/tags?order=stationcount&reverse=true&hidebroken=true&limit=%1")
                   .arg(kTagLimit);
    }
    QString genreUrl(const QString &genre, int limit) const override
    {
        return QStringLiteral("%1/json/stations/bytag/%2?%3")
            .arg(root(), encoded(genre), stationQuery(limit));
    }
    QString searchUrl(const QString &text, int limit) const override
    {
        return QStringLiteral("%1/json/stations/search?name=%2&%3")
            .arg(root(), encoded(text), stationQuery(limit));
    }
    QString topStationsUrl(int count) const override
    {
        return QStringLiteral("%1/json/stations/topclick/%2?hidebroken=true")
            .arg(root())
            .arg(count);
    }
    QString clickUrl(const ShoutCastStation &station) const override
    {
        if (station.uuid.isEmpty())
            return {};
        return root() + QStringLiteral("/json/url/") + encoded(station.uuid);
    }
    QByteArray userAgent() const override
    {
        return QByteArrayLiteral("Wavelark/" WAVELARK_VERSION);
    }
    QString genreCachePath(const QString &xmlCachePath) const override
    {
        return QFileInfo(xmlCachePath).dir().filePath(QStringLiteral("radiobrowser-genre.cache"));
    }
    std::unique_ptr<GenreIndexReader> genreIndexReader() const override
    {
        return std::make_unique<JsonIndexReader>();
    }
    std::unique_ptr<StationListReader> stationListReader() const override
    {
        return std::make_unique<JsonStationReader>();
    }
};

} // namespace

std::unique_ptr<DirectorySource> makeRadioBrowserSource(const QString &root)
{
    return std::make_unique<RadioBrowserSource>(root);
}

QString radioBrowserRootUrl()
{
    return rootUrlFromEnvironment("WAVELARK_RADIO_BROWSER_URL",
                                  QStringLiteral("https://all.api.radio-browser.info"));
}
