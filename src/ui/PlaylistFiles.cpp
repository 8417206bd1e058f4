// Opening URLs, files and folders, adding them to the playlist, and the
// favorites playlist. Removing, deleting and saving: PlaylistFilesSave.cpp.
#include "PlaylistFiles.h"

#include "DirectoryPanel.h"
#include "Transport.h"
#include "Wavelark.h"
#include "stream.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace {

// The folder may be missing on a first run; the writer creates only the file.
void makeFolderFor(const QString &path)
{
    QDir().mkpath(QFileInfo(path).path());
}

// Callers of the text entry drop one trailing newline.
QString withoutNewline(QString text)
{
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

QFileInfoList folderEntries(const QString &folder, QDir::Filters filters)
{
    return QDir(folder).entryInfoList({QStringLiteral("*")}, filters | QDir::NoDotAndDotDot,
                                      QDir::Name | QDir::IgnoreCase);
}

} // namespace

PlaylistFiles::PlaylistFiles(Wavelark &window, RadioStream &stream, Transport &transport,
                             const QString &favoritesPath)
    : window_(window), stream_(stream), transport_(transport), favoritesPath_(favoritesPath)
{}

void PlaylistFiles::openFavorites()
{
    window_.openLocation(favoritesPath_, false);
}

void PlaylistFiles::addFavorite()
{
    std::unique_ptr<PlayListItem> copy;
    stream_.inspectItem(transport_.selection(), [&copy](const PlayListItem *item) {
        if (item)
            copy = std::make_unique<PlayListItem>(*item);
    });
    if (!copy)
        return;
    RadioPlayList favorites;
    if (QFileInfo::exists(favoritesPath_))
        favorites.addLocation(favoritesPath_, false);
    favorites.appendItem(std::move(copy));
    makeFolderFor(favoritesPath_);
    reportSave(favorites.save(favoritesPath_), tr("Added to the favorites"));
}

void PlaylistFiles::saveAsFavorites()
{
    makeFolderFor(favoritesPath_);
    reportSave(stream_.savePlaylist(favoritesPath_), tr("Favorites saved"));
}

void PlaylistFiles::openUrl()
{
    lastUrl_ = withoutNewline(window_.textDialog(tr("Open URL:"), lastUrl_));
    window_.openLocation(lastUrl_, false);
}

void PlaylistFiles::openFile()
{
    const Wavelark::FileChoice choice =
        window_.fileDialog(tr("Open filename:"), QStringLiteral("*"), ChooseFile);
    if (!choice.cancelled && !choice.path.isEmpty())
        window_.openLocation(QStringLiteral("file://") + choice.path, false);
}

// A folder without files leaves the playlist as it was.
void PlaylistFiles::openFolder()
{
    const Wavelark::FileChoice choice =
        window_.fileDialog(tr("Open all in folder:"), QStringLiteral("*"), ChooseFolder);
    window_.directoryPanel().savePosition();
    if (choice.cancelled || choice.path.isEmpty())
        return;
    const QFileInfoList entries =
        folderEntries(choice.path, QDir::Dirs | QDir::Files | QDir::Drives);
    auto list = std::make_unique<RadioPlayList>();
    for (const QFileInfo &entry : entries)
        if (!entry.isDir())
            list->addLocation(QStringLiteral("file://") + choice.path + u'/' + entry.fileName(),
                              false);
    if (!list->isEmpty())
        window_.setPlayList(list.release(), true);
}

void PlaylistFiles::addToPlaylist()
{
    const Wavelark::FileChoice choice =
        window_.fileDialog(tr("Add folder or file:"), QStringLiteral("*"), ChooseFileOrFolder);
    if (choice.cancelled || choice.path.isEmpty())
        return;
    if (QFileInfo(choice.path).isDir()) {
        // Hidden files (a folder's own settings, thumbnails) are not audio.
        const QFileInfoList entries =
            folderEntries(choice.path, QDir::Dirs | QDir::Files | QDir::Drives);
        for (const QFileInfo &entry : entries)
            if (!entry.isDir())
                window_.openLocation(
                    QStringLiteral("file://") + choice.path + u'/' + entry.fileName(), true);
    } else {
        window_.openLocation(QStringLiteral("file://") + choice.path, true);
    }
    window_.postSelf(StreamTagsEvent);
}
