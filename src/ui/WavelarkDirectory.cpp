// The station directory in the window: the genre dialog, the searches and
// the actions that fetch lists (GUI thread). What arrives from the read
// thread is in WavelarkDirectoryFetch.cpp.
#include "Wavelark.h"

#include "Dialog.h"
#include "GenreBrowser.h"
#include "KeyBindings.h"
#include "UserPaths.h"
#include "WavelarkConfig.h"
#include "WavelarkFirstRun.h"
#include "WavelarkIndicators.h"
#include "stream.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>

#include <cstdio>

void Wavelark::connectDirectory()
{
    genreCachePath_ = UserPaths::forHome().genreCachePath;
    connect(shoutCast, &ShoutCast::shoutCastGenres, this, &Wavelark::slotShoutCastGenres,
            Qt::DirectConnection);
    connect(shoutCast, &ShoutCast::shoutCastFetch, this, &Wavelark::slotShoutCastFetch,
            Qt::DirectConnection);
    // The client goes first when the window shuts down; the list in use is
    // freed after it, every other genre list here.
    connect(shoutCast, &QObject::destroyed, this, [this] {
        const RadioPlayList *current = stream ? stream->playlist() : nullptr;
        for (auto &record : fetchRecords_)
            if (RadioPlayList *list = std::exchange(record->stationList, nullptr); list != current)
                delete list;
    });
}

void Wavelark::saveDirectoryPosition()
{
    if (!currentGenre)
        return;
    const int index = stream->currentIndex(Selection::Playing);
    const RadioPlayList *current = stream->playlist();
    auto lock = shoutCast->lock();
    DirectoryFetchRecord *record = currentGenre->fetchRecord;
    if (record && record->stationList && record->stationList == current)
        record->savedIndex = index;
}

DirectoryFetchRecord *Wavelark::fetchRecordFor(ShoutCastGenre *genre)
{
    auto lock = shoutCast->lock();
    if (!genre->fetchRecord) {
        fetchRecords_.push_back(std::make_unique<DirectoryFetchRecord>());
        genre->fetchRecord = fetchRecords_.back().get();
    }
    return genre->fetchRecord;
}

// A new genre index replaces every genre: the records let go of their lists
// (the one in use is freed when it is replaced) and of the current genre.
void Wavelark::discardFetchRecords()
{
    std::vector<RadioPlayList *> lists;
    {
        auto lock = shoutCast->lock();
        for (int i = 0; i < shoutCast->genreCount(); ++i) {
            ShoutCastGenre *genre = shoutCast->genreAt(i);
            if (!genre || !genre->fetchRecord)
                continue;
            DirectoryFetchRecord *record = std::exchange(genre->fetchRecord, nullptr);
            record->discarded = true;
            record->tunedIn = nullptr;
            lists.push_back(std::exchange(record->stationList, nullptr));
        }
    }
    for (RadioPlayList *list : lists)
        if (list != stream->playlist())
            delete list;
    currentGenre = nullptr;
}

void Wavelark::showDirectoryList(int index, bool newSearch, bool force)
{
    saveDirectoryPosition();
    currentGenre = shoutCast->genreAt(index);
    if (!currentGenre)
        return;
    DirectoryFetchRecord *record = fetchRecordFor(currentGenre);
    bool kept;
    {
        auto lock = shoutCast->lock();
        record->retries = 0;
        record->itemLimit = settings_.shoutCastMaxItems;
        kept = record->stationList != nullptr && !newSearch && !force;
        if (kept)
            record->state = ShoutCast::StateDone;
        else
            record->savedIndex = 0;
    }
    if (kept) {
        QCoreApplication::postEvent(this, new StationListEventData(record, ShoutCast::StateDone));
        return;
    }
    const int action = newSearch ? 0 : 1;
    if (linkId != -1)
        runDirectoryAction(action);
    else if (openLink(false))
        pendingDirectoryAction = action;
}

void Wavelark::runDirectoryAction(int action)
{
    if (action == -1)
        action = pendingDirectoryAction;
    switch (action) {
    case 0:
        rememberSearch(lastSearch_);
        if (shoutCast->search(lastSearch_))
            startDirectoryBlink();
        break;
    case 1:
        if (currentGenre && shoutCast->fetchStations(currentGenre))
            startDirectoryBlink();
        break;
    case 3:
        if (shoutCast->fetchTopStations(kFirstRunStations))
            startDirectoryBlink();
        break;
    case 2:
        discardFetchRecords();
        shoutCast->fetchGenres();
        directoryIndicator->setBlinking(true);
        break;
    default: break;
    }
    pendingDirectoryAction = -1;
}

void Wavelark::startDirectoryBlink()
{
    if (stream->fetchCount() > 0)
        directoryIndicator->setBlinking(true);
}

// A new search text joins the recent searches and the configuration file.
void Wavelark::rememberSearch(const QString &text)
{
    if (text.isEmpty())
        return;
    for (int row = 1; row < recentSearchesList->count(); ++row)
        if (recentSearchesList->item(row)->text() == text)
            return;
    recentSearchesList->addItem(text);
    recentSearches_.append(text);
    if (!config->write(configPath))
        std::fprintf(stderr, "%s: could not write\n", qPrintable(configPath));
}

bool Wavelark::retryDirectory(ShoutCastGenre *genre)
{
    if (!genre)
        return false;
    int attempt;
    {
        auto lock = shoutCast->lock();
        if (!genre->fetchRecord)
            return false;
        attempt = ++genre->fetchRecord->retries;
    }
    std::fprintf(stderr, "SC RETRIES=%d/%d\n", attempt, settings_.shoutCastRetries);
    if (attempt >= settings_.shoutCastRetries || !shoutCast->fetchStations(genre))
        return false;
    if (!stream->isPlaying())
        stream->playSound(settings_.retrySound, false, false, 0);
    directoryIndicator->setBlinking(true);
    return true;
}

void Wavelark::buildGenreDialog()
{
    genreDialog_ = new Dialog(tr("SHOUTcast genres:"), Dialog::Kind::Normal, this);
    genreBrowser_ =
        new GenreBrowser(genreDialog_, config->firstKeycode(keyUp), config->firstKeycode(keyDown),
                         config->firstKeycode(keySelect));
    genreBrowser_->setObjectName(QStringLiteral("genreBrowser"));
    genreDialog_->addContent(genreBrowser_);
    genreDialog_->addButton(tr("OK"), true);
    genreDialog_->addButton(tr("Cancel"), false);
    // Announcements come from the read thread; the rows change on the GUI
    // thread, from the list as the client holds it then (under its lock).
    connect(
        shoutCast, &ShoutCast::shoutCastGenres, genreBrowser_,
        [this] {
            if (shoutCast)
                genreBrowser_->slotSetGenres(shoutCast->genres());
        },
        Qt::QueuedConnection);
    connect(genreBrowser_, &GenreBrowser::chosen, genreDialog_, &QDialog::accept);
    genreBrowser_->setGenres(shoutCast->genres());
}

void Wavelark::slotGenres()
{
    if (!genreDialog_)
        buildGenreDialog();
    else if (genresRefillNeeded_)
        genreBrowser_->setGenres(shoutCast->genres());
    genresRefillNeeded_ = false;
    // Only the search results, so no index was ever fetched (no cache yet):
    // fetch it now; the rows fill in when it arrives.
    if (shoutCast->genreCount() <= 1)
        slotRefreshGenres();
    genreBrowser_->setFocus();
    const bool accepted = genreDialog_->exec() == QDialog::Accepted;
    const int index = accepted ? genreBrowser_->currentRow() : -1;
    genreDialog_->hide();
    if (index >= 0)
        showDirectoryList(index, false, false);
}

void Wavelark::slotRefreshGenres()
{
    genresRefillNeeded_ = true;
    if (linkId != -1)
        runDirectoryAction(2);
    else if (openLink(false))
        pendingDirectoryAction = 2;
}

void Wavelark::slotRefreshGenre()
{
    if (!currentGenre)
        return;
    int index = -1;
    {
        auto lock = shoutCast->lock();
        for (int i = 0; i < shoutCast->genreCount() && index < 0; ++i)
            if (shoutCast->genreAt(i) == currentGenre)
                index = i;
    }
    if (index >= 0)
        showDirectoryList(index, index == 0, true);
}

void Wavelark::slotShoutCastSearch()
{
    lastSearch_ = textDialog(tr("Search SHOUTcast for:"), lastSearch_);
    if (lastSearch_.endsWith(u'\n'))
        lastSearch_.chop(1);
    showDirectoryList(0, true, false);
}

void Wavelark::slotShoutCastSearchResults()
{
    showDirectoryList(0, false, false);
}

void Wavelark::shoutCastSearchSelected(int index)
{
    if (index <= 0 || index >= recentSearchesList->count())
        return;
    lastSearch_ = recentSearchesList->item(index)->text();
    recentSearchesBox_->setCurrentIndex(0);
    if (directoryMenu_)
        directoryMenu_->hide();
    if (QMenu *menu = popupMenu())
        menu->hide();
    showDirectoryList(0, true, false);
}
