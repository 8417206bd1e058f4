#pragma once

#include "StderrCapture.h"
#include "TempHome.h"
#include "TestHttpServer.h"
#include "shoutCast.h"
#include "stream.h"

#include <QObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The genres' names, in their order.
QStringList names(const QList<ShoutCastGenre> &genres);

// Collects the client's error events on the GUI thread.
class DirectoryErrorSink : public QObject
{
public:
    struct Error
    {
        ShoutCastGenre *genre;
        QString text;
    };
    std::vector<Error> errors;

protected:
    void customEvent(QEvent *event) override;
};

// A stream without sound, a directory client whose root is a server on
// 127.0.0.1, and a record of every announcement.
class DirectoryClientFixture : public ::testing::Test
{
protected:
    // The source the client is made for: a derived fixture sets it in its
    // constructor.
    enum class Source { Xml, RadioBrowser };
    Source source = Source::Xml;

    struct GenresSeen
    {
        QStringList names;
        ShoutCast::ShoutCastState state;
    };
    struct FetchSeen
    {
        ShoutCastGenre *genre;
        ShoutCast::ShoutCastState state;
        qsizetype stations;
    };

    void SetUp() override;
    void TearDown() override;

    // Waits (running the event loop) until done() holds; false at the deadline.
    bool waitUntil(const std::function<bool()> &done, int ms = 20000);
    // Waits for an announcement of that state for the genre / the index.
    bool waitForFetchState(ShoutCastGenre *genre, ShoutCast::ShoutCastState state)
    {
        return waitUntil([&] { return hasState(fetchSeen(genre), state); });
    }
    bool waitForGenresState(ShoutCast::ShoutCastState state)
    {
        return waitUntil([&] { return hasState(genresSeen(), state); });
    }
    template <class List>
    static bool hasState(const List &list, ShoutCast::ShoutCastState state)
    {
        return std::any_of(list.begin(), list.end(),
                           [&](const auto &s) { return s.state == state; });
    }
    bool waitForNoFetches()
    {
        return waitUntil([&] { return stream->fetchCount() == 0; });
    }
    // The server's own wait would stop the event loop that drives the fetches.
    bool waitForRequests(int n)
    {
        return waitUntil([&] { return server.requests().size() >= n; });
    }

    // A close-delimited 200 answer whose body comes in these pieces, each
    // after a pause, so that the client gets them as separate chunks.
    static TestHttpServer::Reply inPieces(const std::vector<QByteArray> &pieces);
    static QByteArray stationList(const QByteArray &stations);

    std::vector<GenresSeen> genresSeen();
    std::vector<FetchSeen> fetchSeen(ShoutCastGenre *genre);

    TempHome home;
    TestHttpServer server;
    DirectoryErrorSink sink;
    std::unique_ptr<RadioStream> stream;
    std::unique_ptr<ShoutCast> client;
    // Called inside each shoutCastFetch announcement (read thread, client
    // locked), as the main window's slot is.
    std::function<void(ShoutCastGenre *, ShoutCast::ShoutCastState)> onFetch;

private:
    std::mutex seenMutex_; // guards the two lists below
    std::vector<GenresSeen> genresSeen_;
    std::vector<FetchSeen> fetchSeen_;
    QByteArray oldRoot_;
    QByteArray oldServiceRoot_;
};
