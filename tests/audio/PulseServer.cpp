#include "PulseServer.h"

#include "RunProgram.h"
#include "WaitUntil.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>

namespace {

void endProcess(pid_t &pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

} // namespace

PulseServer::PulseServer() : socket_(home_.file("native"))
{
    const QString runtime = home_.file("runtime");
    const QStringList env{"HOME=" + home_.path(), "PULSE_RUNTIME_PATH=" + runtime,
                          "XDG_RUNTIME_DIR=" + runtime};
    // As root too (CI): the server only warns when it is not a system
    // instance; --disallow-exit and no idle exit keep it up between clients.
    server_ =
        startProgram("pulseaudio",
                     {"--daemonize=no", "-n", "--use-pid-file=no", "--system=no", "--disallow-exit",
                      "--disallow-module-loading", "--exit-idle-time=-1", "--disable-shm=yes",
                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_,
                      "--load=module-null-sink sink_name=" + sink()},
                     env);
    up_ = server_ > 0 &&
          processEventsUntil(everyFiftyMs([this] { return pactl("info").contains("Server Name"); }),
                             15000);
}

PulseServer::~PulseServer()
{
    endProcess(recorder_);
    kill();
}

void PulseServer::kill()
{
    endProcess(server_);
}

QString PulseServer::pactl(const QString &args) const
{
    const QByteArray command =
        "env PULSE_SERVER='" + address().toUtf8() + "' pactl " + args.toUtf8() + " 2>/dev/null";
    FILE *pipe = ::popen(command.constData(), "r");
    if (!pipe)
        return {};
    QByteArray out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, qsizetype(n));
    ::pclose(pipe);
    return QString::fromUtf8(out);
}

bool PulseServer::record(const QString &path)
{
    recorder_ = startProgram("parec",
                             {"-d", sink() + ".monitor", "--raw", "--format=s16le", "--rate=44100",
                              "--channels=2", "--latency-msec=20", path},
                             {"PULSE_SERVER=" + address()});
    return recorder_ > 0 &&
           processEventsUntil(everyFiftyMs([this] {
                                  return !pactl("list short source-outputs").trimmed().isEmpty();
                              }),
                              10000);
}

std::function<bool()> everyFiftyMs(std::function<bool()> check)
{
    return [check = std::move(check), last = QElapsedTimer()]() mutable {
        if (last.isValid() && last.elapsed() < 50)
            return false;
        last.start();
        return check();
    };
}

QString pulseProperty(const QString &listing, const QString &name)
{
    const QRegularExpression line("^\\s*" + QRegularExpression::escape(name) + " = \"(.*)\"$",
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(listing);
    return m.hasMatch() ? m.captured(1) : QString();
}
