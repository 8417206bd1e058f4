#include "TerminationSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};

extern "C" void onTerminate(int sig)
{
    if (sig != SIGTERM)
        return;
    const int saved = errno;
    const char byte = 1;
    // Nothing to do on failure: a full pipe already holds a wake-up.
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignal::TerminationSignal(QObject *parent) : QObject(parent)
{
    if (pipeFds[0] < 0 && ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGTERM, &action, nullptr) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignal::readPipe);
}

TerminationSignal::~TerminationSignal()
{
    if (notifier_)
        ::signal(SIGTERM, SIG_DFL);
}

void TerminationSignal::readPipe()
{
    char buffer[16];
    while (::read(pipeFds[0], buffer, sizeof buffer) > 0) {}
    emit terminated();
}
