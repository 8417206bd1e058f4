// CPU time (user + system) of playing MP3 files through wavelark-headless,
// as ratios against the mpg123 tool on the same file, both measured in this
// run in alternating rounds:
//   - a 10-minute 128 kbit/s file at full speed to the null device and to
//     the WAV-file device (volume 100, written to /dev/null; and volume 45 to
//     a real file), against `mpg123 -w /dev/null`;
//   - a 2-second file (start-up and teardown), against the same.
//
//   bench_headless_cpu [FILE.mp3] [--runs ROUNDS] [--against HEADLESS]
// Without a file, the 10-minute file is made with sox and lame. With
// --against, the baseline is another build's wavelark-headless on the same
// files and devices instead of mpg123 (a change measured before and after).
#include "ChildRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

namespace {

// A sine tone of `seconds` as a 128 kbit/s MP3 at `mp3`.
bool makeMp3(const QTemporaryDir &dir, const std::string &mp3, int seconds)
{
    const std::string wav = dir.filePath("src.wav").toStdString();
    const bool ok = runChild({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                              std::to_string(seconds), "sine", "440", "sine", "555"})
                        .ok &&
                    runChild({"lame", "--quiet", "-b", "128", wav, mp3}).ok;
    QFile::remove(QString::fromStdString(wav));
    return ok;
}

bool writeFile(const std::string &path, const char *text)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::WriteOnly) && f.write(text) >= 0;
}

double cpuOf(const ChildCost &c)
{
    return c.cpu;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    std::string mp3;
    int runs = 5;
    std::string against;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--against") == 0 && i + 1 < argc)
            against = argv[++i];
        else
            mp3 = argv[i];
    }
    const std::string shortMp3 = home.filePath("two-seconds.mp3").toStdString();
    if (mp3.empty())
        mp3 = home.filePath("ten-minutes.mp3").toStdString();
    if ((!QFile::exists(QString::fromStdString(mp3)) && !makeMp3(home, mp3, 600)) ||
        !makeMp3(home, shortMp3, 2)) {
        std::fprintf(stderr, "could not make the test files (sox and lame needed)\n");
        return 1;
    }
    const QString plugins = home.filePath(".wavelark/plugins");
    QDir().mkpath(plugins);
    QFile::copy(PLUGIN_DIR "/mp3.so", plugins + "/mp3.so");
    const std::string homeEnv = "HOME=" + home.path().toStdString();
    // Volume 100: no software gain, so what remains besides decoding is the engine.
    const std::string v100 = home.filePath("v100.config").toStdString();
    if (!writeFile(v100, "volume = 100\n"))
        return 1;

    const auto headless = [&](const std::string &file, const std::string &audio, bool full) {
        Command args = {HEADLESS_PATH};
        if (full)
            args.insert(args.end(), {"-c", v100});
        args.push_back(file);
        return Side{args, {homeEnv, "WAVELARK_AUDIO=" + audio}};
    };
    const auto baselineOf = [&](const std::string &file, const std::string &audio, bool full) {
        if (against.empty())
            return Side{{"mpg123", "-q", "-w", "/dev/null", file}, {}};
        Side other = headless(file, audio, full);
        other.argv[0] = against;
        return other;
    };
    const std::string base = against.empty() ? "mpg123 -w /dev/null" : against;
    const auto labelOf = [&](const char *what) {
        return std::string("cpu ratio, ") + what + " / " + base;
    };
    const auto measure = [&](const char *label, const Side &player, const Side &baseline,
                             int rounds) {
        const PairedCosts p = pairedCosts(rounds, player, baseline);
        if (p.player.empty()) {
            std::fprintf(stderr, "%s: a run failed\n", label);
            return false;
        }
        reportRatio(label, p, cpuOf);
        return true;
    };
    const std::string wavFile = "wav:" + home.filePath("out.wav").toStdString();
    bool ok = measure(labelOf("10 min, null device, volume 100").c_str(),
                      headless(mp3, "null", true), baselineOf(mp3, "null", true), runs);
    ok = measure(labelOf("10 min, WAV to /dev/null, volume 100").c_str(),
                 headless(mp3, "wav:/dev/null", true), baselineOf(mp3, "wav:/dev/null", true),
                 runs) &&
         ok;
    ok = measure(labelOf("10 min, WAV file, volume 45").c_str(), headless(mp3, wavFile, false),
                 baselineOf(mp3, wavFile, false), runs) &&
         ok;
    // Start-up and teardown dominate: more rounds, as each is short.
    ok = measure(labelOf("2 s file (start-up), null device").c_str(),
                 headless(shortMp3, "null", true), baselineOf(shortMp3, "null", true),
                 4 * runs + 1) &&
         ok;
    return ok ? 0 : 1;
}
