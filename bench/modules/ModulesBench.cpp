// Decode speed of each decoder module, fed 32 KiB at a time as the program
// feeds it, against its library called directly on the same bytes in the
// same run; and the MP3 module against `mpg123 -w /dev/null` (child CPU time
// from wait4). Prints ratios: module CPU time / baseline CPU time.
#include "DirectDecoders.h"

#include <wavelark/decoder.h>

#include <QProcess>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

constexpr int kRepeats = 5;
constexpr size_t kChunk = 32768;
constexpr double kSeconds = 30;

double cpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Best of kRepeats, in CPU seconds; `bytes` gets the PCM size produced.
double timeBest(const std::function<size_t()> &run, size_t &bytes)
{
    double best = 1e9;
    for (int i = 0; i < kRepeats; ++i) {
        const double t0 = cpuSeconds();
        bytes = run();
        best = std::min(best, cpuSeconds() - t0);
    }
    return best;
}

Bytes readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool sh(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(300000) && p.exitCode() == 0;
}

struct Module
{
    void *lib = nullptr;
    WavelarkOpenFeedFn openFeed;
    WavelarkFeedFn feed;
    WavelarkDecodeFrameFn decodeFrame;
    WavelarkFinishFn finish;
};

bool load(const std::string &name, Module &m)
{
    m.lib = dlopen((std::string(WAVELARK_PLUGIN_DIR "/") + name + ".so").c_str(), RTLD_NOW);
    if (!m.lib)
        return false;
    auto init = reinterpret_cast<WavelarkInitFn>(dlsym(m.lib, "init"));
    m.openFeed = reinterpret_cast<WavelarkOpenFeedFn>(dlsym(m.lib, "openFeed"));
    m.feed = reinterpret_cast<WavelarkFeedFn>(dlsym(m.lib, "feed"));
    m.decodeFrame = reinterpret_cast<WavelarkDecodeFrameFn>(dlsym(m.lib, "decodeFrame"));
    m.finish = reinterpret_cast<WavelarkFinishFn>(dlsym(m.lib, "finish"));
    return init && m.openFeed && m.feed && m.decodeFrame && m.finish && init(0) == 0;
}

size_t decodeWithModule(const Module &m, const Bytes &in)
{
    const int h = m.openFeed(nullptr, 0);
    size_t total = 0;
    for (size_t pos = 0; pos < in.size(); pos += kChunk) {
        m.feed(h, in.data() + pos, int(std::min(kChunk, in.size() - pos)));
        const unsigned char *pcm;
        int len;
        int r;
        while ((r = m.decodeFrame(h, &pcm, &len)) == 0 || r == 1) {
            if (len == 0)
                break;
            total += size_t(len);
        }
        if (r == -1)
            break;
    }
    m.finish(h);
    return total;
}

// CPU time (user + system) of one child run of `mpg123 -q -w /dev/null file`.
double mpg123Seconds(const std::string &file)
{
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("mpg123", "mpg123", "-q", "-w", "/dev/null", file.c_str(),
               static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (pid < 0 || wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString() + "/";
    const QString wav = QString::fromStdString(d + "in.wav");
    // Tone plus noise: encoders cannot make it trivially small.
    if (!sh("sox", {"-D", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                    QString::number(kSeconds), "sine", "440", "pinknoise", "vol", "0.4"})) {
        std::fprintf(stderr, "sox failed\n");
        return 1;
    }
    const QString base = QString::fromStdString(d);
    sh("lame", {"--quiet", "-b", "128", wav, base + "in.mp3"});
    sh("oggenc", {"-Q", "-q", "4", "-o", base + "in.ogg", wav});
    sh("opusenc", {"--quiet", "--bitrate", "96", wav, base + "in.opus"});
    sh("flac", {"-s", "-f", "-o", base + "in.flac", wav});
    // The committed 2 s AAC fixture, repeated: ADTS frames concatenate.
    Bytes aac;
    const Bytes aacOne = readFile(WAVELARK_AAC_FIXTURE);
    for (int i = 0; i < int(kSeconds / 2); ++i)
        aac.insert(aac.end(), aacOne.begin(), aacOne.end());

    struct Case
    {
        const char *module;
        Bytes data;
        size_t (*direct)(const Bytes &);
        const char *baseline;
    };
    const Case cases[] = {
        {"aac", aac, directAac, "faad2"},
        {"flac", readFile(d + "in.flac"), directFlac, "libFLAC"},
        {"mp3", readFile(d + "in.mp3"), directMp3, "libmpg123"},
        {"opus", readFile(d + "in.opus"), directOpus, "libopus+libogg"},
        {"vorbis", readFile(d + "in.ogg"), directVorbis, "libvorbisfile"},
        {"wav", readFile(d + "in.wav"), directWav, "memcpy"},
    };

    std::printf("%-7s %-15s %10s %10s %9s %10s\n", "module", "baseline", "base ms", "module ms",
                "ratio", "x realtime");
    for (const Case &c : cases) {
        Module m;
        if (c.data.empty() || !load(c.module, m)) {
            std::printf("%-7s (not available)\n", c.module);
            continue;
        }
        size_t directBytes = 0, moduleBytes = 0;
        const double direct = timeBest([&] { return c.direct(c.data); }, directBytes);
        const double module = timeBest([&] { return decodeWithModule(m, c.data); }, moduleBytes);
        std::printf("%-7s %-15s %10.2f %10.2f %9.3f %10.0f", c.module, c.baseline, direct * 1e3,
                    module * 1e3, module / direct, kSeconds / module);
        if (moduleBytes * 10 < directBytes * 9 || directBytes * 10 < moduleBytes * 9)
            std::printf("   (output differs: %zu vs %zu bytes)", moduleBytes, directBytes);
        std::printf("\n");
    }

    Module mp3;
    if (load("mp3", mp3)) {
        const Bytes data = readFile(d + "in.mp3");
        size_t bytes = 0;
        const double module = timeBest([&] { return decodeWithModule(mp3, data); }, bytes);
        double tool = 1e9;
        for (int i = 0; i < kRepeats; ++i) {
            const double t = mpg123Seconds(d + "in.mp3");
            if (t >= 0)
                tool = std::min(tool, t);
        }
        if (tool < 1e9)
            std::printf("\nmp3 module vs `mpg123 -w /dev/null` (child CPU, whole process): "
                        "%.2f ms vs %.2f ms, ratio %.3f\n",
                        module * 1e3, tool * 1e3, module / tool);
        else
            std::printf("\nmpg123 command not available\n");
    }
    return 0;
}
