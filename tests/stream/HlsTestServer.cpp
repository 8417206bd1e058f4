#include "HlsTestServer.h"

#include "RunProgram.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <sys/wait.h>

HlsTestServer::~HlsTestServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool HlsTestServer::start(const QStringList &options, const QString &workdir)
{
    QDir().mkpath(workdir);
    log_ = workdir + "/server.log";
    // The request lines go to standard output, which the log takes.
    const QStringList args = QStringList{"-c",        "exec \"$0\" \"$@\" 1>&2",
                                         "python3",   QStringLiteral(HLS_TEST_SERVER),
                                         "--port",    "0",
                                         "--workdir", workdir} +
                             options;
    pid_ = startProgramLogged("sh", args, {}, log_);
    static const QRegularExpression listening(QStringLiteral("^listening on (\\d+)$"));
    const QDeadlineTimer deadline(60000);
    while (pid_ > 0 && !deadline.hasExpired()) {
        for (const QString &line : lines()) {
            const QRegularExpressionMatch m = listening.match(line);
            if (m.hasMatch()) {
                port_ = m.captured(1).toInt();
                return true;
            }
        }
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        QThread::msleep(100);
    }
    return false;
}

QString HlsTestServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

QStringList HlsTestServer::lines() const
{
    QFile f(log_);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList HlsTestServer::requests(int status) const
{
    QStringList paths;
    const QString suffix = QStringLiteral(" %1").arg(status);
    for (const QString &line : lines())
        if (line.startsWith(QLatin1String("GET ")) && line.endsWith(suffix))
            paths << line.mid(4, line.size() - 4 - suffix.size());
    return paths;
}
