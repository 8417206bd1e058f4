// The directory client's GUI-thread side: construction, the genre cache and
// the requests. None of these calls into the stream while holding mutex_.
#include "shoutCast.h"

#include "DirectorySource.h"
#include "EventHandOff.h"
#include "GenreCache.h"
#include "PlayListItem.h"
#include "stream.h"

#include <QCoreApplication>
#include <QSet>

#include <cstdio>

namespace {

// Posted to the client itself: replaced genres may be freed now.
const QEvent::Type kFreeRetiredEvent = QEvent::Type(QEvent::registerEventType());

} // namespace

ShoutCast::ShoutCast(QObject *receiver, RadioStream *stream, QObject *parent)
    : QObject(parent), receiver_(receiver), stream_(stream),
      source_(DirectorySource::fromEnvironment()), indexReader_(source_->genreIndexReader())
{
    auto search = std::make_unique<ShoutCastGenre>(tr("Search results"));
    searchGenre_ = search.get();
    genres_.push_back(std::move(search));
    connect(stream_, &RadioStream::streamFetch, this, &ShoutCast::slotStreamFetch,
            Qt::DirectConnection);
}

ShoutCast::~ShoutCast()
{
    disconnect(stream_, nullptr, this, nullptr);
    QSet<unsigned> clicks;
    {
        // Waits for a delivery that is still running.
        std::lock_guard lock(mutex_);
        clicks.swap(clickFetches_);
    }
    // Nobody takes their ends any more: the stream may drop them.
    for (unsigned id : clicks)
        stream_->cancelFetch(id);
}

QString ShoutCast::rootUrl() const
{
    return source_->root();
}

std::unique_lock<std::recursive_mutex> ShoutCast::lock() const
{
    return std::unique_lock(mutex_);
}

void ShoutCast::customEvent(QEvent *event)
{
    wavelark::takeOverEvent(event);
    if (event->type() != kFreeRetiredEvent)
        return;
    std::lock_guard lock(mutex_);
    retired_.clear();
}

bool ShoutCast::readGenreCache(const QString &xmlCachePath)
{
    const QString path = source_->genreCachePath(xmlCachePath);
    const std::optional<QStringList> lines = readGenreCacheLines(path);
    if (!lines) {
        std::fprintf(stderr, "%s: could open file for reading.\n", qPrintable(path));
        return false;
    }
    std::lock_guard lock(mutex_);
    QSet<QString> known;
    for (const auto &genre : genres_)
        known.insert(genre->name);
    for (const QString &line : *lines) {
        if (known.contains(line))
            continue;
        known.insert(line);
        genres_.push_back(std::make_unique<ShoutCastGenre>(line));
    }
    return true;
}

bool ShoutCast::writeGenreCache(const QString &xmlCachePath, const QList<ShoutCastGenre> &genres)
{
    // The source the clients of this process use: the environment chooses it.
    const QString path = DirectorySource::fromEnvironment()->genreCachePath(xmlCachePath);
    QStringList names;
    names.reserve(genres.size());
    for (const ShoutCastGenre &genre : genres)
        names.append(genre.name);
    return writeGenreCacheLines(path, names);
}

void ShoutCast::fetchGenres()
{
    unsigned oldIndex = 0;
    QList<ShoutCastGenre *> fetching;
    {
        std::lock_guard lock(mutex_);
        oldIndex = listFetchId_;
        listFetchId_ = 0;
        indexOpen_ = false;
        indexReader_ = source_->genreIndexReader();
        for (const auto &genre : genres_)
            if (genre->fetchId != 0)
                fetching.append(genre.get());
    }
    if (oldIndex != 0)
        stream_->cancelFetch(oldIndex);
    for (ShoutCastGenre *genre : fetching)
        cancelGenre(genre);
    const unsigned id = stream_->startFetch(source_->genreIndexUrl(), source_->userAgent());
    std::lock_guard lock(mutex_);
    listFetchId_ = id;
    indexOpen_ = true;
}

bool ShoutCast::fetchStations(ShoutCastGenre *genre)
{
    QString url;
    unsigned oldId = 0;
    {
        std::lock_guard lock(mutex_);
        if (!genre || !isListed(genre))
            return false;
        if (genre == searchGenre_ && topCount_ > 0) {
            url = source_->topStationsUrl(topCount_);
            if (url.isEmpty())
                return false;
        } else if (genre == searchGenre_) {
            if (searchText_.isEmpty())
                return false;
            url = source_->searchUrl(searchText_, stationLimit_);
        } else {
            url = source_->genreUrl(genre->name, stationLimit_);
        }
        oldId = resetLocked(genre);
    }
    if (oldId != 0)
        stream_->cancelFetch(oldId);
    const unsigned id = stream_->startFetch(url, source_->userAgent());
    bool listed = false;
    {
        std::lock_guard lock(mutex_);
        genre->fetchId = id;
        genre->fetchOpen = true;
        listed = isListed(genre);
    }
    // A new genre index replaced the list meanwhile: nobody wants this list.
    if (!listed)
        stream_->cancelFetch(id);
    return true;
}

bool ShoutCast::search(const QString &text)
{
    ShoutCastGenre *genre = nullptr;
    {
        std::lock_guard lock(mutex_);
        searchText_ = text;
        topCount_ = 0;
        genre = searchGenre_;
    }
    return fetchStations(genre);
}

bool ShoutCast::fetchTopStations(int count)
{
    ShoutCastGenre *genre = nullptr;
    {
        std::lock_guard lock(mutex_);
        topCount_ = count;
        genre = searchGenre_;
    }
    return count > 0 && fetchStations(genre);
}

void ShoutCast::resetGenre(ShoutCastGenre *genre)
{
    unsigned id = 0;
    {
        std::lock_guard lock(mutex_);
        if (!genre || !isListed(genre))
            return;
        id = resetLocked(genre);
    }
    if (id != 0)
        stream_->cancelFetch(id);
}

bool ShoutCast::cancelGenre(ShoutCastGenre *genre)
{
    unsigned id = 0;
    {
        std::lock_guard lock(mutex_);
        if (!genre || genre->fetchId == 0)
            return false;
        genre->state = StateCancelled;
        genre->fetchOpen = false;
        id = genre->fetchId;
    }
    const bool cancelled = stream_->cancelFetch(id);
    emit shoutCastFetch(genre, StateCancelled);
    return cancelled;
}

void ShoutCast::cancelAllGenres()
{
    QList<ShoutCastGenre *> fetching;
    {
        std::lock_guard lock(mutex_);
        for (const auto &genre : genres_)
            if (genre->fetchId != 0)
                fetching.append(genre.get());
    }
    for (ShoutCastGenre *genre : fetching)
        cancelGenre(genre);
}

ShoutCastGenre *ShoutCast::addGenre(const QString &name)
{
    std::lock_guard lock(mutex_);
    for (const auto &genre : genres_)
        if (genre->name == name)
            return genre.get();
    genres_.push_back(std::make_unique<ShoutCastGenre>(name));
    return genres_.back().get();
}

void ShoutCast::setStationLimit(int limit)
{
    std::lock_guard lock(mutex_);
    stationLimit_ = qMax(0, limit);
}

bool ShoutCast::stationStarted(const QString &url)
{
    QString clickUrl;
    {
        std::lock_guard lock(mutex_);
        for (const auto &genre : genres_) {
            for (const ShoutCastStation &station : genre->stations) {
                if (station.url == url) {
                    clickUrl = source_->clickUrl(station);
                    break;
                }
            }
            if (!clickUrl.isEmpty())
                break;
        }
    }
    if (clickUrl.isEmpty())
        return false;
    const unsigned id = stream_->startFetch(clickUrl, source_->userAgent());
    std::lock_guard lock(mutex_);
    clickFetches_.insert(id);
    return true;
}

bool ShoutCast::stationStarted(const PlayListItem *item)
{
    return item && stationStarted(item->url);
}

QList<ShoutCastGenre> ShoutCast::genres() const
{
    std::lock_guard lock(mutex_);
    return snapshot();
}

int ShoutCast::genreCount() const
{
    std::lock_guard lock(mutex_);
    return int(genres_.size());
}

ShoutCastGenre *ShoutCast::genreAt(int index) const
{
    std::lock_guard lock(mutex_);
    return index >= 0 && size_t(index) < genres_.size() ? genres_[size_t(index)].get() : nullptr;
}

bool ShoutCast::holdsTopStations() const
{
    std::lock_guard lock(mutex_);
    return topCount_ > 0;
}

ShoutCastGenre *ShoutCast::searchGenre() const
{
    std::lock_guard lock(mutex_);
    return searchGenre_;
}

QString ShoutCast::searchText() const
{
    std::lock_guard lock(mutex_);
    return searchText_;
}

unsigned ShoutCast::listFetchId() const
{
    std::lock_guard lock(mutex_);
    return listFetchId_;
}

bool ShoutCast::isListed(const ShoutCastGenre *genre) const
{
    for (const auto &g : genres_)
        if (g.get() == genre)
            return true;
    return false;
}

ShoutCastGenre *ShoutCast::genreWithFetch(unsigned id) const
{
    for (const auto &g : genres_)
        if (g->fetchId == id)
            return g.get();
    return nullptr;
}

unsigned ShoutCast::resetLocked(ShoutCastGenre *genre)
{
    genre->parser = source_->stationListReader();
    genre->state = StateBegin;
    genre->fetchOpen = false;
    return genre->fetchId;
}

QList<ShoutCastGenre> ShoutCast::snapshot() const
{
    QList<ShoutCastGenre> list;
    list.reserve(qsizetype(genres_.size()));
    for (const auto &genre : genres_)
        list.append(*genre);
    return list;
}

void ShoutCast::postError(ShoutCastGenre *genre, const QString &text)
{
    if (!receiver_)
        return;
    // Mostly on the read thread.
    auto *event = new DirectoryErrorEventData(genre, text);
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(receiver_, event);
}

// The list is replaced by a new genre index (read thread). The old genres may
// still be in a GUI-thread caller's hands: they are freed there.
void ShoutCast::replaceGenreList()
{
    if (const unsigned id = resetLocked(searchGenre_))
        stream_->cancelFetch(id);
    for (auto &genre : genres_)
        retired_.push_back(std::move(genre));
    genres_.clear();
    auto search = std::make_unique<ShoutCastGenre>(tr("Search results"));
    searchGenre_ = search.get();
    genres_.push_back(std::move(search));
    // Also called on the read thread.
    auto *event = new QEvent(kFreeRetiredEvent);
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(this, event);
}
