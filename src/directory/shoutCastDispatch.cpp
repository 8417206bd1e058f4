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

void ShoutCast::indexPiece(const QByteArray &piece)
{
    if (!indexOpen_)
        return;
    QStringList names;
    switch (indexParser_.feed(piece, names)) {
    case GenreIndexParser::Outcome::Refused:
        indexOpen_ = false;
        (void)stream_->takeFetchError(listFetchId_);
        postError(nullptr, tr("Error while fetching genres. Unknown data."));
        emit shoutCastGenres(snapshot(), StateError);
        return;
    case GenreIndexParser::Outcome::HeaderFound:
        replaceGenreList();
        emit shoutCastGenres(snapshot(), StateBegin);
        break;
    case GenreIndexParser::Outcome::Accepted: break;
    }
    for (const QString &name : names)
        genres_.push_back(std::make_unique<ShoutCastGenre>(name));
}

void ShoutCast::indexEnd()
{
    if (!indexOpen_)
        return;
    indexOpen_ = false;
    indexParser_.clearPending();
    const QString error = stream_->takeFetchError(listFetchId_);
    // An answer that never showed the index is as unknown as a long one.
    const QString text = !error.isEmpty() ? error
                         : !indexParser_.headerFound()
                             ? tr("Error while fetching genres. Unknown data.")
                             : QString();
    if (text.isEmpty()) {
        emit shoutCastGenres(snapshot(), StateDone);
        return;
    }
    postError(nullptr, text);
    emit shoutCastGenres(snapshot(), StateError);
}

// A piece of a genre's station list. Pieces are announced once the list's
// header is recognised and stations have arrived (before that there is
// nothing to show): the first such announcement is StateBegin, so that the
// receiver builds its list from the first piece that has any.
void ShoutCast::stationPiece(ShoutCastGenre *genre, const QByteArray &piece)
{
    if (!genre->fetchOpen)
        return;
    if (genre->parser.feed(piece, genre->stations, rootUrl_) ==
        StationListParser::Outcome::Refused) {
        (void)stream_->takeFetchError(genre->fetchId);
        stationFailed(genre, tr("Error while parsing genre data."));
        return;
    }
    if (!genre->parser.headerFound() || genre->stations.isEmpty())
        return;
    emit shoutCastFetch(genre, genre->state);
    if (genre->state == StateCancelled) {
        // The receiver stopped the list (its item limit).
        cancelGenre(genre);
        return;
    }
    genre->state = StateData;
}

void ShoutCast::stationEnd(ShoutCastGenre *genre)
{
    if (!genre->fetchOpen)
        return;
    genre->fetchOpen = false;
    genre->parser.clearPending();
    const QString error = stream_->takeFetchError(genre->fetchId);
    if (!error.isEmpty()) {
        stationFailed(genre, error);
        return;
    }
    if (!genre->parser.headerFound()) {
        stationFailed(genre, tr("Error while parsing genre data."));
        return;
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
