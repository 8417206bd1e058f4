// The XML directory: its parsers read the answers piece by piece, and a
// station's address is the directory's tune-in playlist.
#include "DirectorySource.h"

#include "DirectoryUrls.h"
#include "GenreIndexParser.h"
#include "StationListParser.h"

namespace {

class XmlIndexReader final : public GenreIndexReader
{
public:
    Outcome feed(QByteArrayView piece, QStringList &names) override
    {
        switch (parser_.feed(piece, names)) {
        case GenreIndexParser::Outcome::HeaderFound: return Outcome::ListStarted;
        case GenreIndexParser::Outcome::Refused: return Outcome::Refused;
        case GenreIndexParser::Outcome::Accepted: break;
        }
        return Outcome::Accepted;
    }
    // An answer that never showed the index is as unknown as a long one.
    Outcome finish(QStringList &) override
    {
        parser_.clearPending();
        return parser_.headerFound() ? Outcome::Accepted : Outcome::Refused;
    }
    QString refusal() const override { return {}; }

private:
    GenreIndexParser parser_;
};

class XmlStationReader final : public StationListReader
{
public:
    explicit XmlStationReader(const QString &root) : root_(root) {}

    Outcome feed(QByteArrayView piece, QList<ShoutCastStation> &stations) override
    {
        return parser_.feed(piece, stations, root_) == StationListParser::Outcome::Refused
                   ? Outcome::Refused
                   : Outcome::Accepted;
    }
    Outcome finish(QList<ShoutCastStation> &) override
    {
        parser_.clearPending();
        return parser_.headerFound() ? Outcome::Accepted : Outcome::Refused;
    }
    bool listStarted() const override { return parser_.headerFound(); }
    QString refusal() const override { return {}; }

private:
    const QString root_;
    StationListParser parser_;
};

class XmlDirectorySource final : public DirectorySource
{
public:
    using DirectorySource::DirectorySource;

    QString genreIndexUrl() const override { return ::genreIndexUrl(root()); }
    QString genreUrl(const QString &genre, int) const override
    {
        return genreQueryUrl(root(), genre);
    }
    QString searchUrl(const QString &text, int) const override
    {
        return searchQueryUrl(root(), text);
    }
    std::unique_ptr<GenreIndexReader> genreIndexReader() const override
    {
        return std::make_unique<XmlIndexReader>();
    }
    std::unique_ptr<StationListReader> stationListReader() const override
    {
        return std::make_unique<XmlStationReader>(root());
    }
};

} // namespace

std::unique_ptr<DirectorySource> makeXmlDirectorySource(const QString &root)
{
    return std::make_unique<XmlDirectorySource>(root);
}

std::unique_ptr<DirectorySource> DirectorySource::fromEnvironment()
{
    if (!qEnvironmentVariableIsEmpty("WAVELARK_DIRECTORY_URL"))
        return makeXmlDirectorySource(directoryRootUrl());
    return makeRadioBrowserSource(radioBrowserRootUrl());
}
