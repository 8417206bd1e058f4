#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// An HTTP/ICY server on 127.0.0.1 for tests, running on threads of its own
// (one accepts, one per connection) so that a test may block its own thread
// while the server answers.
//
// Replies are scripts of steps, played byte by byte as written: the server
// adds nothing of its own (no status line, no header), so a script can send
// "ICY 200 OK", a broken header, or stop anywhere. Each request is recorded
// (request line and header lines) before its reply starts. A path without a
// script gets "HTTP/1.0 404 Not Found". The connection is closed when the
// script ends.
class TestHttpServer
{
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;

    class Reply
    {
    public:
        struct Step
        {
            enum Kind { Send, Trickle, Pause, Hang, Gate } kind;
            QByteArray bytes;
            int bytesPerTick = 1;
            std::chrono::milliseconds tick{0};
            std::shared_ptr<std::atomic<bool>> gate = {};
        };

        Reply &send(const QByteArray &bytes);
        // bytesPerTick bytes, then a pause of tick, until all are sent.
        Reply &trickle(const QByteArray &bytes, std::chrono::milliseconds tick,
                       int bytesPerTick = 1);
        Reply &pause(std::chrono::milliseconds time);
        // Keeps the connection open and silent until the server stops.
        Reply &hang();
        // Waits until the test sets the flag (or the server stops).
        Reply &waitFor(std::shared_ptr<std::atomic<bool>> gate);

        // "<statusLine>\r\n" + "Name: value\r\n"… + "\r\n" + body.
        static Reply make(const QByteArray &statusLine, const Headers &headers,
                          const QByteArray &body = {});
        // A 30x answer pointing at location (HTTP/1.0, empty body).
        static Reply redirect(const QByteArray &location, int status = 302);

        const std::vector<Step> &steps() const { return steps_; }

    private:
        std::vector<Step> steps_;
    };

    struct Request
    {
        QByteArray requestLine; // "GET /x HTTP/1.1"
        QByteArray target;      // "/x" or, through a proxy, "http://host:port/x"
        Headers headers;        // in the order received
        // The value of the first header of that name (case-insensitive); null when absent.
        QByteArray header(const QByteArray &name) const;
    };

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    // Listens on 127.0.0.1 on a free port. False when that fails.
    bool start();
    // Closes every connection (ending hangs and pauses) and joins the threads.
    void stop();

    quint16 port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    QString url(const QString &path) const;

    // The script for a path ("/x"; matched with the query when given, else without it).
    void setRoute(const QByteArray &path, const Reply &reply);
    // Accept connections but never read from them or answer.
    void setNeverAnswer(bool on);

    // Every request so far, oldest first.
    QList<Request> requests() const;
    // Waits until at least n requests arrived; false when the deadline passed.
    bool waitForRequests(int n, std::chrono::milliseconds deadline) const;
    // Connections accepted so far.
    int connectionCount() const;

private:
    struct Connection;

    void acceptLoop();
    void serve(Connection *c);
    bool readRequest(int fd, QByteArray &head);
    Reply routeFor(const QByteArray &target) const;
    bool play(int fd, const Reply &reply);
    bool waitStop(std::chrono::milliseconds time);

    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    quint16 port_ = 0;
    std::thread acceptThread_;

    mutable std::mutex mutex_; // guards everything below
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    bool neverAnswer_ = false;
    std::map<QByteArray, Reply> routes_;
    QList<Request> requests_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

// A body of ICY audio with metadata every `metaint` audio bytes: after each
// full run of metaint bytes, one length byte and the text of that boundary
// (its index counted from 0) zero-padded to a multiple of 16, or length 0
// when texts has no entry for it. Texts longer than 255 × 16 are cut.
QByteArray icyInterleave(const QByteArray &audio, int metaint,
                         const std::map<int, QByteArray> &texts);

// The body in HTTP/1.1 chunked encoding, chunks of chunkSize bytes, with the
// closing zero chunk.
QByteArray httpChunked(const QByteArray &body, int chunkSize);

// n bytes of reproducible noise.
QByteArray testNoise(int n, unsigned seed = 1);
