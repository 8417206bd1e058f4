// The station directory in the window: the genre dialog, the searches and
// the actions that fetch lists (GUI thread). What arrives from the read
// thread is in DirectoryPanelFetch.cpp.
#include "DirectoryPanel.h"

#include "Dialog.h"
#include "DirectoryFetchRecord.h"
#include "GenreBrowser.h"
#include "KeyBindings.h"
#include "StationListEventData.h"
#include "UserPaths.h"
#include "Wavelark.h"
#include "WavelarkConfig.h"
#include "WavelarkFirstRun.h"
#include "WavelarkIndicators.h"
#include "WavelarkListBox.h"
#include "stream.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>
#include <QWidgetAction>

#include <cstdio>

namespace {

// The phone's list showed seven rows of recent searches at a time.
constexpr int kRecentSearchRows = 7;

} // namespace

DirectoryPanel::DirectoryPanel(Wavelark &window, RadioStream &stream, WavelarkSettings &settings)
    : window_(window), stream_(stream), settings_(settings),
      client_(new ShoutCast(&window, &stream, &window)),
      recentSearchesList_(std::make_unique<WavelarkListBox>(0, 0, 0))
{
    genreCachePath_ = UserPaths::forHome().genreCachePath;
    connect(client_, &ShoutCast::shoutCastGenres, &window, &Wavelark::slotShoutCastGenres,
            Qt::DirectConnection);
    connect(client_, &ShoutCast::shoutCastFetch, &window, &Wavelark::slotShoutCastFetch,
            Qt::DirectConnection);
    // The client goes first when the window shuts down; the list in use is
    // freed after it, every other genre list here.
    connect(client_, &QObject::destroyed, this, [this] {
        const RadioPlayList *current = stream_.playlist();
        for (auto &record : fetchRecords_)
            if (RadioPlayList *list = std::exchange(record->stationList, nullptr); list != current)
                delete list;
    });
    client_->readGenreCache(genreCachePath_);
}

DirectoryPanel::~DirectoryPanel() = default;

void DirectoryPanel::setConfig(WavelarkConfig *config, const QString &configPath)
{
    config_ = config;
    configPath_ = configPath;
    if (config_)
        recentSearchesList_->setKeys(config_->firstKeycode(keyUp), config_->firstKeycode(keyDown),
                                     config_->firstKeycode(keySelect));
    client_->setStationLimit(settings_.shoutCastMaxItems);
}

void DirectoryPanel::fillRecentSearches()
{
    recentSearchesList_->addItem(tr("Recent searches"));
    recentSearchesList_->addItems(recentSearches_);
}

// The combo box shows the list box that the configuration fills, and the
// list box keeps its keys in the popup.
void DirectoryPanel::addRecentSearches(QMenu *directoryMenu)
{
    directoryMenu_ = directoryMenu;
    recentSearchesBox_ = new QComboBox(directoryMenu);
    recentSearchesBox_->setObjectName(QStringLiteral("recentSearchesBox"));
    recentSearchesBox_->setModel(recentSearchesList_->model());
    recentSearchesBox_->setView(recentSearchesList_.get());
    recentSearchesBox_->setMaxVisibleItems(kRecentSearchRows);
    connect(recentSearchesBox_, &QComboBox::activated, this, &DirectoryPanel::searchSelected);
    connect(recentSearchesList_.get(), &WavelarkListBox::selected, this, [this](int row) {
        recentSearchesBox_->hidePopup();
        searchSelected(row);
    });
    auto *holder = new QWidgetAction(directoryMenu);
    holder->setDefaultWidget(recentSearchesBox_);
    const QList<QAction *> actions = directoryMenu->actions();
    directoryMenu->insertAction(actions.isEmpty() ? nullptr : actions.last(), holder);
}

void DirectoryPanel::shutDown()
{
    delete std::exchange(client_, nullptr);
    config_ = nullptr;
}

void DirectoryPanel::savePosition()
{
    if (!currentGenre_)
        return;
    const int index = stream_.currentIndex(Selection::Playing);
    const RadioPlayList *current = stream_.playlist();
    auto lock = client_->lock();
    DirectoryFetchRecord *record = currentGenre_->fetchRecord;
    if (record && record->stationList && record->stationList == current)
        record->savedIndex = index;
}

DirectoryFetchRecord *DirectoryPanel::fetchRecordFor(ShoutCastGenre *genre)
{
    auto lock = client_->lock();
    if (!genre->fetchRecord) {
        fetchRecords_.push_back(std::make_unique<DirectoryFetchRecord>());
        genre->fetchRecord = fetchRecords_.back().get();
    }
    return genre->fetchRecord;
}

// A new genre index replaces every genre: the records let go of their lists
// (the one in use is freed when it is replaced) and of the current genre.
void DirectoryPanel::discardFetchRecords()
{
    std::vector<RadioPlayList *> lists;
    {
        auto lock = client_->lock();
        for (int i = 0; i < client_->genreCount(); ++i) {
            ShoutCastGenre *genre = client_->genreAt(i);
            if (!genre || !genre->fetchRecord)
                continue;
            DirectoryFetchRecord *record = std::exchange(genre->fetchRecord, nullptr);
            record->discarded = true;
            record->tunedIn = nullptr;
            lists.push_back(std::exchange(record->stationList, nullptr));
        }
    }
    for (RadioPlayList *list : lists)
        if (list != stream_.playlist())
            delete list;
    currentGenre_ = nullptr;
}

void DirectoryPanel::showList(int index, bool newSearch, bool force)
{
    savePosition();
    currentGenre_ = client_->genreAt(index);
    if (!currentGenre_)
        return;
    DirectoryFetchRecord *record = fetchRecordFor(currentGenre_);
    bool kept;
    {
        auto lock = client_->lock();
        record->retries = 0;
        record->itemLimit = settings_.shoutCastMaxItems;
        kept = record->stationList != nullptr && !newSearch && !force;
        if (kept)
            record->state = ShoutCast::StateDone;
        else
            record->savedIndex = 0;
    }
    if (kept) {
        QCoreApplication::postEvent(&window_,
                                    new StationListEventData(record, ShoutCast::StateDone));
        return;
    }
    runOrWait(newSearch ? SearchDirectory : FetchGenreStations);
}

void DirectoryPanel::runOrWait(int action)
{
    if (window_.currentLinkId() != -1)
        run(action);
    else if (window_.openLink(false))
        pendingAction_ = action;
}

void DirectoryPanel::run(int action)
{
    if (action == PendingDirectoryAction)
        action = pendingAction_;
    switch (action) {
    case SearchDirectory:
        rememberSearch(lastSearch_);
        if (client_->search(lastSearch_))
            startBlink();
        break;
    case FetchGenreStations:
        if (currentGenre_ && client_->fetchStations(currentGenre_))
            startBlink();
        break;
    case FetchTopStations:
        if (client_->fetchTopStations(kFirstRunStations))
            startBlink();
        break;
    case RefreshGenreIndex:
        discardFetchRecords();
        client_->fetchGenres();
        window_.directoryIndicatorWidget()->setBlinking(true);
        break;
    default: break;
    }
    pendingAction_ = PendingDirectoryAction;
}

void DirectoryPanel::startBlink()
{
    if (stream_.fetchCount() > 0)
        window_.directoryIndicatorWidget()->setBlinking(true);
}

// A new search text joins the recent searches and the configuration file.
void DirectoryPanel::rememberSearch(const QString &text)
{
    if (text.isEmpty())
        return;
    for (int row = 1; row < recentSearchesList_->count(); ++row)
        if (recentSearchesList_->item(row)->text() == text)
            return;
    recentSearchesList_->addItem(text);
    recentSearches_.append(text);
    if (config_ && !config_->write(configPath_))
        std::fprintf(stderr, "%s: could not write\n", qPrintable(configPath_));
}

void DirectoryPanel::clearSearches()
{
    recentSearches_.clear();
    recentSearchesList_->clear();
    recentSearchesList_->addItem(tr("Recent searches"));
    window_.writeConfig();
}

void DirectoryPanel::applyMaxItems()
{
    client_->setStationLimit(settings_.shoutCastMaxItems);
    auto lock = client_->lock();
    for (int i = 0; i < client_->genreCount(); ++i) {
        ShoutCastGenre *genre = client_->genreAt(i);
        if (genre && genre->fetchRecord)
            genre->fetchRecord->itemLimit = settings_.shoutCastMaxItems;
    }
}

bool DirectoryPanel::retry(ShoutCastGenre *genre)
{
    if (!genre)
        return false;
    int attempt;
    {
        auto lock = client_->lock();
        if (!genre->fetchRecord)
            return false;
        attempt = ++genre->fetchRecord->retries;
    }
    std::fprintf(stderr, "SC RETRIES=%d/%d\n", attempt, settings_.shoutCastRetries);
    if (attempt >= settings_.shoutCastRetries || !client_->fetchStations(genre))
        return false;
    if (!stream_.isPlaying())
        stream_.playSound(settings_.retrySound, false, false, 0);
    window_.directoryIndicatorWidget()->setBlinking(true);
    return true;
}

void DirectoryPanel::buildGenreDialog()
{
    genreDialog_ = new Dialog(tr("SHOUTcast genres:"), Dialog::Kind::Normal, &window_);
    genreBrowser_ =
        new GenreBrowser(genreDialog_, config_->firstKeycode(keyUp), config_->firstKeycode(keyDown),
                         config_->firstKeycode(keySelect));
    genreBrowser_->setObjectName(QStringLiteral("genreBrowser"));
    genreDialog_->addContent(genreBrowser_);
    genreDialog_->addButton(tr("OK"), true);
    genreDialog_->addButton(tr("Cancel"), false);
    // Announcements come from the read thread; the rows change on the GUI
    // thread, from the list as the client holds it then (under its lock).
    connect(
        client_, &ShoutCast::shoutCastGenres, genreBrowser_,
        [this] {
            if (client_)
                genreBrowser_->slotSetGenres(client_->genres());
        },
        Qt::QueuedConnection);
    connect(genreBrowser_, &GenreBrowser::chosen, genreDialog_, &QDialog::accept);
    genreBrowser_->setGenres(client_->genres());
}

void DirectoryPanel::genres()
{
    if (!genreDialog_)
        buildGenreDialog();
    else if (genresRefillNeeded_)
        genreBrowser_->setGenres(client_->genres());
    genresRefillNeeded_ = false;
    // Only the search results, so no index was ever fetched (no cache yet):
    // fetch it now; the rows fill in when it arrives.
    if (client_->genreCount() <= 1)
        refreshGenres();
    genreBrowser_->setFocus();
    const bool accepted = genreDialog_->exec() == QDialog::Accepted;
    const int index = accepted ? genreBrowser_->currentRow() : -1;
    genreDialog_->hide();
    if (index >= 0)
        showList(index, false, false);
}

void DirectoryPanel::refreshGenres()
{
    genresRefillNeeded_ = true;
    runOrWait(RefreshGenreIndex);
}

void DirectoryPanel::refreshGenre()
{
    if (!currentGenre_)
        return;
    int index = -1;
    {
        auto lock = client_->lock();
        for (int i = 0; i < client_->genreCount() && index < 0; ++i)
            if (client_->genreAt(i) == currentGenre_)
                index = i;
    }
    if (index >= 0)
        showList(index, index == 0, true);
}

void DirectoryPanel::search()
{
    lastSearch_ = window_.textDialog(tr("Search SHOUTcast for:"), lastSearch_);
    if (lastSearch_.endsWith(u'\n'))
        lastSearch_.chop(1);
    showList(0, true, false);
}

void DirectoryPanel::searchResults()
{
    showList(0, false, false);
}

void DirectoryPanel::searchSelected(int index)
{
    if (index <= 0 || index >= recentSearchesList_->count())
        return;
    lastSearch_ = recentSearchesList_->item(index)->text();
    recentSearchesBox_->setCurrentIndex(0);
    if (directoryMenu_)
        directoryMenu_->hide();
    if (QMenu *menu = window_.popupMenu())
        menu->hide();
    showList(0, true, false);
}

void DirectoryPanel::showTopStations()
{
    if (!firstRunAsksDirectory())
        return;
    savePosition();
    currentGenre_ = client_->searchGenre();
    if (!currentGenre_)
        return;
    DirectoryFetchRecord *record = fetchRecordFor(currentGenre_);
    {
        auto lock = client_->lock();
        record->retries = 0;
        record->itemLimit = settings_.shoutCastMaxItems;
        record->savedIndex = 0;
    }
    // From the event loop: start-up keeps a link that comes up from acting
    // until it has finished.
    QTimer::singleShot(0, this, [this] { runOrWait(FetchTopStations); });
}

QString DirectoryPanel::errorText(ShoutCastGenre *genre, const QString &error) const
{
    if (!genre || genre != client_->searchGenre() || !client_->holdsTopStations())
        return tr("SHOUTcast: ") + error;
    return tr("The station directory could not be reached, so there are no stations to "
              "play yet (%1). Open a station's address with File → Open URL, or a file with "
              "File → Open File.")
        .arg(error);
}

ShoutCastGenre *DirectoryPanel::ownerOf(const RadioPlayList *list) const
{
    if (!list || !client_)
        return nullptr;
    auto lock = client_->lock();
    for (int i = 0; i < client_->genreCount(); ++i) {
        ShoutCastGenre *genre = client_->genreAt(i);
        if (genre && genre->fetchRecord && genre->fetchRecord->stationList == list)
            return genre;
    }
    return nullptr;
}

bool DirectoryPanel::ownsList(const RadioPlayList *list) const
{
    return ownerOf(list) != nullptr;
}

// A genre's list keeps its station's address only when the playing item is
// the one that was tuned in; any other list of the directory never merges.
bool DirectoryPanel::allowsMerge()
{
    ShoutCastGenre *owner = ownerOf(stream_.playlist());
    if (owner && currentGenre_) {
        DirectoryFetchRecord *record = currentGenre_->fetchRecord;
        if (record && record->stationList == stream_.playlist())
            record->savedIndex = stream_.currentIndex(Selection::Playing);
        const PlayListItem *tunedIn = owner->fetchRecord->tunedIn;
        return tunedIn && stream_.playlist()->indexOf(tunedIn) >= 0;
    }
    return !currentGenre_;
}

void DirectoryPanel::playbackStarting(PlayListItem *playing)
{
    if (client_)
        client_->cancelAllGenres();
    if (currentGenre_ && currentGenre_->fetchRecord)
        currentGenre_->fetchRecord->tunedIn = playing;
}
