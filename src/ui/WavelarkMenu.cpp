// The left soft key's popup menu: every command a person with a mouse needs.
#include "Wavelark.h"

#include "SoftKeyBar.h"
#include "WavelarkIndicators.h"

#include <QComboBox>
#include <QMenu>
#include <QWidgetAction>

namespace {

// The phone's list showed seven rows of recent searches at a time.
constexpr int kRecentSearchRows = 7;

} // namespace

QMenu *Wavelark::popupMenu() const
{
    return softKeyBar() ? softKeyBar()->menu() : nullptr;
}

void Wavelark::buildMenu(QMenu *menu)
{
    QMenu *file = menu->addMenu(tr("File"));
    file->addAction(tr("Open URL"), this, &Wavelark::slotOpenURL);
    file->addAction(tr("Open File"), this, &Wavelark::slotOpenFile);
    file->addAction(tr("Open Folder"), this, &Wavelark::slotOpenFolder);
    file->addAction(tr("About"), this, &Wavelark::slotAboutDialog);

    QMenu *favorites = menu->addMenu(tr("Favorites"));
    favorites->addAction(tr("Open"), this, &Wavelark::slotOpenFavorites);
    favorites->addAction(tr("Add current"), this, &Wavelark::slotAppendToFavorites);
    favorites->addAction(tr("Save as favorites"), this, &Wavelark::slotSaveAsFavorites);

    buildPlaylistMenu(menu);

    QMenu *prefs = menu->addMenu(tr("Preferences"));
    prefs->addAction(tr("Interface"), this, &Wavelark::slotPrefsInterface);
    prefs->addAction(tr("Network"), this, &Wavelark::slotPrefsNetwork);
    prefs->addAction(tr("Sounds"), this, &Wavelark::slotPrefsSound);
    prefs->addAction(tr("Advanced"), this, &Wavelark::slotPrefsAdvanced);
    prefs->addAction(tr("ShoutCast"), this, &Wavelark::slotPrefsShoutCast);

    QMenu *network = menu->addMenu(tr("Network"));
    network->addAction(tr("Connect"), this, &Wavelark::slotLinkConnect);
    network->addAction(tr("Disconnect"), this, &Wavelark::slotLinkDisconnect);
    network->addAction(tr("Flush fill buffer"), this, &Wavelark::slotFlushFillBuffer);
    network->addAction(tr("Preferences"), this, &Wavelark::slotPrefsNetwork);

    directoryMenu_ = buildDirectoryMenu(menu);
}

QMenu *Wavelark::buildPlaylistMenu(QMenu *parent)
{
    QMenu *playlist = parent->addMenu(tr("Playlist"));
    playlist->addAction(tr("Add"), this, &Wavelark::slotAppendToPlayList);
    playlist->addAction(tr("Remove current"), this, &Wavelark::slotRemovePlayListItem);
    playlist->addAction(tr("Delete current"), this, &Wavelark::slotDeletePlayListFile);
    playlist->addAction(tr("Save"), this, &Wavelark::slotSavePlayList);
    playlist->addAction(tr("Save as"), this, &Wavelark::slotSaveAsPlayList);
    QMenu *search = playlist->addMenu(tr("Search"));
    search->addAction(tr("Title"), this, &Wavelark::slotSearchTitle);
    search->addAction(tr("Album"), this, &Wavelark::slotSearchAlbum);
    search->addAction(tr("Artist"), this, &Wavelark::slotSearchArtist);
    search->addAction(tr("Id"), this, &Wavelark::slotSearchId);
    search->addAction(tr("Url"), this, &Wavelark::slotSearchUrl);
    search->addAction(tr("Stream Title"), this, &Wavelark::slotSearchStreamTitle);
    return playlist;
}

QMenu *Wavelark::buildDirectoryMenu(QMenu *parent)
{
    QMenu *directory = parent->addMenu(tr("SHOUTcast"));
    directory->addAction(tr("Genres"), this, &Wavelark::slotGenres);
    directory->addAction(tr("Refresh this genre"), this, &Wavelark::slotRefreshGenre);
    directory->addAction(tr("Refresh index"), this, &Wavelark::slotRefreshGenres);
    directory->addAction(tr("Search"), this, &Wavelark::slotShoutCastSearch);
    directory->addAction(tr("Search results"), this, &Wavelark::slotShoutCastSearchResults);

    // The recent searches: the combo box shows the list box that the
    // configuration fills, and the list box keeps its keys in the popup.
    recentSearchesBox_ = new QComboBox(directory);
    recentSearchesBox_->setObjectName(QStringLiteral("recentSearchesBox"));
    recentSearchesBox_->setModel(recentSearchesList->model());
    recentSearchesBox_->setView(recentSearchesList.get());
    recentSearchesBox_->setMaxVisibleItems(kRecentSearchRows);
    connect(recentSearchesBox_, &QComboBox::activated, this, &Wavelark::shoutCastSearchSelected);
    connect(recentSearchesList.get(), &WavelarkListBox::selected, this, [this](int row) {
        recentSearchesBox_->hidePopup();
        shoutCastSearchSelected(row);
    });
    auto *holder = new QWidgetAction(directory);
    holder->setDefaultWidget(recentSearchesBox_);
    directory->addAction(holder);

    directory->addAction(tr("Preferences"), this, &Wavelark::slotPrefsShoutCast);
    return directory;
}
