#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

struct TestHttpServer::Connection
{
    int fd = -1;
    std::thread thread;
};

// ---- Reply ---------------------------------------------------------------

TestHttpServer::Reply &TestHttpServer::Reply::send(const QByteArray &bytes)
{
    steps_.push_back({Step::Send, bytes});
    return *this;
}

TestHttpServer::Reply &TestHttpServer::Reply::trickle(const QByteArray &bytes,
                                                      std::chrono::milliseconds tick,
                                                      int bytesPerTick)
{
    steps_.push_back({Step::Trickle, bytes, std::max(1, bytesPerTick), tick});
    return *this;
}

TestHttpServer::Reply &TestHttpServer::Reply::pause(std::chrono::milliseconds time)
{
    steps_.push_back({Step::Pause, {}, 1, time});
    return *this;
}

TestHttpServer::Reply &TestHttpServer::Reply::hang()
{
    steps_.push_back({Step::Hang, {}});
    return *this;
}

TestHttpServer::Reply &TestHttpServer::Reply::waitFor(std::shared_ptr<std::atomic<bool>> gate)
{
    steps_.push_back({Step::Gate, {}, 1, {}, std::move(gate)});
    return *this;
}

TestHttpServer::Reply TestHttpServer::Reply::make(const QByteArray &statusLine,
                                                  const Headers &headers, const QByteArray &body)
{
    QByteArray bytes = statusLine + "\r\n";
    for (const auto &[name, value] : headers)
        bytes += name + ": " + value + "\r\n";
    bytes += "\r\n" + body;
    return Reply().send(bytes);
}

TestHttpServer::Reply TestHttpServer::Reply::redirect(const QByteArray &location, int status)
{
    return make("HTTP/1.0 " + QByteArray::number(status) + " Moved",
                {{"Location", location}, {"Content-Length", "0"}});
}

QByteArray TestHttpServer::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

// ---- server --------------------------------------------------------------

TestHttpServer::TestHttpServer() = default;

TestHttpServer::~TestHttpServer()
{
    stop();
}

bool TestHttpServer::start()
{
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        return false;
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 64) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr *>(&addr), &len) != 0 ||
        ::pipe2(wakePipe_, O_CLOEXEC) != 0)
        return false;
    port_ = ntohs(addr.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void TestHttpServer::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (acceptThread_.joinable()) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe_[1], &byte, 1);
        acceptThread_.join();
    }
    // No new connections from here on; unblock the ones that send or wait.
    for (auto &c : connections_)
        ::shutdown(c->fd, SHUT_RDWR);
    for (auto &c : connections_) {
        if (c->thread.joinable())
            c->thread.join();
        ::close(c->fd);
    }
    connections_.clear();
    for (int *fd : {&listenFd_, &wakePipe_[0], &wakePipe_[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

QString TestHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

void TestHttpServer::setRoute(const QByteArray &path, const Reply &reply)
{
    std::lock_guard lock(mutex_);
    routes_[path] = reply;
}

void TestHttpServer::setNeverAnswer(bool on)
{
    std::lock_guard lock(mutex_);
    neverAnswer_ = on;
}

QList<TestHttpServer::Request> TestHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    // A list of its own: a shared one would be detached by the caller's
    // loop without the lock while the server thread appends.
    return QList<Request>(requests_.cbegin(), requests_.cend());
}

bool TestHttpServer::waitForRequests(int n, std::chrono::milliseconds deadline) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, deadline, [&] { return requests_.size() >= n; });
}

int TestHttpServer::connectionCount() const
{
    std::lock_guard lock(mutex_);
    return int(connections_.size());
}

void TestHttpServer::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex_);
        connections_.push_back(std::make_unique<Connection>());
        Connection *c = connections_.back().get();
        c->fd = fd;
        c->thread = std::thread([this, c] { serve(c); });
    }
}

bool TestHttpServer::waitStop(std::chrono::milliseconds time)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, time, [this] { return stopping_; });
}

bool TestHttpServer::readRequest(int fd, QByteArray &head)
{
    char buf[4096];
    while (!head.contains("\r\n\r\n") && head.size() < 65536) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
        }
        if (ready <= 0)
            continue;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        head.append(buf, n);
    }
    return true;
}

void TestHttpServer::serve(Connection *c)
{
    bool silent;
    {
        std::lock_guard lock(mutex_);
        silent = neverAnswer_;
    }
    if (silent) {
        waitStop(std::chrono::hours(24));
        return;
    }
    QByteArray head;
    if (!readRequest(c->fd, head))
        return;
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    Request request;
    request.requestLine = lines.value(0).trimmed();
    request.target = request.requestLine.split(' ').value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append(
                {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    {
        std::lock_guard lock(mutex_);
        requests_.append(request);
    }
    changed_.notify_all();
    play(c->fd, routeFor(request.target));
    ::shutdown(c->fd, SHUT_RDWR);
}

TestHttpServer::Reply TestHttpServer::routeFor(const QByteArray &target) const
{
    QByteArray path = target;
    if (path.startsWith("http://")) { // a request to a proxy
        const qsizetype slash = path.indexOf('/', 7);
        path = slash < 0 ? QByteArray("/") : path.mid(slash);
    }
    std::lock_guard lock(mutex_);
    auto it = routes_.find(path);
    if (it == routes_.end())
        it = routes_.find(path.left(path.indexOf('?')));
    if (it != routes_.end())
        return it->second;
    return Reply::make("HTTP/1.0 404 Not Found", {{"Content-Type", "text/plain"}}, "not found\n");
}

bool TestHttpServer::play(int fd, const Reply &reply)
{
    auto sendAll = [fd](const char *p, qsizetype n) {
        while (n > 0) {
            const ssize_t sent = ::send(fd, p, size_t(n), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent <= 0)
                return false;
            p += sent;
            n -= sent;
        }
        return true;
    };
    for (const Reply::Step &step : reply.steps()) {
        switch (step.kind) {
        case Reply::Step::Send:
            if (!sendAll(step.bytes.constData(), step.bytes.size()))
                return false;
            break;
        case Reply::Step::Trickle:
            for (qsizetype at = 0; at < step.bytes.size(); at += step.bytesPerTick) {
                const qsizetype n = std::min<qsizetype>(step.bytesPerTick, step.bytes.size() - at);
                if (!sendAll(step.bytes.constData() + at, n) || waitStop(step.tick))
                    return false;
            }
            break;
        case Reply::Step::Pause:
            if (waitStop(step.tick))
                return false;
            break;
        case Reply::Step::Hang: waitStop(std::chrono::hours(24)); return false;
        case Reply::Step::Gate:
            while (!step.gate->load())
                if (waitStop(std::chrono::milliseconds(5)))
                    return false;
            break;
        }
    }
    return true;
}

// ---- bodies --------------------------------------------------------------

QByteArray icyInterleave(const QByteArray &audio, int metaint,
                         const std::map<int, QByteArray> &texts)
{
    QByteArray out;
    int boundary = 0;
    for (qsizetype at = 0; at < audio.size(); at += metaint, ++boundary) {
        const QByteArray run = audio.mid(at, metaint);
        out += run;
        if (run.size() < metaint)
            break;
        const auto it = texts.find(boundary);
        const QByteArray text = it == texts.end() ? QByteArray() : it->second.left(255 * 16);
        const int blocks = int((text.size() + 15) / 16);
        out += char(blocks);
        out += text;
        out += QByteArray(blocks * 16 - text.size(), '\0');
    }
    return out;
}

QByteArray httpChunked(const QByteArray &body, int chunkSize)
{
    QByteArray out;
    for (qsizetype at = 0; at < body.size(); at += chunkSize) {
        const QByteArray chunk = body.mid(at, chunkSize);
        out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    return out + "0\r\n\r\n";
}

QByteArray testNoise(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray out(n, Qt::Uninitialized);
    for (char &c : out)
        c = char(rng());
    return out;
}
