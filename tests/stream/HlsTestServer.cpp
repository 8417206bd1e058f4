#include "HlsTestServer.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

HlsTestServer::~HlsTestServer()
{
    process_.kill();
    process_.waitForFinished(5000);
}

bool HlsTestServer::start(const QStringList &options, const QString &workdir)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("python3"), QStringList{QStringLiteral(HLS_TEST_SERVER), "--port",
                                                          "0", "--workdir", workdir} +
                                                  options);
    const QDeadlineTimer deadline(60000);
    static const QRegularExpression listening(QStringLiteral("^listening on (\\d+)$"));
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(200);
        readLines();
        for (const QString &line : lines_) {
            const QRegularExpressionMatch m = listening.match(line);
            if (m.hasMatch()) {
                port_ = m.captured(1).toInt();
                return true;
            }
        }
    }
    return false;
}

QString HlsTestServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

void HlsTestServer::readLines()
{
    partial_ += QString::fromUtf8(process_.readAllStandardOutput());
    const qsizetype end = partial_.lastIndexOf(u'\n');
    if (end < 0)
        return;
    lines_ += partial_.left(end).split(u'\n', Qt::SkipEmptyParts);
    partial_ = partial_.mid(end + 1);
}

QStringList HlsTestServer::requests(int status)
{
    process_.waitForReadyRead(0);
    readLines();
    QStringList paths;
    const QString suffix = QStringLiteral(" %1").arg(status);
    for (const QString &line : lines_)
        if (line.startsWith(QLatin1String("GET ")) && line.endsWith(suffix))
            paths << line.mid(4, line.size() - 4 - suffix.size());
    return paths;
}
