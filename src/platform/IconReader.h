#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The phone's named resource icons: the soft keys' symbols drawn here, the
// rest from the desktop style's standard icons. An unknown name gives a
// null icon.
namespace IconReader {

QIcon icon(const QString &name);
QPixmap pixmap(const QString &name, int size = 32);

} // namespace IconReader
