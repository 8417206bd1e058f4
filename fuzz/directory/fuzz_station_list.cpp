// The station-list parser on arbitrary bytes in arbitrary pieces. Whole or
// in pieces, a list that neither run refused gives the same stations.
#include "FuzzPieces.h"
#include "StationListParser.h"

namespace {

const QString kRoot = QStringLiteral("http://dir.test");

struct Result
{
    QList<ShoutCastStation> stations;
    bool refused = false;
};

Result run(const std::vector<QByteArrayView> &pieces)
{
    Result r;
    StationListParser parser;
    for (QByteArrayView piece : pieces) {
        if (parser.feed(piece, r.stations, kRoot) == StationListParser::Outcome::Refused) {
            r.refused = true;
            break;
        }
        FUZZ_CHECK(parser.pendingSize() <= StationListParser::kMaxPending + piece.size());
    }
    parser.clearPending();
    FUZZ_CHECK(parser.pendingSize() == 0);
    return r;
}

bool same(const ShoutCastStation &a, const ShoutCastStation &b)
{
    return a.name == b.name && a.genre == b.genre && a.mimeType == b.mimeType &&
           a.currentTrack == b.currentTrack && a.url == b.url && a.id == b.id &&
           a.bitrate == b.bitrate && a.listeners == b.listeners;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzBody f = fuzzBody(data, size, "<?xml ?><stationlist><tunein base=\"/t.pls\"/>");
    const Result split = run(f.pieces);
    const Result whole = run({QByteArrayView(f.body)});
    for (const ShoutCastStation &s : whole.stations)
        FUZZ_CHECK(s.url.startsWith(kRoot));
    if (!split.refused && !whole.refused) {
        FUZZ_CHECK(split.stations.size() == whole.stations.size());
        for (qsizetype i = 0; i < whole.stations.size(); ++i)
            FUZZ_CHECK(same(split.stations[i], whole.stations[i]));
    }
    return 0;
}
