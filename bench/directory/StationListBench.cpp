// Directory parsing in the 16 KiB pieces libcurl hands over. Every figure
// printed is a ratio measured in the same run (see PairedRounds.h): each
// round parses the small list four times and the list four times as long
// once, so a busy spell of the shared machine falls on both sides; the median
// over the rounds is printed with its spread.
//   - station lists, 20k / 5k stations (linear = 4), and parsing against a
//     plain scan of the same pieces for "/>" (the least any parser of this
//     format must do), whose own 20k / 5k ratio shows what the machine gives;
//   - genre indexes, 40k / 10k names (linear = 4).
#include "GenreIndexParser.h"
#include "PairedRounds.h"
#include "StationListParser.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr qsizetype kPiece = 16384;
const QString kRoot = QStringLiteral("http://dir.test");

QByteArray stationList(int stations)
{
    QByteArray body =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<stationlist>\n"
        "<tunein base=\"/sbin/tunein-station.pls\" base-m3u=\"/sbin/tunein-station.m3u\"/>\n";
    for (int i = 0; i < stations; ++i)
        body += "<station name=\"Station number " + QByteArray::number(i) +
                " - the best &amp; the rest\" mt=\"audio/mpeg\" id=\"" +
                QByteArray::number(100000 + i) +
                "\" br=\"128\" genre=\"Jazz Smooth Jazz\" "
                "ct=\"Artist " +
                QByteArray::number(i % 97) + " - Title of the song\" lc=\"" +
                QByteArray::number(i % 1000) + "\"/>\n";
    body += "</stationlist>\n";
    return body;
}

QByteArray genreIndex(int genres)
{
    QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<genrelist>\n";
    for (int i = 0; i < genres; ++i)
        body += "<genre name=\"Genre " + QByteArray::number(i) + " &amp; more\"></genre>\n";
    body += "</genrelist>\n";
    return body;
}

QByteArrayView piece(const QByteArray &body, qsizetype at)
{
    return QByteArrayView(body).sliced(at, qMin(kPiece, body.size() - at));
}

void parseStations(const QByteArray &body, int expected)
{
    StationListParser parser;
    QList<ShoutCastStation> stations;
    for (qsizetype at = 0; at < body.size(); at += kPiece)
        parser.feed(piece(body, at), stations, kRoot);
    if (stations.size() != expected)
        std::abort();
    benchmark::DoNotOptimize(stations.data());
}

void scanForElementEnds(const QByteArray &body)
{
    qsizetype ends = 0;
    for (qsizetype at = 0; at < body.size(); at += kPiece) {
        // One byte of overlap, as a "/>" may straddle two pieces.
        const QByteArrayView p =
            QByteArrayView(body).sliced(at, qMin(kPiece + 1, body.size() - at));
        for (qsizetype i = p.indexOf("/>"); i >= 0 && i < kPiece; i = p.indexOf("/>", i + 2))
            ++ends;
    }
    benchmark::DoNotOptimize(ends);
}

void parseGenres(const QByteArray &body, int expected)
{
    GenreIndexParser parser;
    QStringList names;
    for (qsizetype at = 0; at < body.size(); at += kPiece)
        parser.feed(piece(body, at), names);
    if (names.size() != expected)
        std::abort();
    benchmark::DoNotOptimize(names.data());
}

void ratios(Heap heap, int rounds)
{
    const QByteArray list5k = stationList(5000), list20k = stationList(20000);
    const QByteArray index10k = genreIndex(10000), index40k = genreIndex(40000);
    const auto parse5k = [&] { parseStations(list5k, 5000); };
    const auto parse20k = [&] { parseStations(list20k, 20000); };
    const auto scan5k = [&] { scanForElementEnds(list5k); };
    const auto scan20k = [&] { scanForElementEnds(list20k); };
    const auto genres10k = [&] { parseGenres(index10k, 10000); };
    const auto genres40k = [&] { parseGenres(index40k, 40000); };
    parse20k(); // for Warm: the heap grown
    genres40k();
    const Samples parse = pairedRatios(heap, parse5k, parse20k, rounds, 4);
    const Samples scan = pairedRatios(heap, scan5k, scan20k, rounds, 4);
    const Samples genres = pairedRatios(heap, genres10k, genres40k, rounds, 4);
    printSpread("parse 20k / parse 5k stations (linear = 4)", parse.ratios);
    printSpread("  per station, 20k against 5k (linear = 1)", scaled(parse.ratios, 0.25));
    printSpread("scan 20k / scan 5k (baseline)", scan.ratios);
    printSpread("parse / scan for \"/>\", 5k stations", quotients(parse.small, scan.small));
    printSpread("parse / scan for \"/>\", 20k stations", quotients(parse.large, scan.large));
    printSpread("genre index 40k / 10k names (linear = 4)", genres.ratios);
}

// --rounds=N (default 9).
int takeRounds(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            return std::max(1, std::atoi(argv[i] + 9));
    return 9;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = takeRounds(argc, argv);
    std::printf("Directory parsing, 16 KiB pieces, %d rounds; median [min - max]:\n", rounds);
    for (const Heap heap : {Heap::Cold, Heap::Warm}) {
        setHeap(heap);
        std::printf("%s heap (%s):\n", heapName(heap), heapMeaning(heap));
        ratios(heap, rounds);
    }
    return 0;
}
