#pragma once

#include "shoutCast.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Dialog;
class GenreBrowser;
class PlayListItem;
class QComboBox;
class QEvent;
class QMenu;
class RadioPlayList;
class RadioStream;
class Wavelark;
class WavelarkConfig;
class WavelarkListBox;
struct DirectoryFetchRecord;
struct StationListPiece;
struct WavelarkSettings;

// What a directory action asks for; the link's arrival runs a pending one.
enum DirectoryAction : int {
    PendingDirectoryAction = -1,
    SearchDirectory = 0,
    FetchGenreStations = 1,
    RefreshGenreIndex = 2,
    FetchTopStations = 3,
};

// The station directory in the window: the directory client, the genre
// dialog, the searches and the recent searches, the fetch record of every
// genre's station list, and the station lists that arrive from the read
// thread. The window owns it and forwards its directory slots here.
// GUI thread, except announceGenres and announceFetch (see there).
class DirectoryPanel : public QObject
{
    Q_OBJECT

public:
    DirectoryPanel(Wavelark &window, RadioStream &stream, WavelarkSettings &settings);
    ~DirectoryPanel() override;

    ShoutCast *client() const { return client_; }
    // The configuration reads and writes the recent searches in place.
    QStringList &recentSearches() { return recentSearches_; }
    // Once the configuration is read: the keys of the lists, the station limit.
    void setConfig(WavelarkConfig *config, const QString &configPath);
    // Under their heading, once the screen is built.
    void fillRecentSearches();
    // The recent searches, in the directory menu before its last entry.
    void addRecentSearches(QMenu *directoryMenu);
    // The client goes first when the window shuts down (it needs the
    // stream), and the configuration is no longer written.
    void shutDown();

    void showList(int index, bool newSearch, bool force);
    void run(int action);
    void showTopStations();
    int pendingAction() const { return pendingAction_; }
    void setPendingAction(int action) { pendingAction_ = action; }
    ShoutCastGenre *currentGenre() const { return currentGenre_; }
    void forgetCurrentGenre() { currentGenre_ = nullptr; }
    // Remembers where the playing cursor is in the current genre's list.
    void savePosition();
    QString lastSearch() const { return lastSearch_; }
    QComboBox *recentSearchesBox() const { return recentSearchesBox_; }

    // Whether a genre's fetch record holds `list` (the window never frees it then).
    bool ownsList(const RadioPlayList *list) const;
    // Whether a received playlist may replace the playing item's address.
    bool allowsMerge();
    // Playback starts: other genres' fetches stop; the genre remembers the item.
    void playbackStarting(PlayListItem *playing);

    // The menu's and the page's commands.
    void genres();
    void refreshGenres();
    void refreshGenre();
    void search();
    void searchResults();
    void clearSearches();
    // The item limit applies at once, to the fetches running too.
    void applyMaxItems();

    // The client's two announcements run on the stream's read thread with
    // its fetch lock and the client's lock held: they touch no widget and
    // no active playlist, they post to the window.
    void announceGenres(const QList<ShoutCastGenre> &genres, ShoutCast::ShoutCastState state);
    void announceFetch(ShoutCastGenre *genre, ShoutCast::ShoutCastState state);
    // The directory indicator's blink.
    void blink();
    // The window's StationListEvent, DirectoryErrorEvent and idle check.
    void onStationList(QEvent *event);
    void onDirectoryError(QEvent *event);
    void checkIdle();

private:
    DirectoryFetchRecord *fetchRecordFor(ShoutCastGenre *genre);
    void discardFetchRecords();
    void rememberSearch(const QString &text);
    void startBlink();
    void runOrWait(int action);
    void buildGenreDialog();
    void searchSelected(int index);
    void queueIdleCheck();
    void mergePiece(DirectoryFetchRecord *record, StationListPiece &piece);
    void installList(DirectoryFetchRecord *record, ShoutCast::ShoutCastState state);
    bool retry(ShoutCastGenre *genre);
    QString errorText(ShoutCastGenre *genre, const QString &error) const;
    // The genre whose fetch record holds `list`, or null.
    ShoutCastGenre *ownerOf(const RadioPlayList *list) const;

    Wavelark &window_;
    RadioStream &stream_;
    WavelarkSettings &settings_;
    ShoutCast *client_ = nullptr;
    WavelarkConfig *config_ = nullptr;
    QString configPath_;
    QString genreCachePath_;
    QStringList recentSearches_;
    std::unique_ptr<WavelarkListBox> recentSearchesList_; // placed into a combo box by the menu
    QComboBox *recentSearchesBox_ = nullptr;
    QMenu *directoryMenu_ = nullptr;
    QString lastSearch_;
    ShoutCastGenre *currentGenre_ = nullptr;
    int pendingAction_ = PendingDirectoryAction;
    Dialog *genreDialog_ = nullptr; // built on first use, kept
    GenreBrowser *genreBrowser_ = nullptr;
    bool genresRefillNeeded_ = false;
    // Every fetch record ever made; genres point at them, and a discarded
    // one stays here so that a queued piece never finds it freed.
    std::vector<std::unique_ptr<DirectoryFetchRecord>> fetchRecords_;
};
