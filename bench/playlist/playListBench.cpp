// Loading, sorting and searching large playlists. Every figure printed at the
// end is a ratio against a baseline measured in the same run:
//   - loading 100,000 entries against loading 10,000 (linear means about 10);
//   - loading a PLS file against merely reading it and splitting it into lines;
//   - sorting the list against sorting the same keys in a plain vector;
//   - searching the list against scanning the same texts in a plain list.
#include "radioPlayList.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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
    static const char *const parts[] = {"ra", "Di", "o", "Lark", "wa", "ve", "Jazz", "rock",
                                        "FM", "Beat", "sun", "Ny", "x", "Pop", "lo", "fi"};
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
        text += "File" + n + "=http://host" + QByteArray::number(rng() % 5000)
            + ".example:8000/stream/" + n + "\n";
        text += "Title" + n + "=" + randomName(rng).toLatin1() + "\n";
        text += "Length" + n + "=-1\n";
    }
    text += "Version=2\n";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        std::abort();
    return path;
}

void BM_ReadAndSplit(benchmark::State &state)
{
    const QString path = plsFile(int(state.range(0)));
    for (auto _ : state) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            std::abort();
        const QList<QByteArray> lines = f.readAll().split('\n');
        benchmark::DoNotOptimize(lines.size());
    }
}

void BM_LoadPls(benchmark::State &state)
{
    const QString path = plsFile(int(state.range(0)));
    for (auto _ : state) {
        RadioPlayList list;
        if (!list.openFile(path, PlayListFormat::Pls, true) || list.count() == 0)
            std::abort();
        benchmark::DoNotOptimize(list.count());
    }
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
        benchmark::DoNotOptimize(list.find("no such station", RadioPlayList::SearchField::Title, 0));
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

// 300,000 shows the trend past the point where the list stops fitting in the caches.
BENCHMARK(BM_ReadAndSplit)->Arg(10000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPls)->Arg(10000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);
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

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (same run):\n");
    printRatio(reporter, "load 100k / load 10k (linear = 10)", "BM_LoadPls/100000",
               "BM_LoadPls/10000");
    printRatio(reporter, "load 300k / load 100k (linear = 3)", "BM_LoadPls/300000",
               "BM_LoadPls/100000");
    printRatio(reporter, "read+split 100k / read+split 10k", "BM_ReadAndSplit/100000",
               "BM_ReadAndSplit/10000");
    printRatio(reporter, "read+split 300k / read+split 100k", "BM_ReadAndSplit/300000",
               "BM_ReadAndSplit/100000");
    printRatio(reporter, "load / read+split, 10k entries", "BM_LoadPls/10000",
               "BM_ReadAndSplit/10000");
    printRatio(reporter, "load / read+split, 100k entries", "BM_LoadPls/100000",
               "BM_ReadAndSplit/100000");
    printRatio(reporter, "load / read+split, 300k entries", "BM_LoadPls/300000",
               "BM_ReadAndSplit/300000");
    printRatio(reporter, "sort list by title / sort bare keys, 100k", "BM_SortList/100000",
               "BM_SortBaseline/100000");
    printRatio(reporter, "search list (miss) / scan bare titles, 100k", "BM_SearchList/100000",
               "BM_SearchBaseline/100000");
    benchmark::Shutdown();
    return 0;
}
