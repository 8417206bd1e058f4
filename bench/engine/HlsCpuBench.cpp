// CPU time (user + system) of wavelark-headless playing AAC as an HTTP Live
// Streaming station, in each segment format, as ratios against the same
// audio as one ICY stream, both from tools/hls-test-server.py on 127.0.0.1
// at full speed to the null device, in alternating rounds.
//
//   bench_hls_cpu [--seconds S] [--segment S] [--runs ROUNDS]
// The default is ten minutes of audio in six-second segments.
#include "ChildRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>

namespace {

// The test server for one segment format, ended with the object.
class Server
{
public:
    Server(const QString &format, double seconds, double segment)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start("python3", {HLS_SERVER, "--port", "0", "--format", format, "--vod",
                                   "--titles", "--seconds", QString::number(seconds), "--segment",
                                   QString::number(segment)});
        static const QRegularExpression listening("listening on (\\d+)");
        QByteArray out;
        const QDeadlineTimer deadline(300000); // encoding ten minutes takes a while
        while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(500);
            out += process_.readAllStandardOutput();
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(out));
            if (m.hasMatch()) {
                port_ = m.captured(1).toInt();
                break;
            }
        }
    }
    ~Server()
    {
        process_.kill();
        process_.waitForFinished();
    }
    bool up() const { return port_ > 0; }
    std::string url(const char *path) const
    {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    QProcess process_;
    int port_ = 0;
};

double cpuOf(const ChildCost &c)
{
    return c.cpu;
}

} // namespace

int main(int argc, char **argv)
{
    double seconds = 600, segment = 6;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--segment") == 0)
            segment = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
    }
    QTemporaryDir home;
    const QString plugins = home.filePath(".wavelark/plugins");
    QDir().mkpath(plugins);
    QFile::copy(PLUGIN_DIR "/aac.so", plugins + "/aac.so");
    const std::string config = home.filePath("config").toStdString();
    {
        QFile f(QString::fromStdString(config));
        // Volume 100: no software gain, so what remains besides decoding is the engine.
        if (!f.open(QIODevice::WriteOnly) || f.write("volume = 100\n") < 0)
            return 1;
    }
    const Command env = {"HOME=" + home.path().toStdString(), "WAVELARK_AUDIO=null"};
    const auto player = [&](const std::string &url) {
        return Side{{HEADLESS_PATH, "-c", config, url}, env};
    };
    bool ok = true;
    for (const char *format : {"ts", "fmp4", "aac"}) {
        const Server server(format, seconds, segment);
        if (!server.up()) {
            std::fprintf(stderr, "the HLS test server did not start (ffmpeg needed)\n");
            return 1;
        }
        const PairedCosts p =
            pairedCosts(runs, player(server.url("/index.m3u8")), player(server.url("/icy")));
        const std::string label = std::string("cpu ratio, HLS ") + format + " / ICY, " +
                                  std::to_string(int(seconds)) + " s of AAC";
        if (p.player.empty()) {
            std::fprintf(stderr, "%s: a run failed\n", label.c_str());
            ok = false;
            continue;
        }
        reportRatio(label.c_str(), p, cpuOf);
    }
    return ok ? 0 : 1;
}
