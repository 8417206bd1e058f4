// Replaced by the menus branch at merge.
#include "Wavelark.h"

#include <QFileDialog>

Wavelark::FileChoice Wavelark::fileDialog(const QString &title, const QString &, int mode,
                                          const QString &startFolder)
{
    const QString path = mode == 1 ? QFileDialog::getExistingDirectory(this, title, startFolder)
                                   : QFileDialog::getOpenFileName(this, title, startFolder);
    return {path, path.isNull()};
}

void Wavelark::applyMaxItemsToGenres()
{}
