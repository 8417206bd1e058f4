// The community station service's readers on arbitrary bytes, through the
// source's readers in arbitrary pieces. Whole or in pieces, the same
// stations and tags; a station always has an http(s) address, and no two
// share an address or an id.
#include "DirectorySource.h"
#include "FuzzPieces.h"

#include <QSet>

namespace {

const auto kSource = makeRadioBrowserSource(QStringLiteral("http://dir.test"));

struct Result
{
    QList<ShoutCastStation> stations;
    QStringList names;
    bool stationsRefused = false;
    bool namesRefused = false;
};

Result run(const std::vector<QByteArrayView> &pieces)
{
    Result r;
    const auto stations = kSource->stationListReader();
    const auto index = kSource->genreIndexReader();
    for (QByteArrayView piece : pieces) {
        FUZZ_CHECK(stations->feed(piece, r.stations) == StationListReader::Outcome::Accepted);
        FUZZ_CHECK(index->feed(piece, r.names) == GenreIndexReader::Outcome::Accepted);
    }
    FUZZ_CHECK(r.stations.isEmpty() && r.names.isEmpty());
    r.stationsRefused = stations->finish(r.stations) == StationListReader::Outcome::Refused;
    FUZZ_CHECK(r.stationsRefused != stations->listStarted());
    FUZZ_CHECK(r.stationsRefused != stations->refusal().isEmpty());
    r.namesRefused = index->finish(r.names) == GenreIndexReader::Outcome::Refused;
    FUZZ_CHECK(r.namesRefused != index->refusal().isEmpty());
    return r;
}

bool same(const ShoutCastStation &a, const ShoutCastStation &b)
{
    return a.name == b.name && a.genre == b.genre && a.mimeType == b.mimeType && a.url == b.url &&
           a.uuid == b.uuid && a.bitrate == b.bitrate && a.listeners == b.listeners;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzBody f = fuzzBody(data, size, "[{\"url\":\"http://s.test/a\",\"name\":");
    const Result split = run(f.pieces);
    const Result whole = run({QByteArrayView(f.body)});
    FUZZ_CHECK(split.stationsRefused == whole.stationsRefused);
    FUZZ_CHECK(split.namesRefused == whole.namesRefused);
    FUZZ_CHECK(split.names == whole.names);
    FUZZ_CHECK(split.stations.size() == whole.stations.size());
    QSet<QString> urls;
    QSet<QString> ids;
    for (qsizetype i = 0; i < whole.stations.size(); ++i) {
        const ShoutCastStation &s = whole.stations[i];
        FUZZ_CHECK(same(split.stations[i], s));
        FUZZ_CHECK(s.url.startsWith(u"http://", Qt::CaseInsensitive) ||
                   s.url.startsWith(u"https://", Qt::CaseInsensitive));
        FUZZ_CHECK(!s.name.isEmpty());
        FUZZ_CHECK(!urls.contains(s.url) && (s.uuid.isEmpty() || !ids.contains(s.uuid)));
        urls.insert(s.url);
        if (!s.uuid.isEmpty())
            ids.insert(s.uuid);
    }
    return 0;
}
