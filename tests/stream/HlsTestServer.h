#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// tools/hls-test-server.py on a free port of 127.0.0.1, its encoded files in
// `workdir`; the requests it answered, in order, as "GET PATH STATUS" lines.
class HlsTestServer
{
public:
    ~HlsTestServer();
    // Starts it and waits (making the segments takes a few seconds).
    bool start(const QStringList &options, const QString &workdir);
    QString url(const QString &path) const;
    // The paths answered with `status`, oldest first (reads what is new).
    QStringList requests(int status = 200);

private:
    QProcess process_;
    QStringList lines_;
    QString partial_;
    int port_ = 0;
    void readLines();
};
