// Replays fuzz inputs without libFuzzer: every file named on the command line
// (or found in a named folder), then --mutations=N deterministic mutations of
// them. Used so that the fuzz entry points build and run in ordinary tests.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void collect(const std::filesystem::path &p, std::vector<Bytes> &out)
{
    namespace fs = std::filesystem;
    if (fs::is_directory(p)) {
        std::vector<fs::path> files;
        for (const auto &e : fs::recursive_directory_iterator(p))
            if (e.is_regular_file())
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto &f : files)
            collect(f, out);
        return;
    }
    std::ifstream in(p, std::ios::binary);
    out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes mutate(const Bytes &seed, std::mt19937 &rng)
{
    Bytes b = seed;
    const int edits = 1 + int(rng() % 8);
    for (int i = 0; i < edits; ++i) {
        const size_t pos = b.empty() ? 0 : rng() % b.size();
        switch (rng() % 5) {
        case 0:
            if (!b.empty())
                b[pos] = uint8_t(rng());
            break;
        case 1: b.insert(b.begin() + pos, uint8_t(rng())); break;
        case 2:
            if (!b.empty())
                b.erase(b.begin() + pos);
            break;
        case 3:
            if (!b.empty())
                b.resize(pos);
            break;
        default: {
            const size_t n = rng() % 64;
            for (size_t k = 0; k < n; ++k)
                b.insert(b.begin() + std::min(pos, b.size()),
                         uint8_t("=\n\r;'|[]<>/\"&#^ 0"[rng() % 17]));
        }
        }
    }
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    long mutations = 0;
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--mutations=", 12) == 0)
            mutations = std::strtol(argv[i] + 12, nullptr, 10);
        else
            collect(argv[i], seeds);
    }
    if (seeds.empty())
        seeds.emplace_back();
    for (const Bytes &s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());
    std::mt19937 rng(12345);
    for (long i = 0; i < mutations; ++i) {
        const Bytes b = mutate(seeds[size_t(i) % seeds.size()], rng);
        LLVMFuzzerTestOneInput(b.data(), b.size());
    }
    std::printf("replayed %zu seeds and %ld mutations\n", seeds.size(), mutations);
    return 0;
}
