#pragma once

#include "RunProgram.h"
#include "UiTestSupport.h"

#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

// A session bus of the test's own, gone with it.
class PrivateBus
{
public:
    explicit PrivateBus(const QString &folder)
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        const QString address = "unix:path=" + folder + "/bus";
        pid_ =
            startProgram(daemon, {"--session", "--nofork", "--nopidfile", "--address=" + address});
        // The socket file appears before the daemon listens on it.
        if (pid_ > 0 && waitFor([&] { return accepts(folder + "/bus"); }, 10000))
            address_ = address;
    }
    ~PrivateBus()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    QString address() const { return address_; }

private:
    static bool accepts(const QString &path)
    {
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (name.size() >= qsizetype(sizeof where.sun_path))
            return false;
        std::memcpy(where.sun_path, name.constData(), name.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool ok =
            fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&where), sizeof where) == 0;
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    pid_t pid_ = -1;
    QString address_;
};
