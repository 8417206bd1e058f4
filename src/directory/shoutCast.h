#pragma once

#include "DirectoryErrorEvent.h"
#include "DirectoryReaders.h"
#include "shoutCastStation.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class DirectorySource;
class PlayListItem;
class RadioStream;
struct ShoutCastGenre;
// The record of one genre's fetch (retry counter, item limit, station
// playlist…; DirectoryFetchRecord.h). Owned by the client's user (the main
// window); the client only hands the pointer on.
struct DirectoryFetchRecord;

// The station directory client: the genre list (entry 0 is always the
// "Search results" genre), the genre index, station lists and searches. All
// downloads are auxiliary fetches of the stream; their bytes arrive in
// slotStreamFetch on the stream's read thread. What is asked and how the
// answers are read is the DirectorySource's (the XML directory or the
// community station service); the fetches, states and errors are the same
// for both.
//
// Threads and locks. The client has one recursive lock, `mutex_`, guarding
// the genre list, every genre's fields and the fetch state. On the read
// thread the stream holds its fetch lock while it delivers, so the order is
// always: stream fetch lock, then the client's lock. The GUI-thread
// operations therefore never call into the stream while holding the
// client's lock.
//
// Announcements. shoutCastGenres and shoutCastFetch are emitted on the read
// thread with both locks held (connect with Qt::DirectConnection; a slot may
// read and set the genre's fields, and set its `state` to StateCancelled to
// stop the fetch). cancelGenre called on the GUI thread announces
// StateCancelled there without any lock held. Failures also go to the
// receiver as a posted DirectoryErrorEvent.
//
// Genre lifetime. Genres live in the list until a new genre index replaces
// it; the replaced genres are freed on the GUI thread once it returns to its
// event loop (never under a GUI-thread caller's feet), or with the client.
class ShoutCast : public QObject
{
    Q_OBJECT

public:
    enum ShoutCastState {
        StateBegin = 0,     // index recognised / first piece of a station list
        StateData = 1,      // a further piece of a station list
        StateCancelled = 2, // a station fetch was stopped
        StateError = 3,     // the fetch failed or its data was refused
        StateDone = 4,      // the fetch completed without error
    };
    Q_ENUM(ShoutCastState)

    // receiver gets DirectoryErrorEvent (may be null). The stream must
    // outlive the client; destroy the client when the stream delivers
    // nothing (stopped, or no fetch running). The source is chosen once,
    // here (DirectorySource::fromEnvironment()).
    ShoutCast(QObject *receiver, RadioStream *stream, QObject *parent = nullptr);
    ~ShoutCast() override;

    // --- GUI thread ----------------------------------------------------------

    // Appends a genre for every line of the cache that names no genre in the
    // list yet. False, with a line on standard error, when it cannot be read.
    // path is the XML directory's cache; the other source keeps its own file
    // beside it (DirectorySource::genreCachePath).
    bool readGenreCache(const QString &path);
    // Writes the names of the list, one per line (what the main window does
    // on each announced list), to the cache of the source the environment
    // chooses. False when the file could not be written.
    static bool writeGenreCache(const QString &path, const QList<ShoutCastGenre> &genres);

    // Cancels the running index fetch and every genre's station fetch, then
    // fetches the genre index.
    void fetchGenres();
    // Fetches the genre's station list (a search for the search-results
    // genre). False for a genre not in the list, or an empty search text.
    bool fetchStations(ShoutCastGenre *genre);
    // Sets the search text and fetches the search-results genre.
    bool search(const QString &text);
    // Fetches the directory's `count` most listened stations as the
    // search-results genre (until the next search). False when the source
    // has no such list.
    bool fetchTopStations(int count);
    // Cancels the genre's fetch and resets its parser (the stations stay
    // until a new list's header arrives) and its state to StateBegin.
    void resetGenre(ShoutCastGenre *genre);
    // Stops the genre's fetch: state StateCancelled, announced. False when
    // the genre never fetched, else whether the stream still had the fetch.
    bool cancelGenre(ShoutCastGenre *genre);
    void cancelAllGenres();
    // Returns the genre of that name, appending one when there is none.
    ShoutCastGenre *addGenre(const QString &name);
    // Stations asked for per list where the source takes a limit (the item
    // limit; 0: the source's default). Later fetches use it.
    void setStationLimit(int limit);
    // Tells the service that the station whose stream address is `url` (an
    // entry made from a station list) was started. Its answer and its
    // failures are ignored. False, sending nothing, when no listed station
    // has that address or the source takes no such call.
    bool stationStarted(const QString &url);
    // The same for the entry that started playing (null: nothing).
    bool stationStarted(const PlayListItem *item);

    // --- Any thread ------------------------------------------------------------

    // Holds the client's lock: for reading genre fields outside an
    // announcement. Never call into the stream while holding it.
    std::unique_lock<std::recursive_mutex> lock() const;
    // A copy of the list (values; the copies own nothing of the client's).
    QList<ShoutCastGenre> genres() const;
    int genreCount() const;
    // Caller holds lock() for as long as it uses the pointer off the GUI thread.
    ShoutCastGenre *genreAt(int index) const;
    ShoutCastGenre *searchGenre() const;
    QString searchText() const;
    // True while the search-results genre holds the top stations.
    bool holdsTopStations() const;
    QString rootUrl() const;
    unsigned listFetchId() const;

signals:
    // The genre list (a copy) with StateBegin, StateError or StateDone.
    void shoutCastGenres(QList<ShoutCastGenre> genres, ShoutCast::ShoutCastState state);
    // Progress of one genre's station fetch.
    void shoutCastFetch(ShoutCastGenre *genre, ShoutCast::ShoutCastState state);

public slots:
    // Every auxiliary fetch chunk of the stream (read thread, stream's fetch
    // lock held); data null marks the end of that transfer.
    void slotStreamFetch(unsigned id, const QByteArray *data);

protected:
    void customEvent(QEvent *event) override;

private:
    // All below: caller holds mutex_.
    bool isListed(const ShoutCastGenre *genre) const;
    void appendGenres(const QStringList &names);
    void startGenreList();
    void indexFailed(const QString &text);
    // Announces the genre's stations; false when the receiver stopped the list.
    bool announceStations(ShoutCastGenre *genre);
    QString stationErrorText(const ShoutCastGenre *genre) const;
    ShoutCastGenre *genreWithFetch(unsigned id) const;
    // Resets the genre's fetch state; returns the id to cancel (0 none).
    unsigned resetLocked(ShoutCastGenre *genre);
    QList<ShoutCastGenre> snapshot() const;
    void postError(ShoutCastGenre *genre, const QString &text);
    void indexPiece(const QByteArray &piece);
    void indexEnd();
    // Adds what the index reader gave; false, with the failure reported,
    // when it refused the index.
    bool takeIndexNames(GenreIndexReader::Outcome outcome, const QStringList &names);
    void replaceGenreList();
    void stationPiece(ShoutCastGenre *genre, const QByteArray &piece);
    void stationEnd(ShoutCastGenre *genre);
    void stationFailed(ShoutCastGenre *genre, const QString &text);

    QObject *const receiver_;
    RadioStream *const stream_;
    const std::unique_ptr<const DirectorySource> source_;

    mutable std::recursive_mutex mutex_;
    // mutex_
    std::vector<std::unique_ptr<ShoutCastGenre>> genres_;
    std::vector<std::unique_ptr<ShoutCastGenre>> retired_; // freed on the GUI thread
    ShoutCastGenre *searchGenre_ = nullptr;
    QString searchText_;
    int topCount_ = 0; // the search-results genre holds the top stations while > 0
    unsigned listFetchId_ = 0;
    bool indexOpen_ = false; // data of listFetchId_ is still expected
    std::unique_ptr<GenreIndexReader> indexReader_;
    int stationLimit_ = 0;
    QSet<unsigned> clickFetches_; // running click calls
};

// One genre of the directory. Copies (in announced lists) are snapshots.
struct ShoutCastGenre
{
    explicit ShoutCastGenre(const QString &genreName = QString()) : name(genreName) {}

    QList<ShoutCastStation> stations; // parsed so far
    unsigned fetchId = 0;             // the last station fetch; kept after it ended
    QString name;                     // decoded; "Search results" for entry 0
    // The reader of the running fetch's answer (null before the first
    // fetch). Copies share it; only the client uses it, under its lock.
    std::shared_ptr<StationListReader> parser;
    DirectoryFetchRecord *fetchRecord = nullptr; // the main window's; not owned
    ShoutCast::ShoutCastState state = ShoutCast::StateBegin;
    bool fetchOpen = false; // data of fetchId is still expected
};
