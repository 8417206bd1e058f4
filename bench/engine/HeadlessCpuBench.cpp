// CPU time (user + system) of playing one MP3 through wavelark-headless to
// the WAV-file device, as a ratio against `mpg123 -w /dev/null` on the same
// file, both measured in this run.
//
//   bench_headless_cpu [FILE.mp3] [--runs ROUNDS]
// Without a file, a 10-minute 128 kbit/s MP3 is made with sox and lame.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Runs the command with extra environment entries; its CPU seconds, or -1.
double cpuSeconds(const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string &e : env)
            putenv(strdup(e.c_str()));
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    struct rusage ru
    {};
    if (wait4(pid, &status, 0, &ru) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Per-round ratios player / tool, the two run back to back in each round
// so that a busy spell on the machine falls on both. Empty when a run failed.
std::vector<double> roundRatios(int rounds, const std::vector<std::string> &player,
                                const std::vector<std::string> &playerEnv,
                                const std::vector<std::string> &tool)
{
    std::vector<double> ratios;
    for (int i = 0; i < rounds; ++i) {
        const double p = cpuSeconds(player, playerEnv);
        const double t = cpuSeconds(tool, {});
        if (p < 0 || t <= 0)
            return {};
        ratios.push_back(p / t);
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    std::string mp3;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else
            mp3 = argv[i];
    }
    if (mp3.empty()) {
        const std::string wav = home.filePath("src.wav").toStdString();
        mp3 = home.filePath("ten-minutes.mp3").toStdString();
        if (cpuSeconds({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "600",
                        "sine", "440", "sine", "555"},
                       {}) < 0 ||
            cpuSeconds({"lame", "--quiet", "-b", "128", wav, mp3}, {}) < 0) {
            std::fprintf(stderr, "could not make the test file (sox and lame needed)\n");
            return 1;
        }
    }
    const QString plugins = home.filePath(".wavelark/plugins");
    QDir().mkpath(plugins);
    QFile::copy(PLUGIN_DIR "/mp3.so", plugins + "/mp3.so");
    const std::string homeEnv = "HOME=" + home.path().toStdString();
    const std::string audio = "WAVELARK_AUDIO=wav:" + home.filePath("out.wav").toStdString();

    const std::vector<std::string> tool = {"mpg123", "-q", "-w", "/dev/null", mp3};
    const std::vector<std::string> env = {homeEnv, audio};
    const auto file = roundRatios(runs, {HEADLESS_PATH, mp3}, env, tool);
    // The same with the volume at 100 (no software gain) and the WAV file
    // thrown away, as mpg123 does: what remains is the engine itself.
    const std::string config = home.filePath("v100.config").toStdString();
    QFile c(QString::fromStdString(config));
    if (!c.open(QIODevice::WriteOnly) || c.write("volume = 100\n") < 0)
        return 1;
    c.close();
    const auto bare = roundRatios(runs, {HEADLESS_PATH, "-c", config, mp3},
                                  {homeEnv, "WAVELARK_AUDIO=wav:/dev/null"}, tool);
    if (file.empty() || bare.empty()) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const auto report = [runs](const char *what, const std::vector<double> &r) {
        std::printf("cpu ratio wavelark-headless (%s) / mpg123 -w /dev/null: median %.2f "
                    "[%.2f-%.2f] over %d rounds\n",
                    what, r[r.size() / 2], r.front(), r.back(), runs);
    };
    report("WAV file, volume 45", file);
    report("WAV to /dev/null, volume 100", bare);
    return 0;
}
