#pragma once

#include <QObject>
#include <QString>

class RadioStream;
class Transport;
class Wavelark;

// The playlist's files and the favorites: opening a URL, a file or a folder,
// adding to the playlist, removing and deleting the current entry, saving
// the playlist, and the favorites playlist (~/.wavelark/favorites.pls).
// Each is a command of the window's table. GUI thread only.
class PlaylistFiles : public QObject
{
    Q_OBJECT

public:
    PlaylistFiles(Wavelark &window, RadioStream &stream, Transport &transport,
                  const QString &favoritesPath);

    const QString &favoritesPath() const { return favoritesPath_; }
    // Where "Save as" writes, until a folder is chosen there.
    QString saveFolder() const { return saveFolder_; }
    void setSaveFolder(const QString &folder) { saveFolder_ = folder; }

    void openUrl();
    void openFile();
    // Every file of the folder, sub-folders left out.
    void openFolder();
    void addToPlaylist();
    void removeCurrent();
    // A local file is deleted after a question; anything else is removed.
    void deleteCurrent();
    void save();
    void saveAs();
    void openFavorites();
    void addFavorite();
    void saveAsFavorites();

private:
    void saveTo(const QString &path);
    void reportSave(int error, const QString &done);

    Wavelark &window_;
    RadioStream &stream_;
    Transport &transport_;
    QString favoritesPath_;
    QString saveFolder_;
    QString lastUrl_;
};
