#include "DirectoryModes.h"

#include "EventHandOff.h"
#include "UserPaths.h"
#include "WavelarkConfig.h"
#include "shoutCast.h"
#include "stream.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] = "usage: wavelark-headless [-v] [-t SECONDS] --genres | --stations GENRE | "
                      "--search TEXT\n";

enum class Mode { None, Genres, Stations, Search };

struct Request
{
    Mode mode = Mode::None;
    QString text;
    int verbosity = 0;
    int seconds = 0;
    bool valid = true;
};

Request parseRequest(int argc, char **argv)
{
    Request r;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--genres") == 0) {
            r.mode = Mode::Genres;
        } else if (std::strcmp(arg, "--stations") == 0 || std::strcmp(arg, "--search") == 0) {
            r.mode = arg[2] == 's' && arg[3] == 't' ? Mode::Stations : Mode::Search;
            r.valid = r.valid && hasValue;
            if (hasValue)
                r.text = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(arg, "-v") == 0) {
            ++r.verbosity;
        } else if (std::strcmp(arg, "-t") == 0 && hasValue) {
            r.seconds = std::atoi(argv[++i]);
        } else {
            r.valid = false;
        }
    }
    return r;
}

// One output field: tabs and line ends would break the line format.
QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    for (char &c : bytes)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return bytes;
}

QByteArray stationLine(const ShoutCastStation &s)
{
    return field(s.name) + '\t' + QByteArray::number(s.id) + '\t' + QByteArray::number(s.bitrate) +
           '\t' + QByteArray::number(qulonglong(s.listeners)) + '\t' + field(s.genre) + '\t' +
           field(s.mimeType) + '\t' + field(s.currentTrack) + '\t' + field(s.url) + '\n';
}

// The lines of a finished request, made on the read thread.
const QEvent::Type kLinesEvent = QEvent::Type(QEvent::registerEventType());

class LinesEvent : public QEvent
{
public:
    explicit LinesEvent(const QByteArray &lines) : QEvent(kLinesEvent), lines_(lines) {}
    const QByteArray &lines() const { return lines_; }

private:
    QByteArray lines_;
};

// Prints the lines of a finished request and ends the run with 0, or the
// error events of the client and ends it with 1.
class ErrorPrinter : public QObject
{
protected:
    void customEvent(QEvent *event) override
    {
        wavelark::takeOverEvent(event);
        if (event->type() == kLinesEvent) {
            const QByteArray &lines = static_cast<LinesEvent *>(event)->lines();
            std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
            std::fflush(stdout);
            QCoreApplication::exit(0);
            return;
        }
        if (int(event->type()) != DirectoryErrorEvent)
            return;
        const QString text = static_cast<DirectoryErrorEventData *>(event)->text();
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        QCoreApplication::exit(1);
    }
};

// The lines are made on the read thread (inside the announcement) and
// printed on the GUI thread, which then ends the run. A posted event, marked
// as handed off: a queued functor is freed on the posting thread, where
// ThreadSanitizer cannot see Qt's reference count.
void finish(QObject *context, const QByteArray &lines)
{
    auto *event = new LinesEvent(lines);
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(context, event);
}

void connectGenres(ShoutCast &client, QObject *context)
{
    QObject::connect(
        &client, &ShoutCast::shoutCastGenres, context,
        [context](const QList<ShoutCastGenre> &genres, ShoutCast::ShoutCastState state) {
            if (state != ShoutCast::StateDone)
                return;
            QByteArray lines;
            // Entry 0 is the search-results genre, not the directory's.
            for (qsizetype i = 1; i < genres.size(); ++i)
                lines += field(genres[i].name) + '\n';
            finish(context, lines);
        },
        Qt::DirectConnection);
}

void connectStations(ShoutCast &client, QObject *context)
{
    QObject::connect(
        &client, &ShoutCast::shoutCastFetch, context,
        [context](ShoutCastGenre *genre, ShoutCast::ShoutCastState state) {
            if (state != ShoutCast::StateDone)
                return;
            QByteArray lines;
            for (const ShoutCastStation &s : genre->stations)
                lines += stationLine(s);
            finish(context, lines);
        },
        Qt::DirectConnection);
}

bool start(ShoutCast &client, const Request &r)
{
    switch (r.mode) {
    case Mode::Genres: client.fetchGenres(); return true;
    case Mode::Stations: return client.fetchStations(client.addGenre(r.text));
    case Mode::Search: return client.search(r.text);
    case Mode::None: break;
    }
    return false;
}

// Cancels what still runs and lets the stream's fetch tick remove it, so
// that no read pass is under way when the stream goes.
void drain(RadioStream &stream, ShoutCast &client)
{
    client.cancelAllGenres();
    if (const unsigned id = client.listFetchId())
        stream.cancelFetch(id);
    QDeadlineTimer deadline(5000);
    while (stream.fetchCount() > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

} // namespace

std::optional<int> runDirectoryMode(int argc, char **argv)
{
    const Request request = parseRequest(argc, argv);
    if (request.mode == Mode::None)
        return std::nullopt;
    if (!request.valid || request.seconds < 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ErrorPrinter printer;
    RadioStream stream(nullptr, nullptr, request.verbosity);
    // The network settings (proxy, time-outs) of the configuration file.
    WavelarkSettings settings;
    QStringList searches;
    WavelarkConfig config(settings, stream, searches);
    config.read(UserPaths::forHome().configPath);
    ShoutCast client(&printer, &stream);
    client.setStationLimit(settings.shoutCastMaxItems);
    if (request.mode == Mode::Genres)
        connectGenres(client, &printer);
    else
        connectStations(client, &printer);
    if (!start(client, request)) {
        std::fputs("wavelark-headless: nothing to search for\n", stderr);
        return 1;
    }
    if (request.seconds > 0)
        QTimer::singleShot(request.seconds * 1000, &printer, [] {
            std::fputs("wavelark-headless: timed out\n", stderr);
            QCoreApplication::exit(1);
        });
    const int code = QCoreApplication::exec();
    drain(stream, client);
    return code;
}
