// The directory client's read-thread side: every auxiliary fetch chunk of
// the stream arrives here with the stream's fetch lock held, and is handed to
// the genre index or to the genre whose station fetch it belongs to.
#include "shoutCast.h"

#include "stream.h"

#include <cstdio>

void ShoutCast::slotStreamFetch(unsigned id, const QByteArray *data)
{
    std::lock_guard lock(mutex_);
    if (id != 0 && id == listFetchId_) {
        if (data)
            indexPiece(*data);
        else
            indexEnd();
        return;
    }
    if (clickFetches_.contains(id)) {
        // The service's answer to a click says nothing we use.
        if (!data) {
            (void)stream_->takeFetchError(id);
            clickFetches_.remove(id);
        }
        return;
    }
    ShoutCastGenre *genre = id != 0 ? genreWithFetch(id) : nullptr;
    if (!genre) {
        std::fputs("shoutCast(163): slotStreamFetch\n", stderr);
        return;
    }
    if (data)
        stationPiece(genre, *data);
    else
        stationEnd(genre);
}

void ShoutCast::appendGenres(const QStringList &names)
{
    for (const QString &name : names)
        genres_.push_back(std::make_unique<ShoutCastGenre>(name));
}

void ShoutCast::startGenreList()
{
    replaceGenreList();
    emit shoutCastGenres(snapshot(), StateBegin);
}

void ShoutCast::indexFailed(const QString &text)
{
    postError(nullptr, text);
    emit shoutCastGenres(snapshot(), StateError);
}

namespace {

QString withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + u' ' + reason;
}

} // namespace

void ShoutCast::indexPiece(const QByteArray &piece)
{
    if (!indexOpen_)
        return;
    QStringList names;
    const GenreIndexReader::Outcome outcome = indexReader_->feed(piece, names);
    if (outcome == GenreIndexReader::Outcome::Refused) {
        indexOpen_ = false;
        (void)stream_->takeFetchError(listFetchId_);
    }
    takeIndexNames(outcome, names);
}

bool ShoutCast::takeIndexNames(GenreIndexReader::Outcome outcome, const QStringList &names)
{
    switch (outcome) {
    case GenreIndexReader::Outcome::Refused:
        indexFailed(
            withReason(tr("Error while fetching genres. Unknown data."), indexReader_->refusal()));
        return false;
    case GenreIndexReader::Outcome::ListStarted: startGenreList(); break;
    case GenreIndexReader::Outcome::Accepted: break;
    }
    appendGenres(names);
    return true;
}

void ShoutCast::indexEnd()
{
    if (!indexOpen_)
        return;
    indexOpen_ = false;
    const QString error = stream_->takeFetchError(listFetchId_);
    if (!error.isEmpty()) {
        indexFailed(error);
        return;
    }
    QStringList names;
    if (takeIndexNames(indexReader_->finish(names), names))
        emit shoutCastGenres(snapshot(), StateDone);
}

QString ShoutCast::stationErrorText(const ShoutCastGenre *genre) const
{
    return withReason(tr("Error while parsing genre data."), genre->parser->refusal());
}

bool ShoutCast::announceStations(ShoutCastGenre *genre)
{
    emit shoutCastFetch(genre, genre->state);
    if (genre->state == StateCancelled) {
        // The receiver stopped the list (its item limit).
        cancelGenre(genre);
        return false;
    }
    genre->state = StateData;
    return true;
}

// A piece of a genre's station list. Pieces are announced once the list's
// header is recognised and stations have arrived (before that there is
// nothing to show): the first such announcement is StateBegin, so that the
// receiver builds its list from the first piece that has any. A source read
// whole announces its list once, at the end.
void ShoutCast::stationPiece(ShoutCastGenre *genre, const QByteArray &piece)
{
    if (!genre->fetchOpen)
        return;
    if (genre->parser->feed(piece, genre->stations) == StationListReader::Outcome::Refused) {
        (void)stream_->takeFetchError(genre->fetchId);
        stationFailed(genre, stationErrorText(genre));
        return;
    }
    if (!genre->parser->listStarted() || genre->stations.isEmpty())
        return;
    announceStations(genre);
}

void ShoutCast::stationEnd(ShoutCastGenre *genre)
{
    if (!genre->fetchOpen)
        return;
    genre->fetchOpen = false;
    const QString error = stream_->takeFetchError(genre->fetchId);
    if (!error.isEmpty()) {
        stationFailed(genre, error);
        return;
    }
    switch (genre->parser->finish(genre->stations)) {
    case StationListReader::Outcome::Refused: stationFailed(genre, stationErrorText(genre)); return;
    case StationListReader::Outcome::Listed:
        if (!genre->stations.isEmpty() && !announceStations(genre))
            return;
        break;
    case StationListReader::Outcome::Accepted: break;
    }
    genre->state = StateDone;
    emit shoutCastFetch(genre, StateDone);
}

void ShoutCast::stationFailed(ShoutCastGenre *genre, const QString &text)
{
    genre->fetchOpen = false;
    genre->state = StateError;
    postError(genre, text);
    emit shoutCastFetch(genre, StateError);
}
