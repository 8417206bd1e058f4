#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// tools/hls-test-server.py on a free port of 127.0.0.1, its encoded files in
// `workdir`; the requests it answered, in order, as "GET PATH STATUS" lines.
// Started with plain fork and exec (see RunProgram.h), its output going to
// a file in workdir.
class HlsTestServer
{
public:
    ~HlsTestServer();
    // Starts it and waits (making the segments takes a few seconds).
    bool start(const QStringList &options, const QString &workdir);
    QString url(const QString &path) const;
    // The paths answered with `status`, oldest first.
    QStringList requests(int status = 200) const;

private:
    QStringList lines() const;

    pid_t pid_ = -1;
    QString log_;
    int port_ = 0;
};
