// De-interleaving throughput against memcpy of the same received bytes, in
// the same 16 KiB blocks libcurl hands over, measured in the same run. The
// ratio (de-interleave time / memcpy time) is printed per interval.
#include "HoldBuffer.h"
#include "IcyDeinterleaver.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kAudioBytes = 1 << 20;
constexpr size_t kBlock = 16384; // libcurl's largest write-callback block

// One MiB of audio with a metadata block at every boundary, a title at every
// fourth, as a live station sends it.
const QByteArray &wire(int metaint)
{
    static std::map<int, QByteArray> cache;
    QByteArray &w = cache[metaint];
    if (w.isEmpty()) {
        std::mt19937 rng(1);
        for (size_t at = 0, boundary = 0; at < kAudioBytes; at += size_t(metaint), ++boundary) {
            QByteArray run(int(std::min(size_t(metaint), kAudioBytes - at)), Qt::Uninitialized);
            for (char &c : run)
                c = char(rng());
            w += run;
            if (run.size() < metaint)
                break;
            const QByteArray text = boundary % 4 ? QByteArray()
                                                 : "StreamTitle='Artist " +
                                                       QByteArray::number(int(boundary)) +
                                                       " - Song';StreamUrl='';";
            const int blocks = int((text.size() + 15) / 16);
            w += char(blocks) + text + QByteArray(blocks * 16 - text.size(), '\0');
        }
    }
    return w;
}

void BM_Deinterleave(benchmark::State &state)
{
    const int metaint = int(state.range(0));
    const QByteArray &w = wire(metaint);
    HoldBuffer buf;
    buf.resize(size_t(w.size()));
    IcyDeinterleaver d;
    for (auto _ : state) {
        buf.clear();
        d.reset();
        d.setInterval(metaint);
        for (qsizetype at = 0; at < w.size(); at += qsizetype(kBlock))
            d.append(buf, w.constData() + at, size_t(std::min<qsizetype>(kBlock, w.size() - at)));
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * w.size());
}

void BM_Memcpy(benchmark::State &state)
{
    const QByteArray &w = wire(int(state.range(0)));
    std::vector<char> dst(size_t(w.size()));
    for (auto _ : state) {
        for (qsizetype at = 0; at < w.size(); at += qsizetype(kBlock))
            std::memcpy(dst.data() + at, w.constData() + at,
                        size_t(std::min<qsizetype>(kBlock, w.size() - at)));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * w.size());
}

BENCHMARK(BM_Memcpy)->Arg(8192)->Arg(16000);
BENCHMARK(BM_Deinterleave)->Arg(8192)->Arg(16000);

// Keeps each benchmark's best CPU time per iteration over its repetitions, so
// that the ratios can be printed; CPU time, as the machine is shared.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                const auto [it, added] =
                    times.emplace(run.run_name.str(), run.GetAdjustedCPUTime());
                if (!added)
                    it->second = std::min(it->second, run.GetAdjustedCPUTime());
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *arg : {"8192", "16000"}) {
        const auto d = reporter.times.find(std::string("BM_Deinterleave/") + arg);
        const auto m = reporter.times.find(std::string("BM_Memcpy/") + arg);
        if (d != reporter.times.end() && m != reporter.times.end() && m->second > 0)
            std::printf("metaint %s: de-interleave / memcpy time ratio %.3f\n", arg,
                        d->second / m->second);
    }
    benchmark::Shutdown();
    return 0;
}
