// Live playback: CPU time and voluntary context switches of
// wavelark-headless playing a 128 kbit/s ICY stream for a given time from
// the test server on 127.0.0.1 (sending at the stream's bit rate), as
// ratios against `mpg123 -o dummy` on the same stream for the same number
// of frames, in alternating rounds.
//
//   bench_headless_live [--seconds S] [--runs ROUNDS]
#include "ChildRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// A port on 127.0.0.1 that nobody listens on just now; 0 on failure.
int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

bool accepts(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}

// The test server, started for this run and ended with it.
class Server
{
public:
    Server(const std::string &mp3, int port)
    {
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "w", stderr);
            const std::string p = std::to_string(port);
            execlp("python3", "python3", ICY_SERVER, mp3.c_str(), "--port", p.c_str(), "--kbps",
                   "128", static_cast<char *>(nullptr));
            _exit(127);
        }
        QDeadlineTimer deadline(10000);
        while (pid_ > 0 && !accepts(port) && !deadline.hasExpired())
            QThread::msleep(50);
        up_ = pid_ > 0 && accepts(port);
    }
    ~Server()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool up() const { return up_; }

private:
    pid_t pid_ = -1;
    bool up_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    int runs = 5, seconds = 30;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atoi(argv[i + 1]);
    }
    QTemporaryDir home;
    const std::string wav = home.filePath("src.wav").toStdString();
    const std::string mp3 = home.filePath("minute.mp3").toStdString();
    if (!runChild({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "60", "sine",
                   "440", "sine", "555"})
             .ok ||
        !runChild({"lame", "--quiet", "-b", "128", wav, mp3}).ok) {
        std::fprintf(stderr, "could not make the test file (sox and lame needed)\n");
        return 1;
    }
    const QString plugins = home.filePath(".wavelark/plugins");
    QDir().mkpath(plugins);
    QFile::copy(PLUGIN_DIR "/mp3.so", plugins + "/mp3.so");
    const std::string config = home.filePath("v100.config").toStdString();
    QFile c(QString::fromStdString(config));
    if (!c.open(QIODevice::WriteOnly) || c.write("volume = 100\n") < 0)
        return 1;
    c.close();

    const int port = freePort();
    Server server(mp3, port);
    if (!server.up()) {
        std::fprintf(stderr, "the test server did not start\n");
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    // 1152 samples per frame at 44.1 kHz.
    const std::string frames = std::to_string(seconds * 44100 / 1152);
    const Side player{{HEADLESS_PATH, "-c", config, "-t", std::to_string(seconds), url},
                      {"HOME=" + home.path().toStdString(), "WAVELARK_AUDIO=null"}};
    const Side tool{{"mpg123", "-q", "-o", "dummy", "-n", frames, url}, {}};
    const PairedCosts p = pairedCosts(runs, player, tool);
    if (p.player.empty()) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    std::printf("live %d s of 128 kbit/s from 127.0.0.1, wavelark-headless / mpg123 -o dummy\n",
                seconds);
    reportRatio("  cpu time", p, [](const ChildCost &x) { return x.cpu; });
    reportRatio("  voluntary context switches", p, [](const ChildCost &x) { return x.switches; });
    return 0;
}
