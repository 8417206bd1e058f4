// CPU time (user + system) of playing one MP3 through wavelark-headless to
// the WAV-file device, as a ratio against `mpg123 -w /dev/null` on the same
// file, both measured in this run.
//
//   bench_headless_cpu [FILE.mp3] [--runs N]
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
    struct rusage ru {};
    if (wait4(pid, &status, 0, &ru) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double best(int runs, const std::vector<std::string> &argv, const std::vector<std::string> &env)
{
    double b = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t = cpuSeconds(argv, env);
        if (t < 0)
            return -1;
        b = std::min(b, t);
    }
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    std::string mp3;
    int runs = 3;
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
                        "sine", "440", "sine", "555"}, {}) < 0 ||
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

    const double player = best(runs, {HEADLESS_PATH, mp3}, {homeEnv, audio});
    const double tool = best(runs, {"mpg123", "-q", "-w", "/dev/null", mp3}, {});
    if (player < 0 || tool <= 0) {
        std::fprintf(stderr, "a run failed (player %.3f, mpg123 %.3f)\n", player, tool);
        return 1;
    }
    std::printf("cpu ratio wavelark-headless / mpg123 -w /dev/null: %.2f (best of %d runs each)\n",
                player / tool, runs);
    return 0;
}
