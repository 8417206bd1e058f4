// The favorites playlist: ~/.wavelark/favorites.pls.
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

} // namespace

void Wavelark::slotOpenFavorites()
{
    openLocation(favoritesPath, false);
}

void Wavelark::slotAppendToFavorites()
{
    std::unique_ptr<PlayListItem> copy;
    stream->inspectItem(transport_->selection(), [&copy](const PlayListItem *item) {
        if (item)
            copy = std::make_unique<PlayListItem>(*item);
    });
    if (!copy)
        return;
    RadioPlayList favorites;
    if (QFileInfo::exists(favoritesPath))
        favorites.addLocation(favoritesPath, false);
    favorites.appendItem(std::move(copy));
    makeFolderFor(favoritesPath);
    const int error = favorites.save(favoritesPath);
    if (error != 0)
        showErrorDialog(QString::fromLocal8Bit(std::strerror(error)));
}

void Wavelark::slotSaveAsFavorites()
{
    makeFolderFor(favoritesPath);
    const int error = stream->savePlaylist(favoritesPath);
    if (error != 0)
        showErrorDialog(QString::fromLocal8Bit(std::strerror(error)));
}
