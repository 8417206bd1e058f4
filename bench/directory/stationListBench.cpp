// Station-list parsing in the 16 KiB pieces libcurl hands over, for lists of
// 5,000 and 20,000 stations. Printed at the end, as ratios measured in the
// same run: 20k / 5k (linear = 4), and parsing against a plain scan of the
// same pieces for "/>" (the least any parser of this format must do).
#include "stationListParser.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <cstdio>
#include <map>
#include <set>
#include <string>

namespace {

constexpr qsizetype kPiece = 16384;
const QString kRoot = QStringLiteral("http://dir.test");

const QByteArray &list(int stations)
{
    static std::map<int, QByteArray> cache;
    QByteArray &body = cache[stations];
    if (body.isEmpty()) {
        body = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<stationlist>\n"
               "<tunein base=\"/sbin/tunein-station.pls\" base-m3u=\"/sbin/tunein-station.m3u\"/>\n";
        for (int i = 0; i < stations; ++i)
            body += "<station name=\"Station number " + QByteArray::number(i) +
                    " - the best &amp; the rest\" mt=\"audio/mpeg\" id=\"" +
                    QByteArray::number(100000 + i) + "\" br=\"128\" genre=\"Jazz Smooth Jazz\" "
                    "ct=\"Artist " + QByteArray::number(i % 97) + " - Title of the song\" lc=\"" +
                    QByteArray::number(i % 1000) + "\"/>\n";
        body += "</stationlist>\n";
    }
    return body;
}

void BM_ParseStationList(benchmark::State &state)
{
    const QByteArray &body = list(int(state.range(0)));
    for (auto _ : state) {
        StationListParser parser;
        QList<ShoutCastStation> stations;
        for (qsizetype at = 0; at < body.size(); at += kPiece)
            parser.feed(QByteArrayView(body).sliced(at, qMin(kPiece, body.size() - at)), stations, kRoot);
        if (stations.size() != state.range(0))
            state.SkipWithError("wrong station count");
        benchmark::DoNotOptimize(stations.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * body.size());
}

void BM_ScanForElementEnds(benchmark::State &state)
{
    const QByteArray &body = list(int(state.range(0)));
    for (auto _ : state) {
        qsizetype ends = 0;
        for (qsizetype at = 0; at < body.size(); at += kPiece) {
            // One byte of overlap, as a "/>" may straddle two pieces.
            const QByteArrayView piece =
                QByteArrayView(body).sliced(at, qMin(kPiece + 1, body.size() - at));
            for (qsizetype i = piece.indexOf("/>"); i >= 0 && i < kPiece; i = piece.indexOf("/>", i + 2))
                ++ends;
        }
        benchmark::DoNotOptimize(ends);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * body.size());
}

BENCHMARK(BM_ParseStationList)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanForElementEnds)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's CPU time per iteration (the median with
// --benchmark_repetitions).
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Iteration && !medians.count(name))
                times[name] = run.GetAdjustedCPUTime();
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times[name] = run.GetAdjustedCPUTime();
                medians.insert(name);
            }
        }
    }
    std::map<std::string, double> times;
    std::set<std::string> medians;
};

void printRatio(const RatioReporter &r, const char *what, const std::string &a, const std::string &b)
{
    const auto x = r.times.find(a), y = r.times.find(b);
    if (x == r.times.end() || y == r.times.end() || y->second <= 0)
        return;
    std::printf("%-50s %7.2f\n", what, x->second / y->second);
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (same run):\n");
    printRatio(reporter, "parse 20k / parse 5k stations (linear = 4)", "BM_ParseStationList/20000",
               "BM_ParseStationList/5000");
    printRatio(reporter, "scan 20k / scan 5k (baseline, linear = 4)", "BM_ScanForElementEnds/20000",
               "BM_ScanForElementEnds/5000");
    printRatio(reporter, "parse / scan for \"/>\", 5k stations", "BM_ParseStationList/5000",
               "BM_ScanForElementEnds/5000");
    printRatio(reporter, "parse / scan for \"/>\", 20k stations", "BM_ParseStationList/20000",
               "BM_ScanForElementEnds/20000");
    benchmark::Shutdown();
    return 0;
}
