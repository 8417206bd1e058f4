#include "RunProgram.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

pid_t startProgram(const QString &program, const QStringList &args, const QStringList &env)
{
    return startProgramLogged(program, args, env, QString());
}

pid_t startProgramLogged(const QString &program, const QStringList &args, const QStringList &env,
                         const QString &errorLog)
{
    const QByteArray logPath = QFile::encodeName(errorLog);
    std::vector<std::string> strings{QFile::encodeName(program).toStdString()};
    for (const QString &a : args)
        strings.push_back(QFile::encodeName(a).toStdString());
    std::vector<char *> argv;
    for (std::string &s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<std::string> entries;
    for (const QString &e : env)
        entries.push_back(e.toStdString());
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        if (!logPath.isEmpty()) {
            const int log = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (log >= 0)
                ::dup2(log, STDERR_FILENO);
        }
        for (std::string &e : entries)
            ::putenv(e.data());
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

bool runProgram(const QString &program, const QStringList &args, const QStringList &env)
{
    const pid_t pid = startProgram(program, args, env);
    if (pid < 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
