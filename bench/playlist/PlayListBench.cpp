// Loading, sorting and searching large playlists. Every figure printed is a
// ratio against a baseline measured in the same run.
//
// Loading is timed in rounds (see PairedRounds.h): each round loads the N/10
// list ten times and the N list once, so a busy spell of the shared machine
// falls on both sides of a ratio; the median over the rounds is printed with
// its spread. The sort and search ratios come from Google Benchmark (medians
// with --benchmark_repetitions).
#include "PairedRounds.h"
#include "RadioPlayList.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>

namespace {

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// A station name from random syllables, so sorting has real work to do.
QString randomName(std::mt19937 &rng)
{
    static const char *const parts[] = {"ra", "Di",   "o",   "Lark", "wa", "ve",  "Jazz", "rock",
                                        "FM", "Beat", "sun", "Ny",   "x",  "Pop", "lo",   "fi"};
    QString name;
    const int n = 2 + int(rng() % 4);
    for (int i = 0; i < n; ++i)
        name += QLatin1String(parts[rng() % 16]);
    return name + QLatin1Char(' ') + QString::number(rng() % 1000);
}

// PLS file of `entries` stations; made once per size.
QString plsFile(int entries)
{
    const QString path = scratch().filePath(QString("list%1.pls").arg(entries));
    if (QFile::exists(path))
        return path;
    std::mt19937 rng{static_cast<uint32_t>(entries)};
    QByteArray text = "[playlist]\nnumberofentries=" + QByteArray::number(entries) + "\n";
    for (int i = 1; i <= entries; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "File" + n + "=http://host" + QByteArray::number(rng() % 5000) +
                ".example:8000/stream/" + n + "\n";
        text += "Title" + n + "=" + randomName(rng).toLatin1() + "\n";
        text += "Length" + n + "=-1\n";
    }
    text += "Version=2\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        std::abort();
    return path;
}

// The least any reader must do: read the file and find its lines.
void readAndSplit(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QList<QByteArray> lines = f.readAll().split('\n');
    benchmark::DoNotOptimize(lines.size());
}

// Loading, and freeing the list again.
void load(const QString &path)
{
    RadioPlayList list;
    if (!list.openFile(path, PlayListFormat::Pls, true) || list.count() == 0)
        std::abort();
    benchmark::DoNotOptimize(list.count());
}

Samples loadRatios(Heap heap, int big, int rounds)
{
    const QString smallFile = plsFile(big / 10), bigFile = plsFile(big);
    const auto small = [&] { load(smallFile); };
    const auto large = [&] { load(bigFile); };
    const auto splitSmall = [&] { readAndSplit(smallFile); };
    const auto splitLarge = [&] { readAndSplit(bigFile); };
    const std::string n = std::to_string(big / 1000) + "k", n10 = std::to_string(big / 10000) + "k";
    large(); // the file in the page cache, and for Warm the heap grown
    const Samples load = pairedRatios(heap, small, large, rounds, 10);
    const Samples split = pairedRatios(heap, splitSmall, splitLarge, rounds, 10);
    printSpread(("load " + n + " / load " + n10 + " (linear = 10)").c_str(), load.ratios);
    printSpread(("  per entry, " + n + " against " + n10 + " (linear = 1)").c_str(),
                scaled(load.ratios, 0.1));
    printSpread(("read+split " + n + " / read+split " + n10).c_str(), split.ratios);
    printSpread(("load / read+split, " + n10).c_str(), quotients(load.small, split.small));
    printSpread(("load / read+split, " + n).c_str(), quotients(load.large, split.large));
    return load;
}

RadioPlayList &loaded(int entries)
{
    static std::map<int, std::unique_ptr<RadioPlayList>> lists;
    auto &list = lists[entries];
    if (!list) {
        list = std::make_unique<RadioPlayList>();
        list->openFile(plsFile(entries), PlayListFormat::Pls, true);
    }
    return *list;
}

QStringList titlesOf(const RadioPlayList &list)
{
    QStringList titles;
    for (const auto &item : list.items())
        titles << item->title;
    return titles;
}

// Sorting: the list alternates between two orders so that every pass moves
// every entry; the baseline does the same with the bare lower-cased keys.
void BM_SortList(benchmark::State &state)
{
    RadioPlayList &list = loaded(int(state.range(0)));
    bool reverse = false;
    for (auto _ : state) {
        list.setSort(int(RadioPlayList::SortTag::Title), reverse);
        list.sort();
        reverse = !reverse;
    }
}

void BM_SortBaseline(benchmark::State &state)
{
    QStringList titles = titlesOf(loaded(int(state.range(0))));
    bool reverse = false;
    for (auto _ : state) {
        std::vector<QString> keys;
        keys.reserve(size_t(titles.size()));
        for (const QString &t : titles)
            keys.push_back(t.toLower());
        if (reverse)
            std::stable_sort(keys.begin(), keys.end(), std::greater<QString>());
        else
            std::stable_sort(keys.begin(), keys.end());
        benchmark::DoNotOptimize(keys.data());
        reverse = !reverse;
    }
}

// Searching: a text that no entry has, so the whole list is scanned.
void BM_SearchList(benchmark::State &state)
{
    const RadioPlayList &list = loaded(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            list.find("no such station", RadioPlayList::SearchField::Title, 0));
}

void BM_SearchBaseline(benchmark::State &state)
{
    const QStringList titles = titlesOf(loaded(int(state.range(0))));
    const QString text = "no such station";
    for (auto _ : state) {
        int found = -1;
        for (int i = 1; i < titles.size() && found < 0; ++i)
            if (titles[i].contains(text, Qt::CaseInsensitive))
                found = i;
        benchmark::DoNotOptimize(found);
    }
}

BENCHMARK(BM_SortList)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortBaseline)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchList)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchBaseline)->Arg(100000)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's CPU time per iteration for the ratios (CPU time:
// the machine is shared, and waiting for a core is not the code's cost). With
// --benchmark_repetitions the median is kept.
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

void printRatio(const RatioReporter &r, const char *what, const std::string &a,
                const std::string &b)
{
    const auto x = r.times.find(a), y = r.times.find(b);
    if (x == r.times.end() || y == r.times.end() || y->second <= 0)
        return;
    std::printf("%-52s %6.2f\n", what, x->second / y->second);
}

// --load_rounds=N (default 7; 0 skips the loading ratios).
int takeRounds(int &argc, char **argv)
{
    int rounds = 7;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--load_rounds=", 14) == 0) {
            rounds = std::max(0, std::atoi(argv[i] + 14));
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    return rounds;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = takeRounds(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (same run):\n");
    printRatio(reporter, "sort list by title / sort bare keys, 100k", "BM_SortList/100000",
               "BM_SortBaseline/100000");
    printRatio(reporter, "search list (miss) / scan bare titles, 100k", "BM_SearchList/100000",
               "BM_SearchBaseline/100000");
    if (rounds > 0) {
        std::printf("\nLoading a PLS file, %d rounds; median [min - max]:\n", rounds);
        std::map<int, double> cold; // median of the large loads
        for (const Heap heap : {Heap::Cold, Heap::Warm}) {
            setHeap(heap);
            std::printf("%s heap (%s):\n", heapName(heap), heapMeaning(heap));
            for (const int big : {100000, 300000}) {
                const double large = median(loadRatios(heap, big, rounds).large);
                if (heap == Heap::Cold)
                    cold[big] = large;
                else if (large > 0)
                    std::printf(
                        "  %-50s %7.2f\n",
                        ("load " + std::to_string(big / 1000) + "k, cold / warm heap").c_str(),
                        cold[big] / large);
            }
        }
    }
    benchmark::Shutdown();
    return 0;
}
